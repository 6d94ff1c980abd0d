#pragma once

#include "ListViewColumnProperty.h"

#include <QList>
#include <QPoint>
#include <QSharedPointer>
#include <QString>
#include <QWidget>

class ChildWindowFrame;
class HeadedSplitter;
class KLV;
class KLVQuery;
class QBoxLayout;
class QKeyEvent;
class QLayout;
class QMenu;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class ServerWait;

// A catalogue window: the one window of its kind inside the main window's frame, listing a
// catalogue of the server in list views whose columns the user chooses, and keeping its place,
// size and list layouts in a settings section of its own. Its body is built here the same for
// every catalogue: the panes (often two lists side by side, each under its heading, in a
// splitter the user drags) with what stands above them, and one row at the bottom that ends
// in the OK button (which closes the window) and the Help button.
//
// While a fill waits for the server, the window's message loop keeps running: a further fill
// is refused then (a click on a row is remembered and followed once the fill has ended), Esc
// breaks the wait off, and so does a close, which closes the window once the fill has ended.
// A wait broken off by the user is told once it has ended.
//
// Keys are seen by the window before its controls: F1 help, F5 refills the list with the
// focus, F7 chooses its columns, Ctrl+C copies it, Ctrl+Alt+Print prints the window, Esc
// breaks a wait off; the right button, the Menu key and Shift+F10 over a list pop up the main
// window's menu for it.
class CatalogueWindow : public QWidget
{
    Q_OBJECT

public:
    // The tag field number that keeps a row's whole record in its tag (fields joined by TAB).
    static constexpr int RecordTag = -1;
    // Gaps between the panes and around them, in twips.
    static constexpr int DesignMargin = 120;

    // name: the form's name; caption: the design-time caption (a message number); section:
    // the settings section; helpTopicMessage: the message naming the help topic.
    CatalogueWindow(const QString& name, const QString& caption, const QString& section, int helpTopicMessage,
                    QWidget* parent = nullptr);
    ~CatalogueWindow() override;

    Q_INVOKABLE virtual void ReloadForm() = 0;
    Q_INVOKABLE virtual void SelectColumns() {}

    // True while a fill waits for the server.
    bool isBusy() const;
    QString settingsSection() const { return m_section; }
    ChildWindowFrame* frame() const { return m_frame; }
    ServerWait* serverWait() const { return m_wait; }
    // The window's OK button (message 32, named "OKButton"); a click closes the window
    // (okClicked).
    QPushButton* okButton() const { return m_okButton; }
    QSize sizeHint() const override;

protected:
    // The gap of the window's design, in pixels.
    int margin() const;
    virtual void okClicked() { closeWindow(); }
    // A new catalogue list: one row per record, headers that sort on a click, its popup menu.
    QTreeWidget* makeList(const QString& name, const QString& tag);
    // Two panes side by side, each under its heading, in a splitter the user drags.
    HeadedSplitter* makePanes(QWidget* leftHeading, QWidget* left, QWidget* rightHeading, QWidget* right);
    // The window's body: what stands above the panes (may be null), the panes, the controls
    // of the bottom row before the OK and Help buttons, and a status bar below them (may be
    // null).
    void setBody(QLayout* above, QWidget* panes, const QList<QWidget*>& bottomRow, QWidget* statusBar = nullptr);

    // The list's columns (when it has an array) and, with withPosition, its place are kept in
    // the window's settings section.
    void keepListLayout(QTreeWidget* list, ListViewColumnArray* columns, bool withPosition);
    // Controls whose place the window keeps beside its own.
    void keepControlPlaces(const QList<QWidget*>& controls) { m_placedControls = controls; }
    // At the end of the subclass's constructor: texts, keys, the lists' columns as stored.
    void finishLoad();

    // Refused while a fill runs or the window is about to close.
    bool refused() const;
    // The window unloads itself: it closes as soon as no fill runs.
    void closeWindow();
    bool closing() const;
    // True once the user broke the running fill off.
    bool brokenOff() const;

    // A query of the session with metadata.
    static QSharedPointer<KLVQuery> createQuery(const QSharedPointer<KLV>& session);
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
    // closes or when the user broke the request off (that is told once the fill has ended).
    void showRefusal(const QString& headline, const QString& detail);
    // A message box, unless the window closes.
    void showMessage(const QString& text);

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
    // The user broke the wait off: a fill going on from record to record is to stop.
    virtual void breakFill() {}
    // Keeps the lists' layouts and the window's place in the settings section.
    virtual void saveLayout();

    QMenu* mainMenu(const QString& name) const;

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

    QString m_section;
    int m_helpTopicMessage;
    ChildWindowFrame* m_frame = nullptr;
    ServerWait* m_wait = nullptr;
    QPushButton* m_okButton = nullptr;
    QList<KeptList> m_keptLists;
    QList<QWidget*> m_placedControls;
    bool m_shown = false;
};
