#pragma once

// The library's trace window (installed through KLVTraceWindow): a bounded list of trace
// lines, shown only while tracing is on.
// A line costs the same however many the window holds: lines are gathered and go into the
// window together, at most twenty times a second, and the oldest go as the newest come,
// without moving the others.

#include <QStringList>
#include <QTimer>
#include <QWidget>

class QPlainTextEdit;

class TraceForm : public QWidget
{
    Q_OBJECT
public:
    // Most lines the list keeps; the oldest go first.
    static constexpr int MaxLines = 10000;

    // The one window of the library, created on first use (which installs it as the trace's
    // destination), deleted with the application.
    static TraceForm* instance();

    // Appends a line (dropping the oldest beyond MaxLines) and scrolls to it.
    void TraceWinPrint(const QString& text);

    QStringList lines() const;
    void clear();

private:
    explicit TraceForm(QWidget* parent = nullptr);
    void flush() const;

    QPlainTextEdit* m_traceList;
    // Lines not yet in the window, at most MaxLines of them.
    mutable QStringList m_pending;
    QTimer* m_flushTimer;
};
