#include "LayoutStore.h"

#include "AppContext.h"
#include "KLVQueryFieldMetaData.h"
#include "KLVTools.h"
#include "ListViewHelpers.h"
#include "NumberText.h"
#include "Twips.h"
#include "ViewerConfig.h"

#include <QAbstractItemView>
#include <QAction>
#include <QEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QRegion>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QTableView>
#include <QTreeView>
#include <QTreeWidget>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

QString readSetting(const QString& section, const QString& key)
{
    return ViewerConfig::getRaw(section, key);
}

void writeSetting(const QString& section, const QString& key, const QString& value)
{
    ViewerConfig::setRaw(section, key, value);
}

using WindowKey = LayoutStore::WindowKey;

QString keyName(WindowKey key)
{
    return LayoutStore::WindowKeyName(key);
}

QString columnWidthKey(const QAbstractItemView* view, int column)
{
    return LayoutStore::ListViewTag(view) + u".Col"_s + QString::number(column) + u".Width"_s;
}

double readNumber(const QString& section, const QString& key, double fallback)
{
    return NumberText::parseStored(readSetting(section, key), fallback);
}

QString wholeNumber(double value)
{
    return QString::number(std::llround(value));
}

// An MDI child lives in its sub-window: that is what is placed and sized.
bool isDecoratedByDefault(const QWidget* w)
{
    const Qt::WindowFlags flags = w->windowFlags();
    if (flags & Qt::CustomizeWindowHint)
        return false;
    const Qt::WindowType type = w->windowType();
    return type == Qt::Window || type == Qt::SubWindow;
}

bool hasMaxButton(const QWidget* w)
{
    return (w->windowFlags() & Qt::WindowMaximizeButtonHint) || isDecoratedByDefault(w);
}

bool hasMinButton(const QWidget* w)
{
    return (w->windowFlags() & Qt::WindowMinimizeButtonHint) || isDecoratedByDefault(w);
}

bool isSizable(const QWidget* w)
{
    return w->minimumSize() != w->maximumSize();
}

int stateNumber(const QWidget* w)
{
    if (w->isMinimized())
        return 1;
    if (w->isMaximized())
        return 2;
    return 0;
}

Qt::WindowStates statesFromNumber(Qt::WindowStates current, int number)
{
    current &= ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
    if (number == 1)
        current |= Qt::WindowMinimized;
    else if (number == 2)
        current |= Qt::WindowMaximized;
    return current;
}

const char* const NormalGeometryProperty = "NormalGeometry";

// The place and size a window keeps in the normal state.
QRect normalRect(const QWidget* w)
{
    if (w->isWindow() && (w->isMinimized() || w->isMaximized()) && !w->normalGeometry().isEmpty())
        return w->normalGeometry();
    if (!w->isWindow() && (w->isMinimized() || w->isMaximized())) {
        const QRect kept = w->property(NormalGeometryProperty).toRect();
        if (kept.isValid())
            return kept;
    }
    return w->isWindow() ? QRect(w->pos(), w->size()) : w->geometry();
}

QList<QRect> areasFor(const QWidget* w)
{
    QList<QRect> areas;
    if (auto* sub = qobject_cast<const QMdiSubWindow*>(w)) {
        if (QMdiArea* area = sub->mdiArea()) {
            areas.append(QRect(QPoint(0, 0), area->viewport()->size()));
            return areas;
        }
    }
    if (!w->isWindow() && w->parentWidget()) {
        areas.append(QRect(QPoint(0, 0), w->parentWidget()->size()));
        return areas;
    }
    for (const QScreen* screen : QGuiApplication::screens())
        areas.append(screen->availableGeometry());
    return areas;
}

void saveControl(const QString& section, const QString& name, const QRect& r, bool whole)
{
    auto text = [whole](double v) { return whole ? wholeNumber(v) : NumberText::singleText(v); };
    writeSetting(section, name + u"Left"_s, text(Twips::fromPixelsX(r.x())));
    writeSetting(section, name + u"Top"_s, text(Twips::fromPixelsY(r.y())));
    writeSetting(section, name + u"Width"_s, text(Twips::fromPixelsX(r.width())));
    writeSetting(section, name + u"Height"_s, text(Twips::fromPixelsY(r.height())));
}

// A control keeps its stored place and size only where nothing else lays it out: inside a
// splitter its stored extent along the splitter becomes its share of the splitter, inside a
// layout the layout decides, and only a free-standing control is placed as stored.
void loadControl(QWidget* control, const QString& section, const QString& name)
{
    const QRect r = control->geometry();
    const double width = readNumber(section, name + u"Width"_s, Twips::fromPixelsX(r.width()));
    const double height = readNumber(section, name + u"Height"_s, Twips::fromPixelsY(r.height()));
    QWidget* parent = control->parentWidget();
    if (auto* splitter = qobject_cast<QSplitter*>(parent)) {
        const int index = splitter->indexOf(control);
        QList<int> sizes = splitter->sizes();
        if (index < 0 || index >= sizes.size())
            return;
        const bool horizontal = splitter->orientation() == Qt::Horizontal;
        // No pane goes below its minimum: a stored size that would leave this one or the
        // others below theirs (a window closed at its smallest, then opened large, or the
        // other way round) is enlarged or cut to what leaves every pane its own.
        const auto leastOf = [horizontal](const QWidget* pane) {
            const int given = horizontal ? pane->minimumWidth() : pane->minimumHeight();
            const QSize hint = pane->minimumSizeHint();
            return given > 0 ? given : std::max(0, horizontal ? hint.width() : hint.height());
        };
        int total = 0;
        int othersLeast = 0;
        for (int i = 0; i < sizes.size(); ++i) {
            total += sizes[i];
            othersLeast += i == index ? 0 : leastOf(splitter->widget(i));
        }
        const int least = leastOf(control);
        const int stored = horizontal ? Twips::toPixelsX(width) : Twips::toPixelsY(height);
        const int wanted =
            total > 0 ? std::clamp(stored, least, std::max(least, total - othersLeast)) : std::max(least, stored);
        // The splitter shares out any difference to its total by weight, so the others give
        // up (or take) the change between them to keep the stored size exact.
        int others = 0;
        for (int i = 0; i < sizes.size(); ++i)
            others += i == index ? 0 : sizes[i];
        const int room = std::max(0, others - (wanted - sizes[index]));
        for (int i = 0; i < sizes.size(); ++i) {
            if (i != index)
                sizes[i] = others > 0 ? int(qint64(sizes[i]) * room / others) : room / int(sizes.size() - 1);
        }
        sizes[index] = wanted;
        splitter->setSizes(sizes);
        return;
    }
    if (parent && parent->layout() && parent->layout()->indexOf(control) >= 0)
        return;
    const double left = readNumber(section, name + u"Left"_s, Twips::fromPixelsX(r.x()));
    const double top = readNumber(section, name + u"Top"_s, Twips::fromPixelsY(r.y()));
    control->setGeometry(Twips::toPixelsX(left), Twips::toPixelsY(top), Twips::toPixelsX(width),
                         Twips::toPixelsY(height));
}

// Keeps a child window's place in the normal state in its property.
class NormalGeometryKeeper : public QObject
{
public:
    static constexpr const char16_t* Name = u"NormalGeometryKeeper";

    explicit NormalGeometryKeeper(QWidget* window) : QObject(window)
    {
        setObjectName(QString::fromUtf16(Name));
        window->installEventFilter(this);
        take(window);
    }

    static void take(QWidget* w)
    {
        if (!w->isMinimized() && !w->isMaximized())
            w->setProperty(NormalGeometryProperty, w->geometry());
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Move || event->type() == QEvent::Resize)
            take(static_cast<QWidget*>(watched));
        return QObject::eventFilter(watched, event);
    }
};

// The area that holds most of the window, else the one nearest to it (areas is not empty).
const QRect& bestArea(const QRect& frame, const QList<QRect>& areas)
{
    const QRect* best = &areas.first();
    qint64 bestOverlap = -1;
    qint64 bestDistance = -1;
    for (const QRect& area : areas) {
        const QRect overlap = frame & area;
        const qint64 size = overlap.isEmpty() ? 0 : qint64(overlap.width()) * overlap.height();
        const QPoint d = area.center() - frame.center();
        const qint64 distance = qint64(d.x()) * d.x() + qint64(d.y()) * d.y();
        if (size > bestOverlap || (size == bestOverlap && size == 0 && distance < bestDistance)) {
            best = &area;
            bestOverlap = size;
            bestDistance = distance;
        }
    }
    return *best;
}

// What the window manager adds around a window: known once the window has shown, before that
// a border and title bar as large as desktops draw them, so that a window placed wholly on the
// screen stays on it when it gets them.
QSize borderOf(const QWidget* w)
{
    if (!w->isWindow())
        return QSize(0, 0);
    const QSize known = (w->frameGeometry().size() - w->size()).expandedTo(QSize(0, 0));
    if (!known.isEmpty() || (w->windowFlags() & Qt::FramelessWindowHint))
        return known;
    constexpr int Edge = 4;
    const int titleBar = std::max(w->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, w), 30);
    return QSize(2 * Edge, titleBar + 2 * Edge);
}

// A stored place or size in pixels; a number far beyond any screen is cut to one that still
// is (and that the arithmetic of places can take).
int storedPixels(double twips, bool horizontal)
{
    constexpr double Far = 1.0e6;
    const double pixels = twips / (horizontal ? Twips::perPixelX() : Twips::perPixelY());
    return int(std::lround(std::clamp(pixels, -Far, Far)));
}

// Column entry number of a header key "K12" (0 when the key is no entry key).
int entryOfKey(const QString& key)
{
    if (key.size() < 2)
        return 0;
    const std::optional<qint32> n = NumberText::roundToInt32(NumberText::leadingValue(key.mid(1)));
    return n ? *n : 0;
}

} // namespace

QString LayoutStore::ListViewTag(const QAbstractItemView* view)
{
    const QString tag = view->property("Tag").toString();
    return tag.isEmpty() ? view->objectName() : tag;
}

QHeaderView* LayoutStore::HeaderOf(const QAbstractItemView* view)
{
    if (auto* tree = qobject_cast<const QTreeView*>(view))
        return tree->header();
    if (auto* table = qobject_cast<const QTableView*>(view))
        return table->horizontalHeader();
    return nullptr;
}

QString LayoutStore::ColumnKey(const QAbstractItemView* view, int column)
{
    if (!view->model())
        return QString();
    return view->model()->headerData(column, Qt::Horizontal, ColumnKeyRole).toString();
}

QWidget* LayoutStore::WindowOf(QWidget* form)
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(form->parentWidget()))
        return sub;
    return form;
}

void LayoutStore::SaveFormPosition(QWidget* form, const QString& section, const QList<QWidget*>& controls)
{
    if (!form)
        return;
    QWidget* w = WindowOf(form);
    const QRect r = normalRect(w);
    if (hasMaxButton(w) || isSizable(w)) {
        writeSetting(section, keyName(WindowKey::WindowState), QString::number(stateNumber(w)));
        writeSetting(section, keyName(WindowKey::WindowHeight), NumberText::singleText(Twips::fromPixelsY(r.height())));
        writeSetting(section, keyName(WindowKey::WindowWidth), NumberText::singleText(Twips::fromPixelsX(r.width())));
    }
    writeSetting(section, keyName(WindowKey::WindowLeft), NumberText::singleText(Twips::fromPixelsX(r.x())));
    writeSetting(section, keyName(WindowKey::WindowTop), NumberText::singleText(Twips::fromPixelsY(r.y())));
    for (QWidget* control : controls) {
        if (control)
            saveControl(section, control->objectName(), control->geometry(), false);
    }
}

void LayoutStore::TrackNormalGeometry(QWidget* subWindow)
{
    if (!subWindow)
        return;
    // A window not shown yet gets its move and resize events only when it is shown: its
    // present place is taken now.
    if (subWindow->findChild<QObject*>(QString::fromUtf16(NormalGeometryKeeper::Name), Qt::FindDirectChildrenOnly))
        NormalGeometryKeeper::take(subWindow);
    else
        new NormalGeometryKeeper(subWindow);
}

void LayoutStore::LoadFormPosition(QWidget* form, const QString& section, const QList<QWidget*>& controls)
{
    if (!form)
        return;
    QWidget* w = WindowOf(form);
    const bool bothButtons = hasMinButton(w) && hasMaxButton(w);
    if (bothButtons)
        w->setWindowState(statesFromNumber(w->windowState(), 0));

    // A window is taken at its stored place (centred at its designed size when it has none)
    // where it lies wholly on the screen (in the frame) and is not below its least size;
    // otherwise it is moved and sized onto it.
    const QSize designed = w->size();
    const QSize border = borderOf(w);
    const double height = readNumber(section, keyName(WindowKey::WindowHeight), Twips::fromPixelsY(designed.height()));
    const double width = readNumber(section, keyName(WindowKey::WindowWidth), Twips::fromPixelsX(designed.width()));
    // A stored size that is none is the designed one.
    QSize size(storedPixels(width, true), storedPixels(height, false));
    if (size.width() <= 0)
        size.setWidth(designed.width());
    if (size.height() <= 0)
        size.setHeight(designed.height());

    const QList<QRect> areas = areasFor(w);
    const QRect home = areas.isEmpty() ? QRect(0, 0, 0, 0) : areas.first();
    // Centred with the border the window has, if it has one yet.
    const QSize frameSize =
        w->isWindow() ? size + (w->frameGeometry().size() - designed).expandedTo(QSize(0, 0)) : size;
    const double defaultLeft = Twips::fromPixelsX(home.x() + (home.width() - frameSize.width()) / 2);
    const double defaultTop = Twips::fromPixelsY(home.y() + (home.height() - frameSize.height()) / 2);
    const double left = readNumber(section, keyName(WindowKey::WindowLeft), defaultLeft);
    const double top = readNumber(section, keyName(WindowKey::WindowTop), defaultTop);
    const QPoint place(storedPixels(left, true), storedPixels(top, false));
    // The least size is what the window's layout needs, or the least size it was given.
    const QSize least = w->minimumSize().expandedTo(w->minimumSizeHint());
    const QRect onScreen = PlaceOnScreen(QRect(place, size + border), least + border, designed + border, areas);
    w->resize(onScreen.size() - border);
    w->move(onScreen.topLeft());

    if (bothButtons) {
        const double state = readNumber(section, keyName(WindowKey::WindowState), stateNumber(w));
        w->setWindowState(statesFromNumber(w->windowState(), int(state)));
    }
    for (QWidget* control : controls) {
        if (control)
            loadControl(control, section, control->objectName());
    }
}

void LayoutStore::SaveListViewColumns(QAbstractItemView* view, const QString& section, bool withPosition,
                                      ListViewColumnArray* columns)
{
    if (!view)
        return;
    const QString tag = ListViewTag(view);
    if (columns) {
        StoreListViewColumnWidths(view, *columns);
        for (qsizetype i = 1; i <= columns->size(); ++i) {
            const ListViewColumnProperty& entry = (*columns)[i - 1];
            const QString prefix = tag + u".Col"_s + QString::number(i);
            writeSetting(section, prefix + u".Width"_s, QString::number(entry.Width));
            writeSetting(section, prefix + u".Visible"_s, ViewerConfig::boolText(entry.Visible));
        }
    } else if (QHeaderView* header = HeaderOf(view)) {
        for (int c = 0; c < header->count(); ++c) {
            const QString key = ColumnKey(view, c);
            if (!key.isEmpty())
                writeSetting(section, key, wholeNumber(Twips::fromPixelsX(header->sectionSize(c))));
        }
    }
    if (withPosition)
        saveControl(section, view->objectName(), view->geometry(), true);
}

void LayoutStore::LoadListViewColumns(QAbstractItemView* view, const QString& section, bool withPosition,
                                      ListViewColumnArray* columns)
{
    if (!view)
        return;
    const QString tag = ListViewTag(view);
    if (columns) {
        for (qsizetype i = 1; i <= columns->size(); ++i) {
            ListViewColumnProperty& entry = (*columns)[i - 1];
            const QString prefix = tag + u".Col"_s + QString::number(i);
            const std::optional<qint32> width =
                NumberText::roundToInt32(readNumber(section, prefix + u".Width"_s, entry.Width));
            // A column shown at its default width is saved at its design (below), and that is
            // what it reads back as.
            if (width && *width >= 0 && *width != entry.Width) {
                entry.Width = *width;
                entry.WidthGiven = true;
            }
            entry.Visible = ViewerConfig::parseBool(readSetting(section, prefix + u".Visible"_s)).value_or(true);
        }
    } else if (QHeaderView* header = HeaderOf(view)) {
        for (int c = 0; c < header->count(); ++c) {
            const QString key = ColumnKey(view, c);
            if (key.isEmpty())
                continue;
            const double width = readNumber(section, key, Twips::fromPixelsX(header->sectionSize(c)));
            header->resizeSection(c, std::max(0, Twips::toPixelsX(width)));
        }
    }
    if (withPosition)
        loadControl(view, section, view->objectName());
}

void LayoutStore::InitListViewColumnProps(qint32 messageBase, ListViewColumnArray& columns)
{
    for (qsizetype i = 1; i <= columns.size(); ++i)
        columns[i - 1].Descr =
            App().MessageTexts.GetMessageTextByNr(messageBase + i, QString(u"Col "_s + QString::number(i)));
}

void LayoutStore::BuildListViewColumns(QTreeWidget* view, qint32 messageBase, ListViewColumnArray& columns,
                                       const QList<QSharedPointer<KLVQueryFieldMetaData>>& fieldMetaData,
                                       QMenu* captionMenu)
{
    if (!view)
        return;
    StoreListViewColumnWidths(view, columns);
    if (fieldMetaData.size() > columns.size()) {
        columns.resize(fieldMetaData.size());
        InitListViewColumnProps(messageBase, columns);
    }
    if (!columns.isEmpty())
        columns[0].Visible = true;

    struct Header
    {
        QString key;
        QString text;
        int width;
        bool given;
        bool right;
        KLVActiveX::KLV_DataType type;
    };
    QList<Header> headers;
    for (qsizetype i = 1; i <= columns.size(); ++i) {
        ListViewColumnProperty& entry = columns[i - 1];
        if (!entry.Visible)
            continue;
        if (!entry.FieldMetaData && i <= fieldMetaData.size())
            entry.FieldMetaData = fieldMetaData[i - 1];
        if (entry.Descr.isEmpty() && entry.FieldMetaData)
            entry.Descr = entry.FieldMetaData->Description();
        const bool right = i >= 2 && entry.FieldMetaData && IsNumericFieldType(entry.FieldMetaData->ERPType());
        // The column sorts as its field's type asks.
        const KLVActiveX::KLV_DataType type =
            entry.FieldMetaData ? KLVTools::DataTypeOf(entry.FieldMetaData->ERPType()) : KLVActiveX::klvString;
        headers.append(
            {u"K"_s + QString::number(i), entry.Descr, Twips::toPixelsX(entry.Width), entry.WidthGiven, right, type});
    }

    view->setColumnCount(int(headers.size()));
    QTreeWidgetItem* headerItem = view->headerItem();
    for (int c = 0; c < headers.size(); ++c) {
        const Header& h = headers[c];
        headerItem->setText(c, h.text);
        headerItem->setData(c, ColumnKeyRole, h.key);
        const Qt::Alignment align = (h.right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
        headerItem->setTextAlignment(c, align);
        ListViewHelpers::SetColumnDataType(view, c, h.type);
        if (h.given)
            view->header()->resizeSection(c, std::max(0, h.width));
        else
            ListViewHelpers::SetDefaultColumnWidth(view, c, h.width);
    }

    if (captionMenu) {
        QList<QAction*> actions = captionMenu->actions();
        for (int c = 0; c < headers.size(); ++c) {
            QAction* action = c < actions.size() ? actions[c] : captionMenu->addAction(QString());
            action->setText(headers[c].text);
            action->setData(c + 1);
            action->setVisible(true);
            action->setEnabled(true);
        }
        for (qsizetype c = headers.size(); c < actions.size(); ++c) {
            captionMenu->removeAction(actions[c]);
            if (actions[c]->parent() == captionMenu)
                delete actions[c];
        }
    }
}

void LayoutStore::StoreListViewColumnWidths(const QAbstractItemView* view, ListViewColumnArray& columns)
{
    const QHeaderView* header = view ? HeaderOf(view) : nullptr;
    if (!header)
        return;
    for (int c = 0; c < header->count(); ++c) {
        const int i = entryOfKey(ColumnKey(view, c));
        // A column at its default width keeps its design: it is not the user's choice.
        if (i >= 1 && i <= columns.size() && !ListViewHelpers::HasDefaultWidth(view, c)) {
            columns[i - 1].Width = int(std::lround(Twips::fromPixelsX(header->sectionSize(c))));
            columns[i - 1].WidthGiven = true;
        }
    }
}

bool LayoutStore::IsNumericFieldType(const QString& typeCode)
{
    const int type = KLVTools().GetDataType(typeCode);
    return type == klvLongInt || type == klvInteger || type == klvByte || type == klvReal;
}

QRect LayoutStore::PlaceOnScreen(const QRect& frame, const QSize& least, const QSize& designed,
                                 const QList<QRect>& areas)
{
    QSize size = frame.size();
    if (size.width() <= 0)
        size.setWidth(designed.width());
    if (size.height() <= 0)
        size.setHeight(designed.height());
    size = size.expandedTo(least);
    const QRect stored(frame.topLeft(), size);
    if (areas.isEmpty())
        return stored;
    QRegion screens;
    for (const QRect& area : areas)
        screens += area;
    if (QRegion(stored).subtracted(screens).isEmpty())
        return stored;

    const QRect& a = bestArea(stored, areas);
    size = size.boundedTo(a.size()).expandedTo(least);
    const int left = std::clamp(stored.left(), a.left(), std::max(a.left(), a.right() + 1 - size.width()));
    const int top = std::clamp(stored.top(), a.top(), std::max(a.top(), a.bottom() + 1 - size.height()));
    return QRect(QPoint(left, top), size);
}

QPoint LayoutStore::ReachablePosition(const QRect& frame, const QList<QRect>& areas, int titleBarHeight)
{
    if (areas.isEmpty())
        return frame.topLeft();
    const int grip = std::min(100, std::max(1, frame.width())); // this much of the title bar must show
    const QRect titleBar(frame.left(), frame.top(), std::max(1, frame.width()), titleBarHeight);
    for (const QRect& area : areas) {
        const QRect seen = titleBar & area;
        if (seen.height() >= std::min(titleBarHeight, area.height()) && seen.width() >= grip)
            return frame.topLeft();
    }
    const QRect& a = bestArea(frame, areas);
    const int minTop = a.top();
    const int maxTop = std::max(minTop, a.bottom() + 1 - titleBarHeight);
    const int minLeft = a.left() - frame.width() + grip;
    const int maxLeft = std::max(minLeft, a.right() + 1 - grip);
    return QPoint(std::clamp(frame.left(), minLeft, maxLeft), std::clamp(frame.top(), minTop, maxTop));
}

QString LayoutStore::WindowKeyName(WindowKey key)
{
    switch (key) {
    case WindowKey::WindowLeft:
        return u"WindowLeft"_s;
    case WindowKey::WindowTop:
        return u"WindowTop"_s;
    case WindowKey::WindowWidth:
        return u"WindowWidth"_s;
    case WindowKey::WindowHeight:
        return u"WindowHeight"_s;
    case WindowKey::WindowState:
        return u"WindowState"_s;
    case WindowKey::TableListWidth:
        return u"TableListWidth"_s;
    case WindowKey::TableListHeight:
        return u"TableListHeight"_s;
    }
    return QString();
}

QString LayoutStore::WindowValue(const QString& section, WindowKey key)
{
    return readSetting(section, WindowKeyName(key));
}

void LayoutStore::SetWindowValue(const QString& section, WindowKey key, const QString& value)
{
    writeSetting(section, WindowKeyName(key), value);
}

bool LayoutStore::HasStoredPlace(const QString& section)
{
    return !WindowValue(section, WindowKey::WindowWidth).isEmpty();
}

bool LayoutStore::HasColumnWidth(const QAbstractItemView* view, const QString& section, int column)
{
    return !readSetting(section, columnWidthKey(view, column)).isEmpty();
}

void LayoutStore::ForgetColumnWidth(const QAbstractItemView* view, const QString& section, int column)
{
    ViewerConfig::removeRaw(section, columnWidthKey(view, column));
}
