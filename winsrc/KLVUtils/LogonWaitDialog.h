#pragma once

#include <QDialog>
#include <QTimer>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace klvutils {

// The window "LogonWait": while a caller opens its session on the data a logon gave, it says
// which server is waited for and offers the way out. Esc, its Cancel button and closing it
// break the wait off. It shows only for a wait that lasts, so that a quick logon shows none.
class LogonWaitDialog : public QDialog
{
    Q_OBJECT
public:
    // How long a wait runs before the window shows.
    static constexpr int ShowAfterMs = 400;

    explicit LogonWaitDialog(QWidget* parent = nullptr);

    void localise(const std::function<QString(int)>& messageText);

    // A wait begins: text says what is waited for; breakOff runs once if the user breaks the
    // wait off before end().
    void begin(const QString& text, std::function<void()> breakOff);
    // The wait has ended, however: the window goes.
    void end();

protected:
    void done(int result) override;

private:
    void showCentred();

    QLabel* m_text;
    QProgressBar* m_progress;
    QPushButton* m_abbruch;
    QTimer m_showTimer;
    std::function<void()> m_breakOff;
};

} // namespace klvutils
