#include "FormSupport.h"

#include "MainModul.h"

#include <QKeyEvent>
#include <QWidget>

using namespace Qt::StringLiterals;

QWidget* FormSupport::mainForm()
{
    return MainModul::MainForm;
}

bool FormSupport::saveWindowState()
{
    return MainModul::ViewerFlag(u"SaveWindowState"_s, ViewerConfig::Key::SaveWindowState);
}

void FormSupport::watchKeys(QWidget* window)
{
    window->installEventFilter(window);
    const QList<QWidget*> children = window->findChildren<QWidget*>();
    for (QWidget* child : children)
        child->installEventFilter(window);
}

Qt::KeyboardModifiers FormSupport::shiftState(const QKeyEvent* event)
{
    return event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
}

bool FormSupport::helpOrHardcopyKey(QWidget* window, const QKeyEvent* event, int helpTopicMessage)
{
    switch (event->key()) {
    case Qt::Key_F1:
        MainModul::ShowHelpTopic(MainModul::GetMessageTextByNr(helpTopicMessage));
        return true;
    case Qt::Key_Print:
        if (shiftState(event) != (Qt::ControlModifier | Qt::AltModifier))
            return false;
        MainModul::PrintFormHardcopy(window);
        return true;
    default:
        return false;
    }
}
