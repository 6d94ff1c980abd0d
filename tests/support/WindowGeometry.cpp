#include "WindowGeometry.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QTabBar>
#include <QToolButton>
#include <QWidget>

#include <cmath>

namespace {

QString describe(const QWidget* w)
{
    const QString name = w->objectName().isEmpty() ? QStringLiteral("(unnamed)") : w->objectName();
    const QRect r = w->geometry();
    return QStringLiteral("%1 %2 at %3,%4 %5x%6")
        .arg(QString::fromLatin1(w->metaObject()->className()), name)
        .arg(r.x())
        .arg(r.y())
        .arg(r.width())
        .arg(r.height());
}

// Widgets whose children are parts of them, not panes of the window.
bool isLeaf(const QWidget* w)
{
    return qobject_cast<const QAbstractScrollArea*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QLineEdit*>(w) ||
           qobject_cast<const QTabBar*>(w);
}

// A label or a button narrower than its text: what it says cannot be read. The lines of a
// status bar are cut with an ellipsis on purpose.
int neededWidth(const QWidget* w)
{
    if (const auto* label = qobject_cast<const QLabel*>(w))
        return label->text().isEmpty() || label->wordWrap() ? 0 : label->minimumSizeHint().width();
    if (qobject_cast<const QPushButton*>(w) || qobject_cast<const QToolButton*>(w)) {
        // A push button's text, not the style's least button width ("..." buttons are small).
        QString text = static_cast<const QAbstractButton*>(w)->text();
        text.remove(u'&');
        return text.isEmpty() ? 0 : w->fontMetrics().horizontalAdvance(text);
    }
    if (qobject_cast<const QAbstractButton*>(w))
        return w->minimumSizeHint().width(); // the box or circle and the text
    return 0;
}

bool isCut(const QWidget* w)
{
    const int needed = neededWidth(w);
    if (needed == 0 || w->width() >= needed)
        return false;
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
        if (qobject_cast<const QStatusBar*>(p))
            return false;
    }
    return true;
}

void check(const QWidget* parent, QStringList& faults)
{
    QList<const QWidget*> shown;
    for (const QObject* object : parent->children()) {
        const auto* child = qobject_cast<const QWidget*>(object);
        if (!child || child->isWindow() || !child->isVisible())
            continue;
        shown.append(child);
        const QRect r = child->geometry();
        if (r.isEmpty())
            faults.append(describe(child) + QStringLiteral(" has no room in ") + describe(parent));
        else if (!QRect(QPoint(0, 0), parent->size()).contains(r))
            faults.append(describe(child) + QStringLiteral(" reaches out of ") + describe(parent));
        else if (isCut(child))
            faults.append(describe(child) + QStringLiteral(" is cut: it needs a width of ") +
                          QString::number(neededWidth(child)));
    }
    for (qsizetype i = 0; i < shown.size(); ++i) {
        for (qsizetype j = i + 1; j < shown.size(); ++j) {
            if (shown[i]->geometry().intersects(shown[j]->geometry()))
                faults.append(describe(shown[i]) + QStringLiteral(" overlaps ") + describe(shown[j]));
        }
    }
    for (const QWidget* child : std::as_const(shown)) {
        if (!isLeaf(child))
            check(child, faults);
    }
}

// The columns of a list whose header text does not fit: a column the program sized cuts its
// own header. The room is the section's label as the style lays it out, with the sort indicator
// where a click on the header sorts.
void checkHeaders(const QWidget* window, QStringList& faults)
{
    const QList<QHeaderView*> headers = window->findChildren<QHeaderView*>();
    for (const QHeaderView* header : headers) {
        const QAbstractItemModel* model = header->model();
        if (!model || !header->isVisible() || header->orientation() != Qt::Horizontal)
            continue;
        for (int c = 0; c < header->count(); ++c) {
            if (header->isSectionHidden(c) || header->sectionSize(c) == 0)
                continue;
            QStyleOptionHeader option;
            option.initFrom(header);
            option.section = c;
            option.text = model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
            option.sortIndicator = header->sectionsClickable() || header->isSortIndicatorShown()
                                       ? QStyleOptionHeader::SortUp
                                       : QStyleOptionHeader::None;
            option.rect = QRect(0, 0, header->sectionSize(c), std::max(header->height(), 20));
            const int room = header->style()->subElementRect(QStyle::SE_HeaderLabel, &option, header).width();
            const int needed = int(std::ceil(QFontMetricsF(header->font()).horizontalAdvance(option.text)));
            if (room < needed)
                faults.append(describe(header->parentWidget()) + QStringLiteral(" cuts the header \"") + option.text +
                              QStringLiteral("\": it needs %1 pixels, it has %2").arg(needed).arg(room));
        }
    }
}

void settle()
{
    // Layouts and splitters finish on posted events.
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

QWidget* frameOf(QWidget* window)
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget()))
        return sub;
    return window;
}

} // namespace

namespace WindowGeometry {

QStringList problems(const QWidget* window)
{
    QStringList faults;
    if (window) {
        check(window, faults);
        checkHeaders(window, faults);
    }
    return faults;
}

QSize smallestSize(const QWidget* window)
{
    return window->minimumSize().expandedTo(window->minimumSizeHint()).expandedTo(QSize(1, 1));
}

QStringList problemsAtMinimumAndSize(QWidget* window, const QSize& size)
{
    QWidget* frame = frameOf(window);
    if (frame != window)
        frame->showNormal();
    else
        frame->show();
    QStringList faults;
    const QSize smallest = smallestSize(frame);
    frame->resize(smallest);
    settle();
    for (const QString& fault : problems(frame))
        faults.append(QStringLiteral("at %1x%2: ").arg(smallest.width()).arg(smallest.height()) + fault);
    frame->resize(size);
    settle();
    for (const QString& fault : problems(frame))
        faults.append(QStringLiteral("at %1x%2: ").arg(size.width()).arg(size.height()) + fault);
    return faults;
}

} // namespace WindowGeometry
