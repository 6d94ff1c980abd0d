#include "MenuArray.h"

#include <QAction>
#include <QActionEvent>
#include <QHash>

MenuArray::MenuArray(const QString& name, int firstIndex, QWidget* parent) : QMenu(parent), m_firstIndex(firstIndex)
{
    setObjectName(name);
    menuAction()->setObjectName(name + QStringLiteral("Holder"));
}

void MenuArray::attach(QMenu* menu)
{
    m_shownIn = menu;
    if (menu)
        connect(menu, &QMenu::aboutToShow, this, &MenuArray::showIn);
}

void MenuArray::showIn()
{
    if (!m_shownIn)
        return;
    for (const QPointer<QAction>& a : std::as_const(m_shown)) {
        if (a)
            m_shownIn->removeAction(a);
    }
    m_shown.clear();
    const QList<QAction*> current = entries();
    m_shownIn->addActions(current);
    for (QAction* a : current)
        m_shown.append(a);
}

QList<QAction*> MenuArray::entries() const
{
    return actions();
}

int MenuArray::indexOf(const QAction* action) const
{
    // An entry knows the menus it is in: only one without an index of its own needs its place.
    if (!action || !action->associatedObjects().contains(const_cast<MenuArray*>(this)))
        return -1;
    bool ok = false;
    const int index = action->data().toInt(&ok);
    return ok ? index : m_firstIndex + int(actions().indexOf(const_cast<QAction*>(action)));
}

QAction* MenuArray::entry(int index) const
{
    const QList<QAction*> list = actions();
    for (qsizetype position = 0; position < list.size(); ++position) {
        bool ok = false;
        const int own = list[position]->data().toInt(&ok);
        if ((ok ? own : m_firstIndex + int(position)) == index)
            return list[position];
    }
    return nullptr;
}

QAction* MenuArray::addEntry(int index, const QString& text)
{
    if (QAction* existing = entry(index))
        return existing;
    QAction* a = new QAction(text, this);
    a->setObjectName(objectName());
    a->setData(index);
    a->setProperty("Index", index);
    addAction(a);
    return a;
}

void MenuArray::setEntries(int first, const QStringList& texts)
{
    // The first entry of each index, as entry() finds it.
    QHash<int, QAction*> byIndex;
    const QList<QAction*> list = actions();
    for (qsizetype position = 0; position < list.size(); ++position) {
        bool ok = false;
        const int own = list[position]->data().toInt(&ok);
        const int index = ok ? own : m_firstIndex + int(position);
        if (!byIndex.contains(index))
            byIndex.insert(index, list[position]);
    }
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const int index = first + int(i);
        QAction* a = byIndex.value(index);
        if (!a) {
            a = new QAction(texts[i], this);
            a->setObjectName(objectName());
            a->setData(index);
            a->setProperty("Index", index);
            addAction(a);
        }
        a->setText(texts[i]);
        a->setVisible(true);
        a->setEnabled(true);
    }
}

void MenuArray::actionEvent(QActionEvent* event)
{
    QMenu::actionEvent(event);
    if (event->type() != QEvent::ActionAdded)
        return;
    QAction* action = event->action();
    if (action->objectName().isEmpty())
        action->setObjectName(objectName());
    // An entry taken out and put back keeps its one connection.
    if (action->property("MenuArrayClick").toBool())
        return;
    action->setProperty("MenuArrayClick", true);
    connect(action, &QAction::triggered, this, [this, action] {
        const int index = indexOf(action);
        if (index >= 0)
            Q_EMIT Click(index);
    });
}
