#pragma once

#include <QString>
#include <QStringList>

// Where the rows of an export come from: a fresh query, or the rows a window shows. The
// engine walks it with next() and reads each row's values once.
class ExportRowSource
{
public:
    enum class State {
        Reading,
        Ended,     // no further row: the last was read, or the source was cancelled
        Failed,    // a row could not be read; errorText says why
        SourceGone // the window that shows the rows is gone
    };

    virtual ~ExportRowSource();

    // Moves to the next row; false when there is none (see state()). May wait for the server,
    // with the event loop running.
    virtual bool next() = 0;
    // The values of the current row, one per field (count of them).
    virtual void values(int count, QStringList& out) = 0;
    // The next call of next() answers false. Any number of times, also from inside next().
    virtual void cancel() = 0;

    State state() const { return m_state; }
    QString errorText() const { return m_errorText; }

protected:
    void setState(State state, const QString& errorText = QString())
    {
        m_state = state;
        m_errorText = errorText;
    }

private:
    State m_state = State::Reading;
    QString m_errorText;
};
