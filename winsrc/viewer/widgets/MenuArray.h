#pragma once

#include <QList>
#include <QMenu>
#include <QPointer>

class QAction;
class QActionEvent;

// A control array of menu entries whose number and captions change at run time (the sort
// entries of a list's columns, the keys of a table). The entries are the actions of this
// menu, named after the array; it is never opened itself. The menu that shows them takes
// them in, behind its own entries, each time it opens (see attach).
//
// Entry i is the action whose data is i; an action without data counts by its place, from
// the array's first index on. Whoever adds an entry (any addAction on this menu) gets its
// clicks through Click.
class MenuArray : public QMenu
{
    Q_OBJECT

public:
    MenuArray(const QString& name, int firstIndex, QWidget* parent);

    // The entries are shown at the end of menu whenever it is about to open.
    void attach(QMenu* menu);
    // Takes the current entries into the attached menu now.
    void showIn();

    int firstIndex() const { return m_firstIndex; }
    // The entries in order.
    QList<QAction*> entries() const;
    // Entry index, or null.
    QAction* entry(int index) const;
    // The index of an entry of this array, -1 for any other action.
    int indexOf(const QAction* action) const;
    // Adds entry index (or returns it when it exists) with that caption.
    QAction* addEntry(int index, const QString& text);
    // Entries first, first + 1, ... take the captions in order, shown and enabled; those the
    // array lacks are added. One pass however many entries there are.
    void setEntries(int first, const QStringList& texts);

Q_SIGNALS:
    void Click(int Index);

protected:
    void actionEvent(QActionEvent* event) override;

private:
    int m_firstIndex;
    QPointer<QMenu> m_shownIn;
    QList<QPointer<QAction>> m_shown;
};
