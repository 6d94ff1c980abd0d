#include "FormKeyWatcher.h"

#include "KeyCodes.h"

#include <QKeyEvent>
#include <QWidget>

namespace klvutils {

FormKeyWatcher::FormKeyWatcher(QWidget* form) : QObject(form), m_form(form)
{
    form->installEventFilter(this);
    const QList<QWidget*> controls = form->findChildren<QWidget*>();
    for (QWidget* control : controls)
        control->installEventFilter(this);
}

bool FormKeyWatcher::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyRelease)
        return false;
    // A key event goes to the focus widget and, when ignored there, on to its parents:
    // counting it only at its receiver counts it once.
    QWidget* receiver = m_form->focusWidget() ? m_form->focusWidget() : m_form;
    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == receiver && !key->isAutoRepeat())
        Q_EMIT keyReleased(m_form->objectName(), KeyCodes::virtualKey(key->key()),
                           KeyCodes::shiftState(key->modifiers()));
    return false;
}

} // namespace klvutils
