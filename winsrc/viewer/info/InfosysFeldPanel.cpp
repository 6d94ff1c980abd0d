#include "InfosysFeldPanel.h"

#include "KLVTAVArtInfo.h"
#include "KLVTools.h"
#include "ReadableColour.h"
#include "Twips.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Design-time gaps in twips: above the first row's controls (half the gap between two rows),
// and between a label and its control.
constexpr int FirstRowTop = 60;
constexpr int LabelGap = 240;
// Text boxes are as wide as their type's longest value, within these bounds (characters).
constexpr int MinChars = 8;
constexpr int MaxChars = 40;

const char* const IndexProperty = "Index";
const char* const ChangedProperty = "DataChanged";

} // namespace

InfosysFeldPanel::InfosysFeldPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(u"FeldContainerView"_s);

    m_view = new QScrollArea(this);
    m_view->setObjectName(u"FeldContainerScroll"_s);
    m_view->setFrameShape(QFrame::NoFrame);
    m_view->setWidgetResizable(true);
    // The panel scrolls by whole rows through its own bar only.
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_view->viewport()->installEventFilter(this);

    m_container = new QWidget;
    m_container->setObjectName(u"FeldContainer"_s);
    m_container->installEventFilter(this);
    auto* column = new QVBoxLayout(m_container);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_grid = new QGridLayout;
    const int top = std::max(1, Twips::toPixelsY(FirstRowTop));
    m_grid->setContentsMargins(0, top, 0, top);
    m_grid->setVerticalSpacing(2 * top);
    m_grid->setHorizontalSpacing(Twips::toPixelsX(LabelGap));
    m_grid->setColumnStretch(2, 1);
    column->addLayout(m_grid);
    column->addStretch(1);
    m_view->setWidget(m_container);

    m_scrollBar = new QScrollBar(Qt::Vertical, this);
    m_scrollBar->setObjectName(u"FeldScrollBar"_s);
    m_scrollBar->setMinimum(1);
    m_scrollBar->setMaximum(1);
    m_scrollBar->setSingleStep(1);
    connect(m_scrollBar, &QScrollBar::valueChanged, this, [this](int value) { scrollToRow(value); });

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_scrollBar);

    // Every control of a row is as high as the tallest of the three kinds, so the rows keep
    // one pitch whatever they hold.
    QLineEdit edit;
    QComboBox combo;
    QPushButton button(u"X"_s);
    m_controlHeight = std::max({edit.sizeHint().height(), combo.sizeHint().height(), button.sizeHint().height()});
    m_rowHeight = m_controlHeight + 2 * top;
}

QColor InfosysFeldPanel::unlockedColour() const
{
    // White, as designed, where the palette's text reads on it; under a dark palette, whose
    // text is light, the palette's own background of a field that takes input.
    const QPalette& p = palette();
    const QColor white(0xFF, 0xFF, 0xFF);
    return ReadableColour::Contrast(white, p.color(QPalette::Text)) >= ReadableColour::TextContrast
               ? white
               : p.color(QPalette::Base);
}

QColor InfosysFeldPanel::lockedColour() const
{
    return palette().color(QPalette::Window);
}

void InfosysFeldPanel::clear()
{
    // The rows are gone before their controls: a control that has the focus moves it when it
    // goes, and whoever hears of that must not find the row still listed.
    const QList<Row> rows = std::exchange(m_rows, {});
    for (const Row& row : rows) {
        delete row.label;
        delete row.control;
    }
    m_scrollBar->setValue(1);
    updateScrollBarInfo();
}

QWidget* InfosysFeldPanel::addRow(const InfosysFeld& feld)
{
    Row row;
    row.feld = feld;
    const int n = count() + 1;
    const KLVActiveX::KLV_DataType type = KLVTools::DataTypeOf(feld.Art);
    if (type == KLVActiveX::klvButton) {
        row.kind = Kind::Button;
        auto* button = new QPushButton(feld.Beschr, m_container);
        button->setObjectName(u"KopfButton"_s);
        row.control = button;
    } else if (type == KLVActiveX::klvEnumeration) {
        row.kind = Kind::Enumeration;
        auto* combo = new QComboBox(m_container);
        combo->setObjectName(u"FeldListe"_s);
        combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        combo->setMinimumContentsLength(MinChars);
        // Only the user's choice counts as a change; values shown by the window do not.
        connect(combo, &QComboBox::activated, combo, [combo] { combo->setProperty(ChangedProperty, true); });
        row.control = combo;
    } else {
        row.kind = Kind::Text;
        auto* edit = new QLineEdit(m_container);
        edit->setObjectName(u"FeldWert"_s);
        edit->setAlignment(feld.RightAligned ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter);
        const KLVTools tools;
        const int chars = std::clamp(tools.GetTAVArtInfo(feld.Art)->MaxLen2(), MinChars, MaxChars);
        edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(u'0') * (chars + 1) + edit->sizeHint().height() / 2);
        row.control = edit;
    }
    // The label's first letter is its access key; an "&" of the text itself stays a letter.
    QString caption = feld.Beschr;
    caption.replace(u'&', u"&&"_s);
    row.label = new QLabel(u'&' + caption, m_container);
    row.label->setObjectName(u"FeldBeschr"_s);
    row.label->setBuddy(row.control);
    row.label->installEventFilter(this);

    for (QWidget* w : {static_cast<QWidget*>(row.label), row.control}) {
        w->setProperty(IndexProperty, n);
        w->setFixedHeight(m_controlHeight);
    }
    row.control->setFocusPolicy(Qt::StrongFocus);
    row.control->installEventFilter(this);
    m_grid->addWidget(row.label, n - 1, 0);
    m_grid->addWidget(row.control, n - 1, 1, Qt::AlignLeft);
    row.label->show();
    row.control->show();
    m_rows.append(row);
    setModifiable(n, true);
    return row.control;
}

InfosysFeldPanel::Kind InfosysFeldPanel::kind(int n) const
{
    return n >= 1 && n <= count() ? m_rows[n - 1].kind : Kind::Text;
}

QLabel* InfosysFeldPanel::label(int n) const
{
    return n >= 1 && n <= count() ? m_rows[n - 1].label : nullptr;
}

QWidget* InfosysFeldPanel::control(int n) const
{
    return n >= 1 && n <= count() ? m_rows[n - 1].control : nullptr;
}

QLineEdit* InfosysFeldPanel::feldWert(int n) const
{
    return qobject_cast<QLineEdit*>(control(n));
}

QComboBox* InfosysFeldPanel::feldListe(int n) const
{
    return qobject_cast<QComboBox*>(control(n));
}

QPushButton* InfosysFeldPanel::kopfButton(int n) const
{
    return qobject_cast<QPushButton*>(control(n));
}

int InfosysFeldPanel::indexOf(const QObject* object) const
{
    for (int i = 0; i < count(); ++i) {
        const Row& row = m_rows[i];
        if (object == row.control || object == row.label)
            return i + 1;
        // A combo box's own children (its line of text, its list) belong to its row.
        if (auto* w = qobject_cast<const QWidget*>(object); w && row.control->isAncestorOf(w))
            return i + 1;
    }
    return 0;
}

void InfosysFeldPanel::setValue(int n, const QString& value)
{
    switch (kind(n)) {
    case Kind::Button:
        break;
    case Kind::Enumeration:
        if (QComboBox* combo = feldListe(n)) {
            if (!value.isEmpty()) {
                const int i = combo->findText(value, Qt::MatchExactly | Qt::MatchCaseSensitive);
                if (i >= 0)
                    combo->setCurrentIndex(i);
            }
            combo->setProperty(ChangedProperty, false);
        }
        break;
    case Kind::Text:
        if (QLineEdit* edit = feldWert(n)) {
            edit->setText(value);
            edit->setModified(false);
        }
        break;
    }
}

void InfosysFeldPanel::setModifiable(int n, bool modifiable)
{
    if (n < 1 || n > count())
        return;
    Row& row = m_rows[n - 1];
    if (row.kind == Kind::Button) {
        row.control->setEnabled(modifiable);
        return;
    }
    const bool open = modifiable && row.feld.IstParam;
    row.open = open;
    showOpen(row);
    if (row.kind == Kind::Enumeration)
        row.control->setEnabled(open);
    else if (QLineEdit* edit = feldWert(n))
        edit->setReadOnly(!open);
}

void InfosysFeldPanel::showOpen(const Row& row)
{
    QPalette palette = row.control->palette();
    palette.setColor(QPalette::Base, row.open ? unlockedColour() : lockedColour());
    row.control->setPalette(palette);
}

bool InfosysFeldPanel::isLocked(int n) const
{
    switch (kind(n)) {
    case Kind::Button:
        return control(n) && !control(n)->isEnabled();
    case Kind::Enumeration:
        return control(n) && !control(n)->isEnabled();
    case Kind::Text:
        return feldWert(n) && feldWert(n)->isReadOnly();
    }
    return true;
}

bool InfosysFeldPanel::isChanged(int n) const
{
    if (const QLineEdit* edit = feldWert(n))
        return edit->isModified();
    if (const QComboBox* combo = feldListe(n))
        return combo->property(ChangedProperty).toBool();
    return false;
}

void InfosysFeldPanel::setUnchanged(int n)
{
    if (QLineEdit* edit = feldWert(n))
        edit->setModified(false);
    else if (QComboBox* combo = feldListe(n))
        combo->setProperty(ChangedProperty, false);
}

QString InfosysFeldPanel::text(int n) const
{
    if (const QLineEdit* edit = feldWert(n))
        return edit->text();
    if (const QComboBox* combo = feldListe(n))
        return combo->currentText();
    return QString();
}

void InfosysFeldPanel::setFocusKopfFeld(int n)
{
    if (kind(n) == Kind::Enumeration)
        return;
    if (QWidget* c = control(n); c && c->isVisible() && c->isEnabled())
        c->setFocus();
}

int InfosysFeldPanel::visibleRows() const
{
    return std::max(1, m_view->viewport()->height() / std::max(1, m_rowHeight));
}

int InfosysFeldPanel::minimumPanelHeight() const
{
    return m_rowHeight + m_view->horizontalScrollBar()->sizeHint().height();
}

int InfosysFeldPanel::heightForAllRows() const
{
    return count() * m_rowHeight + minimumPanelHeight() - m_rowHeight + 2;
}

void InfosysFeldPanel::updateScrollBarInfo()
{
    const int visible = visibleRows();
    const QSignalBlocker quiet(m_scrollBar);
    m_scrollBar->setMaximum(count() <= visible ? m_scrollBar->minimum() : count() - visible + 1);
    m_scrollBar->setSingleStep(1);
    m_scrollBar->setPageStep(visible);
    scrollToRow(m_scrollBar->value());
}

void InfosysFeldPanel::scrollToRow(int first)
{
    m_view->verticalScrollBar()->setValue((std::max(1, first) - 1) * m_rowHeight);
}

void InfosysFeldPanel::ensureVisible(QWidget* control)
{
    const int n = indexOf(control);
    if (n < 1)
        return;
    // The bar moves with the panel, so the two never disagree on the first row in view.
    const int first = m_scrollBar->value();
    const int visible = visibleRows();
    if (n < first)
        m_scrollBar->setValue(n);
    else if (n > first + visible - 1)
        m_scrollBar->setValue(n - visible + 1);
}

void InfosysFeldPanel::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // The fields' backgrounds follow a palette that changes under them.
    if (event->type() == QEvent::PaletteChange) {
        for (const Row& row : std::as_const(m_rows)) {
            if (row.kind != Kind::Button)
                showOpen(row);
        }
    }
}

void InfosysFeldPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    updateScrollBarInfo();
}

bool InfosysFeldPanel::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::FocusIn:
        if (auto* w = qobject_cast<QWidget*>(watched); w && indexOf(w) > 0)
            ensureVisible(w);
        break;
    case QEvent::Wheel:
        // Whole rows here too: the wheel turns the panel's own bar.
        if (watched == m_view->viewport()) {
            QApplication::sendEvent(m_scrollBar, event);
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
