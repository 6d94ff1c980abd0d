#include "QueryPaneSizes.h"

#include "LayoutStore.h"
#include "NumberText.h"
#include "PaneSplitter.h"
#include "Twips.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QStyle>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>

namespace {

// Calls back at the first key or mouse button the user presses anywhere in the program.
class FirstInputWatcher : public QObject
{
public:
    FirstInputWatcher(QObject* parent, std::function<void()> onInput) : QObject(parent), m_onInput(std::move(onInput))
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if ((type == QEvent::MouseButtonPress || type == QEvent::KeyPress) && event->spontaneous()) {
            qApp->removeEventFilter(this);
            // The callback may delete this watcher: nothing of it is used after the call.
            const std::function<void()> onInput = m_onInput;
            onInput();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_onInput;
};

} // namespace

QueryPaneSizes::QueryPaneSizes(QWidget* window, PaneSplitter* tablesAndFields, PaneSplitter* listsAndResults,
                               QWidget* tables, const QString& section)
    : QObject(window), m_window(window), m_tablesAndFields(tablesAndFields), m_listsAndResults(listsAndResults),
      m_tables(tables), m_section(section)
{
    window->installEventFilter(this);
    // A splitter the user moves is his: the stored sizes are not put back after that.
    for (QSplitter* splitter : {static_cast<QSplitter*>(tablesAndFields), static_cast<QSplitter*>(listsAndResults)})
        connect(splitter, &QSplitter::splitterMoved, this, [this] { settle(); });
}

void QueryPaneSizes::restore()
{
    // A stored whole number of twips; a missing setting or no number keeps none.
    const auto stored = [this](LayoutStore::WindowKey key) -> std::optional<qint32> {
        const QString text = LayoutStore::WindowValue(m_section, key);
        return NumberText::isNumber(text) ? NumberText::roundToInt32(NumberText::leadingValue(text)) : std::nullopt;
    };
    if (const auto w = stored(LayoutStore::WindowKey::TableListWidth); w && *w >= 1)
        m_width = readableWidth(*w);
    if (const auto h = stored(LayoutStore::WindowKey::TableListHeight); h && *h >= 1)
        m_height = *h;
}

void QueryPaneSizes::save() const
{
    const auto twips = [](double value) { return QString::number(std::lround(value)); };
    const QString width = m_applied ? twips(Twips::fromPixelsX(m_tables->width())) : QString::number(m_width);
    const QString height = m_applied ? twips(Twips::fromPixelsY(m_tables->height())) : QString::number(m_height);
    LayoutStore::SetWindowValue(m_section, LayoutStore::WindowKey::TableListWidth, width);
    LayoutStore::SetWindowValue(m_section, LayoutStore::WindowKey::TableListHeight, height);
}

void QueryPaneSizes::setTableListWidth(int twips)
{
    if (twips < 1)
        return; // the splitter shares a change of the width half and half
    m_width = readableWidth(twips);
    if (m_window->isVisible())
        m_tablesAndFields->setFirstSize(Twips::toPixelsX(twips));
}

void QueryPaneSizes::setTableListHeight(int twips)
{
    if (twips < 1)
        return; // the result list takes a change of the height
    m_height = twips;
    if (m_window->isVisible())
        m_listsAndResults->setFirstSize(Twips::toPixelsY(twips));
}

void QueryPaneSizes::apply()
{
    if (!m_window->isVisible())
        return;
    const auto half = [](const PaneSplitter* splitter) {
        const QList<int> sizes = splitter->sizes();
        return (sizes.value(0) + sizes.value(1)) / 2;
    };
    m_tablesAndFields->setFirstSize(m_width >= 1 ? Twips::toPixelsX(m_width) : half(m_tablesAndFields));
    m_listsAndResults->setFirstSize(m_height >= 1 ? Twips::toPixelsY(m_height) : half(m_listsAndResults));
    m_applied = true;
}

void QueryPaneSizes::settle()
{
    m_settled = true;
    if (m_firstInput) {
        m_firstInput->deleteLater();
        m_firstInput = nullptr;
    }
}

void QueryPaneSizes::keepMinimums(QWidget* fields, QWidget* results, QWidget* data)
{
    m_fields = fields;
    m_results = results;
    m_data = data;
    data->installEventFilter(this);
    applyMinimums();
}

int QueryPaneSizes::readableWidth(int twips) const
{
    // A width stored while the window was squeezed (a window closed at its smallest) would
    // open the list as narrow again: it is never read as less than the list's least width.
    const int least = int(std::ceil(Twips::fromPixelsX(m_tables->minimumWidth())));
    return std::max(twips, least);
}

void QueryPaneSizes::applyMinimums()
{
    const QFontMetrics form(m_window->font());
    const QFontMetrics data(m_data->font());
    const int row = data.height() + 4;
    const int header = form.height() + 8;
    // The upper lists stay readable, each at the window's least size too: a name of some
    // length in the lists' font beside the vertical scroll bar. A shrinking window shares
    // its change between them, so the one that was narrow before stops here.
    const int scrollBar = m_window->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_data);
    const int readable = ReadableChars * data.averageCharWidth() + scrollBar;
    for (QWidget* list : {m_tables, m_fields})
        list->setMinimumSize(readable, header + 2 * row);
    m_results->setMinimumSize(10 * form.averageCharWidth(), header + 3 * row);
}

bool QueryPaneSizes::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FontChange && m_data && (watched == m_window || watched == m_data))
        applyMinimums();
    if (watched != m_window || m_settled)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::Show) {
        apply();
        // The stored sizes hold until the user first touches the program: whatever sizes the
        // frame gets until then is part of opening the window.
        if (!m_firstInput)
            m_firstInput = new FirstInputWatcher(this, [this] { settle(); });
    } else if (event->type() == QEvent::Resize) {
        apply();
    }
    return QObject::eventFilter(watched, event);
}
