#pragma once

#include <QObject>
#include <QString>

class PaneSplitter;
class QWidget;

// The query window's two pane sizes as the settings hold them (twips): the table list's width
// ("TableListWidth") and the upper lists' height ("TableListHeight"). They are applied once
// the window has its real size, and again at every resize until the user first touches the
// program (a window manager may still size the frame after it was shown) or moves a splitter;
// without stored sizes the lists share the width, and they have half the height the result
// list and they share. A window that never had its real size keeps the sizes it was given.
class QueryPaneSizes : public QObject
{
    Q_OBJECT

public:
    static constexpr int ReadableChars = 20;

    // window: the query window; tables: the table list, whose size is what is stored.
    QueryPaneSizes(QWidget* window, PaneSplitter* tablesAndFields, PaneSplitter* listsAndResults, QWidget* tables,
                   const QString& section);

    // Reads the stored sizes.
    void restore();
    // Writes the sizes the panes have (or were given).
    void save() const;
    // Sizes in twips; below 1 the panes keep sharing what the window gives them.
    void setTableListWidth(int twips);
    void setTableListHeight(int twips);
    // No splitter drag and no size of the window leaves a pane without room: the lists keep
    // their header and a row or two in the window's fonts, also after a font change, and the
    // two upper lists the width of ReadableChars characters of their font (a stored
    // table-list width below that is read as that).
    // fields: the field list; results: the result pane, whose rows are in data's font.
    void keepMinimums(QWidget* fields, QWidget* results, QWidget* data);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void apply();
    void settle();
    void applyMinimums();
    // A table-list width in twips, at least the list's least width.
    int readableWidth(int twips) const;

    QWidget* m_window;
    PaneSplitter* m_tablesAndFields;
    PaneSplitter* m_listsAndResults;
    QWidget* m_tables;
    QString m_section;
    int m_width = 0;
    int m_height = 0;
    bool m_applied = false;
    bool m_settled = false;
    QObject* m_firstInput = nullptr;
    QWidget* m_fields = nullptr;
    QWidget* m_results = nullptr;
    QWidget* m_data = nullptr;
};
