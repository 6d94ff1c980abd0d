#include "PlainTextGuard.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QPointer>

namespace {

QPointer<PlainTextGuard> installed;

void makePlain(QWidget* widget)
{
    auto* label = qobject_cast<QLabel*>(widget);
    if (label && label->textFormat() == Qt::AutoText)
        label->setTextFormat(Qt::PlainText);
}

} // namespace

PlainTextGuard::PlainTextGuard(QObject* parent) : QObject(parent) {}

void PlainTextGuard::Install()
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app || installed)
        return;
    installed = new PlainTextGuard(app);
    app->installEventFilter(installed);
    const QList<QWidget*> widgets = QApplication::allWidgets();
    for (QWidget* widget : widgets)
        makePlain(widget);
}

bool PlainTextGuard::IsInstalled()
{
    return !installed.isNull();
}

bool PlainTextGuard::eventFilter(QObject* watched, QEvent* event)
{
    // A label asked for its size is polished first, so no markup is taken apart before this.
    if (event->type() == QEvent::Polish && watched->isWidgetType())
        makePlain(static_cast<QWidget*>(watched));
    return false;
}
