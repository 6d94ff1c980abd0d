#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM and SIGINT end the program the way closing it does, not in the middle of whatever
// it was doing: the event loops are left, and the program's end (StartUp::Finish) then saves
// the settings and ends the session with the server. A program started without a window
// (-e) has no other way to be ended than a signal.
//
// The handler only writes the signal's number into a pipe; the program reads it in its event
// loop, where it may do anything. A second signal ends the program at once.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    // Installs the handlers for SIGTERM and SIGINT, for the life of the returned object.
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // The signal that ended the program, 0 while none came.
    int received() const { return m_received; }

private:
    void readSignal();
    static void restoreDefaults();

    QSocketNotifier* m_notifier = nullptr;
    int m_received = 0;
};
