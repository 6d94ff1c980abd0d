#include "HeadedSplitter.h"

#include <QEvent>
#include <QSplitter>
#include <QSplitterHandle>
#include <QVBoxLayout>

#include <algorithm>

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
    m_headings->installEventFilter(this);
}

void HeadedSplitter::addPane(QWidget* heading, QWidget* pane, int stretch)
{
    // The heading follows its pane, and the pane is never narrower than its heading's text
    // (updateMinimums).
    heading->setMinimumWidth(1);
    m_paneMinimums.append(pane->minimumWidth());
    m_headings->addWidget(heading);
    m_panes->addWidget(pane);
    const int index = m_panes->count() - 1;
    m_headings->setStretchFactor(index, stretch);
    m_panes->setStretchFactor(index, stretch);
    // Only the panes' bar is dragged; the headings' one follows it.
    if (index > 0)
        m_headings->handle(index)->setEnabled(false);
    pane->installEventFilter(this);
    heading->installEventFilter(this);
    updateMinimums();
    scheduleAlign();
}

void HeadedSplitter::updateMinimums()
{
    for (int i = 0; i < m_panes->count() && i < m_headings->count(); ++i) {
        // What a heading needs: a label its text, a row of controls their least widths.
        const int least = m_headings->widget(i)->minimumSizeHint().width();
        m_panes->widget(i)->setMinimumWidth(std::max(m_paneMinimums.value(i), least));
    }
}

bool HeadedSplitter::eventFilter(QObject* watched, QEvent* event)
{
    // A heading whose text changed may need more room.
    if ((event->type() == QEvent::LayoutRequest || event->type() == QEvent::FontChange) && watched != m_panes)
        QMetaObject::invokeMethod(
            this, [this] { updateMinimums(); }, Qt::QueuedConnection);
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
