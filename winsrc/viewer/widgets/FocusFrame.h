#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

class QAbstractItemView;

// A list that has the keyboard focus shows it by a frame round its rows, in the palette's
// highlight colour: the style only marks the current row, faintly, and in a list without rows
// nothing shows where the keys go.
class FocusFrame : public QObject
{
    Q_OBJECT

public:
    // The frame's width in pixels.
    static constexpr int Width = 2;

    // The view shows its focus from now on.
    static void install(QAbstractItemView* view);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit FocusFrame(QAbstractItemView* view);
    void paint();

    QWidget* m_view;
    QPointer<QWidget> m_viewport;
    bool m_painting = false;
};
