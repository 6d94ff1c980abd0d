#pragma once

#include <QSharedPointer>
#include <QString>
#include <QWidget>

class KLVQuery;
class QCloseEvent;
class QLineEdit;

// The query window's current selection as text, in four notations the user can copy into
// other tools: the plain selection string, a command line of the export tool, a selection
// command of the ERP's FO language and a command of the ERP GUI client. Each query window
// owns one; it fills it with SetQueryString and refills it when the window asks with
// RequestRefresh. The table is looked up with a query of its own on the main window's
// session, to tell a table addressed by name from one addressed by database and groups.
//
// Controls: PureQueryString, klvexportString, FOString, GUIString (text boxes, each with its
// label), AktualisierenButton, SchliessenButton. Window place in the settings section
// "QueryStringWindowSettings". Closing hides the window; the owner shows it again.
class QueryStringForm : public QWidget
{
    Q_OBJECT

public:
    // What the four text boxes show for one selection.
    struct Notations
    {
        QString pure;
        QString klvexport;
        QString fo;
        QString gui;
    };

    // The table as the catalogue describes it: typeOther when it is addressed by its name
    // (its catalogue type is not "1"), else by database number and group numbers.
    struct TableAddress
    {
        bool typeOther = false;
        QString db;
        QString groups; // group numbers joined by "."
    };

    explicit QueryStringForm(QWidget* parent = nullptr);
    // Unloading keeps the window's place when the viewer settings say so.
    ~QueryStringForm() override;

    // Caption and the four texts; an empty TableID empties them.
    Q_INVOKABLE void SetQueryString(const QString& TableName, const QString& TableID, const QString& SelString,
                                    const QString& FieldList);

    // The query the window looks tables up with (made on first use; none without a session):
    // whoever waits on SetQueryString may break it off.
    QSharedPointer<KLVQuery> lookupQuery();

    static Notations Notate(const QString& tableName, const QString& selString, const QString& fieldList,
                            const TableAddress& table);

Q_SIGNALS:
    // The user pressed AktualisierenButton: the owner calls SetQueryString again.
    void RequestRefresh();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    TableAddress lookUp(const QString& tableName, const QString& tableId);
    void unload();

    QString m_baseCaption;
    QSharedPointer<KLVQuery> m_query;
    QLineEdit* m_pure = nullptr;
    QLineEdit* m_klvexport = nullptr;
    QLineEdit* m_fo = nullptr;
    QLineEdit* m_gui = nullptr;
};
