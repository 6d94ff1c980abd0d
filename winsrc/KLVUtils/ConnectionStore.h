#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>

namespace klvutils {

// The connections stored for one calling program in its per-user settings: section
// "ConnInfos" holds one key per connection ("host;port;client;1|0;user name"), section
// "Connection" the last-used name under "LRU". Sections and keys are looked up without
// regard to case, as the registry the format comes from does. The password is never stored.
//
// Each instance reads the store afresh, so the dialogs create one per operation.
class ConnectionStore
{
public:
    explicit ConnectionStore(const QString& application);

    // The stored connection names in the store's order; empty when there are none or the
    // store cannot be read.
    QStringList names() const;

    // The spelling under which a connection of this name is stored, or an empty text.
    QString storedName(const QString& name) const;

    // Fills the outputs from the record of this name. A connection that is not stored reads
    // as an empty host, port 6550, client "erp" and no user name; a field that is missing or
    // unreadable leaves its output as passed. Port 0 reads as 6550, an empty client as "erp".
    void read(const QString& name, QString& host, int& port, QString& mandant, bool& withUserName,
              QString& userName) const;

    // Stores the record, replacing one of the same name in any spelling of case. False when
    // the settings could not be written.
    bool write(const QString& name, const QString& host, int port, const QString& mandant, bool withUserName,
               const QString& userName);

    // Removes the record; a name that is not stored is no failure. False only when the
    // settings could not be written.
    bool remove(const QString& name);

    QString lastUsed() const;
    bool setLastUsed(const QString& name);

    // The file behind the store, for messages.
    QString fileName() const;

    static constexpr int DefaultPort = 6550;

private:
    QString sectionPath(const QString& section) const;
    QString storedKey(const QString& sectionPath, const QString& name) const;
    QString text(const QString& path) const;
    bool setText(const QString& section, const QString& name, const QString& value);
    bool commit();

    mutable QSettings m_settings;
};

} // namespace klvutils
