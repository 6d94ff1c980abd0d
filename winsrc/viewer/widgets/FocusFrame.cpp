#include "FocusFrame.h"

#include "ReadableColour.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QEvent>
#include <QPainter>
#include <QScrollBar>

void FocusFrame::install(QAbstractItemView* view)
{
    if (view && !view->findChild<FocusFrame*>(QString(), Qt::FindDirectChildrenOnly))
        new FocusFrame(view);
}

FocusFrame::FocusFrame(QAbstractItemView* view) : QObject(view), m_view(view), m_viewport(view->viewport())
{
    view->installEventFilter(this);
    m_viewport->installEventFilter(this);
    // Scrolling moves what was painted: the frame is painted anew at the edges.
    for (QScrollBar* bar : {view->horizontalScrollBar(), view->verticalScrollBar()}) {
        connect(bar, &QScrollBar::valueChanged, this, [this] {
            if (m_view->hasFocus() && m_viewport)
                m_viewport->update();
        });
    }
}

bool FocusFrame::eventFilter(QObject* watched, QEvent* event)
{
    // Events come while the view is taken down too, when it is a view no longer: only what
    // it is as a widget is looked at.
    if (watched == m_view && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        if (m_viewport)
            m_viewport->update();
    } else if (watched == m_viewport && event->type() == QEvent::Paint && !m_painting) {
        // The rows first, as the view paints them, then the frame over them.
        m_painting = true;
        QCoreApplication::sendEvent(watched, event);
        m_painting = false;
        if (m_view->hasFocus())
            paint();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void FocusFrame::paint()
{
    QWidget* viewport = m_viewport;
    const QPalette& palette = m_view->palette();
    // A component needs less contrast than text to be seen.
    constexpr double Seen = 3.0;
    const QColor colour = ReadableColour::On(palette.color(QPalette::Highlight), palette.color(QPalette::Base), Seen);
    QPainter painter(viewport);
    const QRect all = viewport->rect();
    painter.fillRect(QRect(all.left(), all.top(), all.width(), Width), colour);
    painter.fillRect(QRect(all.left(), all.bottom() - Width + 1, all.width(), Width), colour);
    painter.fillRect(QRect(all.left(), all.top(), Width, all.height()), colour);
    painter.fillRect(QRect(all.right() - Width + 1, all.top(), Width, all.height()), colour);
}
