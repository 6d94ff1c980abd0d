#pragma once

#include "ServerWaitDialog.h"

#include <QHash>
#include <QSharedPointer>
#include <QString>

class KLV;
class QCheckBox;
class QLineEdit;
class QTabWidget;

// What the program knows about the current connection, on the tabs of "MandInfoTab": the
// ERP client (the Mandant) and its directories, the server's versions and process, the
// logged-on user, host and port, and the versions of the program, of the protocol it asks for
// and of the protocol library. Every value is read once, when LoadMandInfos fills the dialog;
// the main window then shows it modal. The program's one instance is kept between uses.
//
// While it reads, the user can break the wait off (Esc, closing it; it shows itself when the
// server is slow to answer); a connection that is gone, or a wait broken off, is said in a
// message, and the dialog does not open.
//
// Read-only fields: "MandBez", "MandID", "MandVerz", "MandVerzUNC", "HOMEDIR", "HOMEDIRUNC",
// "GUIDDEName", "TAVVersion", "ServerKLVVersion", "AktBenutzer", "AktZeichen", "AktSprache",
// "Aufrufernummer", "ServerPID", "TAVServer", "NetzPort", "AnwName", "ProgVersion",
// "ClientKLVVersion", "MaxClientKLVVersion", "KLVDLLVersion"; check boxes "IstWartungsmodus",
// "EFOPsAusfuehren".
class MandInfoForm : public ServerWaitDialog
{
    Q_OBJECT

public:
    explicit MandInfoForm(QWidget* parent = nullptr);

    static MandInfoForm* DefaultInstance();

    // Fills every field from the session and the main window's Host and Port; false (after
    // its message) when the dialog has nothing to show or its user closed it meanwhile.
    Q_INVOKABLE bool LoadMandInfos(const QSharedPointer<KLV>& session);

    QString text(const QString& field) const;
    bool isChecked(const QString& box) const;
    QTabWidget* tabs() const { return m_tabs; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString userText(const QSharedPointer<KLV>& session);
    void setText(const QString& field, const QString& value);
    void setChecked(const QString& box, bool on);

    QTabWidget* m_tabs = nullptr;
    QHash<QString, QLineEdit*> m_fields;
    QHash<QString, QCheckBox*> m_boxes;
};
