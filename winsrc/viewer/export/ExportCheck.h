#pragma once

#include <QString>

// What a writer's check of its options and target found before anything is stored or
// written: go on, or stop with the message to show (none when the user declined a question
// and there is nothing more to say) and the option to correct, as the format's own number
// (its writer's Option), which its options page turns into the control that takes the focus.
class ExportCheck
{
public:
    static constexpr int NoOption = -1;

    // Go on.
    ExportCheck() = default;
    static ExportCheck Refused(QString message, int option = NoOption);
    // The user said no to a question; nothing to show.
    static ExportCheck Declined() { return Refused(QString()); }

    bool passed() const { return m_passed; }
    QString message() const { return m_message; }
    int option() const { return m_option; }

private:
    bool m_passed = true;
    QString m_message;
    int m_option = NoOption;
};
