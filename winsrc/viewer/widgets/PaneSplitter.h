#pragma once

#include <QSplitter>

// A splitter of two panes that hands a change of its own size on by a fixed rule, where a
// plain QSplitter scales both panes in proportion: shared half and half between the panes, or
// all of it to the second pane while the first keeps its size. Neither pane goes below its
// minimum size (a second pane at its minimum leaves the rest of a shrinking to the first);
// the user's handle works as in any splitter.
class PaneSplitter : public QSplitter
{
    Q_OBJECT

public:
    enum class Change { Shared, ToSecond };

    PaneSplitter(Qt::Orientation orientation, Change change, QWidget* parent = nullptr);

    // Gives the first pane that size (clamped by both panes' minimums), the second the rest:
    // a stored size that would leave either pane below its minimum is moved up or down to it.
    void setFirstSize(int size);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    int minimumOf(int index) const;

    Change m_change;
};
