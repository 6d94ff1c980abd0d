#include "HeadedSplitter.h"

#include <QEvent>
#include <QSplitter>
#include <QSplitterHandle>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

HeadedSplitter::HeadedSplitter(QWidget* parent) : QWidget(parent)
{
    m_headings = new QSplitter(Qt::Horizontal, this);
    m_headings->setObjectName(u"HeadingSplit"_s);
    m_headings->setChildrenCollapsible(false);
    m_headings->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_panes = new QSplitter(Qt::Horizontal, this);
    m_panes->setObjectName(u"VSplit"_s);
    m_panes->setChildrenCollapsible(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_headings);
    layout->addWidget(m_panes, 1);

    connect(m_panes, &QSplitter::splitterMoved, this, [this] { align(); });
    m_panes->installEventFilter(this);
}

void HeadedSplitter::addPane(QWidget* heading, QWidget* pane, int stretch)
{
    // A heading never holds its pane wider than the user drags it.
    heading->setMinimumWidth(1);
    m_headings->addWidget(heading);
    m_panes->addWidget(pane);
    const int index = m_panes->count() - 1;
    m_headings->setStretchFactor(index, stretch);
    m_panes->setStretchFactor(index, stretch);
    // Only the panes' bar is dragged; the headings' one follows it.
    if (index > 0)
        m_headings->handle(index)->setEnabled(false);
    pane->installEventFilter(this);
    scheduleAlign();
}

bool HeadedSplitter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize) {
        // A pane is resized once the splitter has shared out its new width.
        if (watched != m_panes)
            align();
        scheduleAlign();
    }
    return QWidget::eventFilter(watched, event);
}

void HeadedSplitter::scheduleAlign()
{
    if (m_alignPending)
        return;
    m_alignPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_alignPending = false;
            align();
        },
        Qt::QueuedConnection);
}

void HeadedSplitter::align()
{
    if (m_headings->handleWidth() != m_panes->handleWidth())
        m_headings->setHandleWidth(m_panes->handleWidth());
    const QList<int> sizes = m_panes->sizes();
    if (m_headings->sizes() != sizes)
        m_headings->setSizes(sizes);
}
