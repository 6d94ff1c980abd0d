#include "MenuArray.h"

#include <QAction>
#include <QActionEvent>

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
    const QList<QAction*> list = actions();
    const qsizetype position = list.indexOf(const_cast<QAction*>(action));
    if (position < 0)
        return -1;
    bool ok = false;
    const int index = action->data().toInt(&ok);
    return ok ? index : m_firstIndex + int(position);
}

QAction* MenuArray::entry(int index) const
{
    for (QAction* a : actions()) {
        if (indexOf(a) == index)
            return a;
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
