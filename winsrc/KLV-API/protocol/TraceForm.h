#pragma once

// The library's trace window: a bounded list of trace lines, shown only while tracing is on.

#include <QStringList>
#include <QWidget>

class QListWidget;

class TraceForm : public QWidget
{
    Q_OBJECT
public:
    // Most lines the list keeps; the oldest go first.
    static constexpr int MaxLines = 10000;

    // The one window of the library, created on first use, deleted with the application.
    static TraceForm* instance();

    // Appends a line (dropping the oldest beyond MaxLines) and scrolls to it.
    void TraceWinPrint(const QString& text);

    QStringList lines() const;
    void clear();

private:
    explicit TraceForm(QWidget* parent = nullptr);

    QListWidget* m_traceList;
};
