#pragma once

#include <QList>
#include <QWidget>

class QSplitter;

// Panes side by side with a heading above each: the panes share the room through a
// QSplitter the user drags, and the headings stand in a row of their own whose parts keep
// the width of the pane below them. A pane is never narrower than its heading needs, so a
// heading stays readable. The panes are the splitter's own children, so a list's
// stored width reaches the splitter (LayoutStore sizes a splitter's child through it).
class HeadedSplitter : public QWidget
{
    Q_OBJECT

public:
    explicit HeadedSplitter(QWidget* parent = nullptr);

    // Adds a pane with its heading (a label, or a row of controls); stretch shares a change
    // of the window's width.
    void addPane(QWidget* heading, QWidget* pane, int stretch);
    // The splitter of the panes (the one the user drags) and the row of headings.
    QSplitter* splitter() const { return m_panes; }
    QSplitter* headings() const { return m_headings; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void scheduleAlign();
    void align();
    void updateMinimums();

    QSplitter* m_headings = nullptr;
    QSplitter* m_panes = nullptr;
    QList<int> m_paneMinimums;
    bool m_alignPending = false;
};
