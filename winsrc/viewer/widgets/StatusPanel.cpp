#include "StatusPanel.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

using namespace Qt::StringLiterals;

StatusPanel::StatusPanel(bool fitted, QWidget* parent) : QLabel(parent), m_fitted(fitted)
{
    setTextFormat(Qt::PlainText);
    setContentsMargins(2, 0, 10, 0);
    setSizePolicy(fitted ? QSizePolicy::Preferred : QSizePolicy::Ignored, QSizePolicy::Fixed);
}

QString StatusPanel::firstLine() const
{
    const QString t = text();
    const qsizetype end = t.indexOf(QRegularExpression(u"[\r\n]"_s));
    // More lines than one show as the first with an ellipsis: the click shows them all.
    return end < 0 ? t : t.left(end) + QChar(0x2026);
}

QString StatusPanel::shownText() const
{
    return fontMetrics().elidedText(firstLine(), Qt::ElideRight, std::max(0, contentsRect().width()));
}

QSize StatusPanel::sizeHint() const
{
    const QMargins m = contentsMargins();
    const int height = fontMetrics().height() + 2;
    if (!m_fitted)
        return QSize(m.left() + m.right(), height);
    // One pixel more than the rounded advance, so that the text is never cut for a fraction.
    return QSize(fontMetrics().horizontalAdvance(firstLine()) + 1 + m.left() + m.right(), height);
}

QSize StatusPanel::minimumSizeHint() const
{
    const QMargins m = contentsMargins();
    return QSize(m.left() + m.right(), fontMetrics().height() + 2);
}

void StatusPanel::paintEvent(QPaintEvent*)
{
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

bool StatusPanel::event(QEvent* event)
{
    // The whole text, however long, is a tool tip away.
    if (event->type() == QEvent::ToolTip)
        setToolTip(text() == shownText() ? QString() : text());
    return QLabel::event(event);
}
