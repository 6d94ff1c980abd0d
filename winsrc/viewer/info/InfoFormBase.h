#pragma once

#include <QSharedPointer>
#include <QString>
#include <QWidget>

class KLV;
class KLVQuery;
class QTreeWidget;

// What the information windows have in common as the main window sees them: one list of a
// catalogue, filled from a query of the session the window keeps, and reloaded on demand.
// The column chooser and the window's own details come with the full windows.
class InfoFormBase : public QWidget
{
    Q_OBJECT

public:
    // name: the window's form name; listName: its list's control name.
    InfoFormBase(const QString& name, const QString& listName, QWidget* parent = nullptr);

    QTreeWidget* list() const { return m_list; }
    QSharedPointer<KLV> session() const { return m_session; }

    Q_INVOKABLE virtual void ReloadForm();
    Q_INVOKABLE void SelectColumns() {}

protected:
    // Asks the catalogue (a query of the session) for the window's list; false when refused.
    virtual bool request(KLVQuery& query) = 0;
    // Keeps the session and fills the list; on a refusal shows the failure (message
    // errorNumber and the server's text) and returns false.
    bool fill(const QSharedPointer<KLV>& session, int errorNumber);

private:
    QTreeWidget* m_list = nullptr;
    QSharedPointer<KLV> m_session;
    int m_errorNumber = 353;
};
