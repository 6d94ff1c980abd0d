#include "StatusPanel.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>

#include <algorithm>

using namespace Qt::StringLiterals;

StatusPanel::StatusPanel(bool fitted, QWidget* parent)
    : QLabel(parent), m_fitted(fitted), m_labelTimer(new QTimer(this)), m_paintTimer(new QTimer(this))
{
    setTextFormat(Qt::PlainText);
    setContentsMargins(2, 0, 10, 0);
    setSizePolicy(fitted ? QSizePolicy::Preferred : QSizePolicy::Ignored, QSizePolicy::Fixed);
    m_labelTimer->setSingleShot(true);
    m_labelTimer->setInterval(LabelDelay);
    connect(m_labelTimer, &QTimer::timeout, this, &StatusPanel::updateLabel);
    m_paintTimer->setSingleShot(true);
    connect(m_paintTimer, &QTimer::timeout, this, qOverload<>(&QWidget::update));
}

QString StatusPanel::text() const
{
    // A text set through QLabel is the panel's text.
    const QString label = QLabel::text();
    if (label.constData() != m_labelText.constData() || label.size() != m_labelText.size()) {
        if (label != m_labelText)
            m_text = label;
        m_labelText = label;
    }
    return m_text;
}

void StatusPanel::setText(const QString& text)
{
    if (text == this->text())
        return;
    const QSize before = sizeHint();
    m_text = text;
    if (isVisible() && sizeHint() == before) {
        // The room stays as it was: nothing for the bar to lay out.
        const qint64 since = m_sincePainted.isValid() ? m_sincePainted.elapsed() : PaintInterval;
        if (since >= PaintInterval)
            update();
        else if (!m_paintTimer->isActive())
            m_paintTimer->start(int(PaintInterval - since));
        if (!m_labelTimer->isActive())
            m_labelTimer->start();
        return;
    }
    m_labelTimer->stop();
    updateLabel();
}

void StatusPanel::updateLabel()
{
    if (m_labelText == m_text)
        return;
    m_labelText = m_text;
    QLabel::setText(m_text);
}

void StatusPanel::updateLine() const
{
    const QString t = text();
    // Compared by value only when the text was set anew (a copy shares its data).
    if (m_lineValid && t.constData() == m_lineOf.constData() && t.size() == m_lineOf.size())
        return;
    m_lineOf = t;
    m_lineValid = true;
    qsizetype end = -1;
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (t[i] == u'\r' || t[i] == u'\n') {
            end = i;
            break;
        }
    }
    // More lines than one show as the first with an ellipsis: the click shows them all.
    m_line = end < 0 ? t : t.left(end) + QChar(0x2026);
    // One pixel more than the rounded advance, so that the text is never cut for a fraction.
    m_lineWidth = fontMetrics().horizontalAdvance(m_line) + 1;
    m_shownFor = -1;
}

QString StatusPanel::shownText() const
{
    updateLine();
    const int width = std::max(0, contentsRect().width());
    if (width != m_shownFor) {
        // A line narrower than the panel by its advance's rounding is whole: no need to measure
        // it again.
        m_shown = m_lineWidth <= width ? m_line : fontMetrics().elidedText(m_line, Qt::ElideRight, width);
        m_shownFor = width;
    }
    return m_shown;
}

QSize StatusPanel::sizeHint() const
{
    const QMargins m = contentsMargins();
    const int height = fontMetrics().height() + 2;
    if (!m_fitted)
        return QSize(m.left() + m.right(), height);
    updateLine();
    return QSize(m_lineWidth + m.left() + m.right(), height);
}

QSize StatusPanel::minimumSizeHint() const
{
    const QMargins m = contentsMargins();
    return QSize(m.left() + m.right(), fontMetrics().height() + 2);
}

void StatusPanel::paintEvent(QPaintEvent*)
{
    m_sincePainted.start();
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    style()->drawItemText(&painter, contentsRect(), int(Qt::AlignLeft | Qt::AlignVCenter), option.palette, isEnabled(),
                          shownText(), foregroundRole());
}

void StatusPanel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        Q_EMIT clicked();
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void StatusPanel::changeEvent(QEvent* event)
{
    // Widths follow the font.
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        m_lineValid = false;
    QLabel::changeEvent(event);
}

bool StatusPanel::event(QEvent* event)
{
    // The whole text, however long, is a tool tip away.
    if (event->type() == QEvent::ToolTip)
        setToolTip(text() == shownText() ? QString() : text());
    return QLabel::event(event);
}
