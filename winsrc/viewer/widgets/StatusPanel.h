#pragma once

#include <QLabel>

// A panel of a window's status bar: a label that keeps its whole text (text() gives it, and
// the tool tip shows it) but shows only its first line, cut with an ellipsis where the panel
// ends. A panel that takes its room (fitted) is as wide as its text needs; the others share
// what is left.
class StatusPanel : public QLabel
{
    Q_OBJECT

public:
    explicit StatusPanel(bool fitted, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // The text as the panel shows it at its present width.
    QString shownText() const;

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    QString firstLine() const;

    bool m_fitted;
};
