#pragma once

#include <QElapsedTimer>
#include <QLabel>

class QTimer;

// A panel of a window's status bar: a label that keeps its whole text (text() gives it, and
// the tool tip shows it) but shows only its first line, cut with an ellipsis where the panel
// ends. A panel that takes its room (fitted) is as wide as its text needs; the others share
// what is left.
//
// A panel's text may change hundreds of times a second (a record count while a query reads).
// The first line, its width and the text shown are worked out once per text, width and font,
// not on every paint or size question. And a new text that needs no other room than the one
// before is only painted: QLabel would have the status bar lay out (and repaint) all its panels
// for every text, and it is painted at most every PaintInterval ms, as often as an eye can
// read it. The label itself (QLabel::text, what accessibility tools read) takes such a text
// within LabelDelay ms; a text set through QLabel (the form's localiser, the "text" property)
// is the panel's text from then on.
class StatusPanel : public QLabel
{
    Q_OBJECT

public:
    explicit StatusPanel(bool fitted, QWidget* parent = nullptr);

    // The panel's whole text.
    QString text() const;
    void setText(const QString& text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // The text as the panel shows it at its present width.
    QString shownText() const;

    static constexpr int LabelDelay = 250;
    static constexpr int PaintInterval = 40;

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // What follows from the text and the font: its first line and that line's width.
    void updateLine() const;
    // Gives the label the panel's text.
    void updateLabel();

    bool m_fitted;
    QTimer* m_labelTimer;
    QTimer* m_paintTimer;
    QElapsedTimer m_sincePainted;
    mutable QString m_text;
    mutable QString m_labelText; // what the label was last given
    mutable QString m_lineOf;    // the text m_line was made from
    mutable bool m_lineValid = false;
    mutable QString m_line;
    mutable int m_lineWidth = 0;
    mutable int m_shownFor = -1; // the width m_shown was cut for
    mutable QString m_shown;
};
