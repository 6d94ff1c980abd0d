#pragma once

#include "ListViewColumnProperty.h"

#include <QList>
#include <QPoint>
#include <QSharedPointer>
#include <QString>
#include <QWeakPointer>
#include <QWidget>

class KLV;
class KLVQuery;
class QKeyEvent;
class QMenu;
class QProgressBar;
class QPushButton;
class QTreeWidget;

// What the catalogue windows share. Each is the one window of its kind inside the main
// window's frame, lists a catalogue of the server in list views whose columns the user
// chooses, and keeps its place, size and list layouts in a settings section of its own.
//
// While a fill waits for the server, the window's message loop keeps running: a further fill
// is refused then (a click on a row is remembered and followed once the fill has ended), and
// a close breaks the request off and closes the window once the fill has ended.
//
// Keys are seen by the window before its controls: F1 help, F5 refills the list with the
// focus, F7 chooses its columns, Ctrl+C copies it, Ctrl+Alt+Print prints the window; the
// context-menu event over a list (the right button, the Menu key, Shift+F10) pops up the main
// window's menu for it.
class InfoFormBase : public QWidget
{
    Q_OBJECT

public:
    // The tag field number that keeps a row's whole record in its tag (fields joined by TAB).
    static constexpr int RecordTag = -1;

    // name: the form's name; caption: the design-time caption (a message number); section:
    // the settings section; helpTopicMessage: the message naming the help topic.
    InfoFormBase(const QString& name, const QString& caption, const QString& section, int helpTopicMessage,
                 QWidget* parent = nullptr);
    ~InfoFormBase() override;

    Q_INVOKABLE virtual void ReloadForm() = 0;
    Q_INVOKABLE virtual void SelectColumns() {}

    // True while a fill waits for the server.
    bool isBusy() const { return m_busy > 0; }
    QString settingsSection() const { return m_section; }
    QSize sizeHint() const override;

protected:
    // Marks the window busy for a fill; the first one sets the main window's pointer. When the
    // last one ends, a close asked for meanwhile follows, else fillEnded().
    class BusyScope
    {
    public:
        explicit BusyScope(InfoFormBase* form, int pointer = 11);
        ~BusyScope();
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        InfoFormBase* m_form;
    };

    // The window's OK button (message 32, named "OKButton"): a click closes the window.
    QPushButton* makeOkButton();
    // A new catalogue list: one row per record, headers that sort on a click.
    QTreeWidget* makeList(const QString& name, const QString& tag);
    // The list's columns (when it has an array) and, with withPosition, its place are kept in
    // the window's settings section.
    void keepListLayout(QTreeWidget* list, ListViewColumnArray* columns, bool withPosition);
    // Controls whose place SaveFormPosition keeps beside the window's.
    void keepControlPlaces(const QList<QWidget*>& controls) { m_placedControls = controls; }
    // At the end of the subclass's constructor: texts, keys, the lists' columns as stored.
    void finishLoad();

    // Refused while a fill runs or the window is about to close.
    bool refused() const { return m_busy > 0 || m_closePending; }
    // The window unloads itself: it closes as soon as no fill runs.
    void closeWindow();
    bool closing() const { return m_closePending; }

    // A query of the session with metadata, broken off when the window closes during a fill.
    QSharedPointer<KLVQuery> createQuery(const QSharedPointer<KLV>& session);
    static QSharedPointer<KLV> mainSession();
    // Rows away, the server's order kept until the user sorts.
    static void clearList(QTreeWidget* list);
    // The columns of the answer and its records as rows (tagField: the field that becomes the
    // row's tag, 0 none, RecordTag the whole record).
    void showAnswer(QTreeWidget* list, ListViewColumnArray& columns, int messageBase, int tagField,
                    const QSharedPointer<KLVQuery>& query, QProgressBar* progress = nullptr);
    // The library's summary of the query's last failure.
    static QString errInfo(const QSharedPointer<KLVQuery>& query);
    // A refusal: the headline, a line break and the library's text; nothing while the window
    // closes (the request was broken off for it).
    void showRefusal(const QString& headline, const QString& detail);

    // The kept list that has the focus, or null.
    QTreeWidget* focusedList() const;
    // The window's keys; true when the key was taken.
    virtual bool handleKey(QWidget* control, const QKeyEvent* key);
    // F5 on a list.
    virtual void refreshList(QTreeWidget* list) { Q_UNUSED(list); }
    // The main window's menu popped up over the list.
    virtual QMenu* contextMenuFor(QTreeWidget* list) const;
    // Once no fill runs any more.
    virtual void fillEnded() {}
    // A close while a fill runs: the fill is to stop (its requests are broken off besides).
    virtual void breakFill() {}
    // Keeps the lists' layouts and the window's place in the settings section.
    virtual void saveLayout();

    QMenu* mainMenu(const QString& name) const;
    void setMainEntryEnabled(const QString& name, bool enabled) const;
    void setMousePointer(int pointer) const;

    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    struct KeptList
    {
        QTreeWidget* list;
        ListViewColumnArray* columns;
        bool withPosition;
    };

    void popupMenu(QTreeWidget* list, const QPoint& globalPos);
    void endBusy();

    QString m_section;
    int m_helpTopicMessage;
    QList<KeptList> m_keptLists;
    QList<QWidget*> m_placedControls;
    QList<QWeakPointer<KLVQuery>> m_queries;
    int m_busy = 0;
    bool m_closePending = false;
    bool m_closeScheduled = false;
    bool m_placed = false;
    bool m_shown = false;
};
