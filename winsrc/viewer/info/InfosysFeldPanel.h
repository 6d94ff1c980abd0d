#pragma once

#include "InfosysDefinition.h"

#include <QColor>
#include <QList>
#include <QWidget>

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QScrollBar;

// The header-field panel of the information-system window ("FeldContainerView"): one row per
// header field, a label ("FeldBeschr") and its value control, a text box ("FeldWert"), a combo
// box of an enumeration's positions ("FeldListe") or a button ("KopfButton"). Every row control
// carries its row number (from 1) in the property "Index". The rows sit in "FeldContainer" and
// scroll by whole rows with the scroll bar "FeldScrollBar", whose value (from 1) is the first
// row in view.
class InfosysFeldPanel : public QWidget
{
    Q_OBJECT

public:
    enum class Kind { Text, Enumeration, Button };

    explicit InfosysFeldPanel(QWidget* parent = nullptr);

    // The background of a value that can be changed, and of one that cannot, in the panel's
    // palette.
    QColor unlockedColour() const;
    QColor lockedColour() const;

    // Removes every row.
    void clear();
    // Adds the row of the next header field and returns its value control.
    QWidget* addRow(const InfosysFeld& feld);

    int count() const { return int(m_rows.size()); }
    Kind kind(int n) const;
    QLabel* label(int n) const;
    QWidget* control(int n) const;
    QLineEdit* feldWert(int n) const;
    QComboBox* feldListe(int n) const;
    QPushButton* kopfButton(int n) const;
    // The row (from 1) a control of the panel belongs to; 0 for any other object.
    int indexOf(const QObject* object) const;

    // Shows a value the editor delivers: a text box takes it as it is, a combo box selects the
    // entry with exactly that text (and keeps its selection when there is none), a button shows
    // nothing. The row counts as unchanged afterwards.
    void setValue(int n, const QString& value);
    // Only a parameter field can ever be changed, whatever the editor says of it; a button
    // follows the editor.
    void setModifiable(int n, bool modifiable);
    bool isLocked(int n) const;
    // True once the user changed the row's value since it was last shown or sent.
    bool isChanged(int n) const;
    void setUnchanged(int n);
    // The text the row's control holds.
    QString text(int n) const;

    // Focuses the row's text box or button; a combo box is not focused here.
    void setFocusKopfFeld(int n);

    // Height of one row, and how many rows the panel shows at once.
    int rowHeight() const { return m_rowHeight; }
    int visibleRows() const;
    // The panel's least height: one row in view; and the height that shows all rows.
    int minimumPanelHeight() const;
    int heightForAllRows() const;
    QScrollBar* scrollBar() const { return m_scrollBar; }
    // Sets the scroll bar's range to the rows that do not fit.
    void updateScrollBarInfo();
    // Scrolls the row of control into view.
    void ensureVisible(QWidget* control);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Row
    {
        InfosysFeld feld;
        Kind kind = Kind::Text;
        QLabel* label = nullptr;
        QWidget* control = nullptr;
        bool open = false;
    };

    void scrollToRow(int first);
    // The row's background: open to input or not.
    void showOpen(const Row& row);

    QScrollArea* m_view = nullptr;
    QWidget* m_container = nullptr;
    QGridLayout* m_grid = nullptr;
    QScrollBar* m_scrollBar = nullptr;
    QList<Row> m_rows;
    int m_controlHeight = 0;
    int m_rowHeight = 0;
};
