#include "FormSupport.h"

#include "MainModul.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QWidget>

using namespace Qt::StringLiterals;

QWidget* FormSupport::mainForm()
{
    return App().MainForm;
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

QPushButton* FormSupport::helpButton(QWidget* window, int helpTopicMessage)
{
    auto* help = new QPushButton(u"47"_s, window);
    help->setObjectName(u"HilfeButton"_s);
    QObject::connect(help, &QPushButton::clicked, window,
                     [helpTopicMessage] { MainModul::ShowHelpTopic(MainModul::GetMessageTextByNr(helpTopicMessage)); });
    return help;
}

bool FormSupport::helpOrHardcopyKeyIn(QWidget* window, QObject* watched, QEvent* event, int helpTopicMessage)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* control = qobject_cast<QWidget*>(watched);
    return control && (control == window || window->isAncestorOf(control)) &&
           helpOrHardcopyKey(window, static_cast<QKeyEvent*>(event), helpTopicMessage);
}

QMenu* FormSupport::mainMenu(const QString& name)
{
    QWidget* main = mainForm();
    return main ? main->findChild<QMenu*>(name) : nullptr;
}

void FormSupport::setMainEntryEnabled(const QString& name, bool enabled)
{
    QWidget* main = mainForm();
    if (!main)
        return;
    if (QMenu* menu = main->findChild<QMenu*>(name)) {
        menu->menuAction()->setEnabled(enabled);
        return;
    }
    const QList<QAction*> actions = main->findChildren<QAction*>(name);
    for (QAction* a : actions)
        a->setEnabled(enabled);
}

void FormSupport::setMousePointer(int pointer)
{
    if (QWidget* main = mainForm())
        main->setProperty("MousePointer", pointer);
}
