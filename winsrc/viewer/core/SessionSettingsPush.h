#pragma once

#include <QString>

class KLV;
class QWidget;

// The display options of the session-settings dialog take effect when they are pushed into
// the session. The dialog's controls are the settings in effect; they are read by name
// (option buttons and check boxes as checked, text boxes as text), so a control that is
// missing reads as not chosen and as an empty text.
//
// The session's answers are not examined: an option the server refuses stays as the server
// keeps it.
class SessionSettingsPush
{
public:
    // Display mode, output language, references, enumerations, Booleans, dates, numbers (with
    // the decimal point only for the ERP's own number form), free texts, line break, variable
    // names, trimming and block size, in this order.
    static void Push(KLV& session, const QWidget* dialog);

    // Stores the output language on the server through the typing command "43" (field "spr").
    // A change the server does not take is cancelled, so no edit is left open.
    static void StoreOutputLanguage(KLV& session, const QString& language);

    // Whether the dialog's check box or option button of that name is checked.
    static bool IsChecked(const QWidget* dialog, const QString& name);
    // The text of the dialog's text box of that name; "" when there is none.
    static QString Text(const QWidget* dialog, const QString& name);
    // The leading number of a text box's text as a 32-bit integer; 0 when it holds none or
    // one too large for 32 bits.
    static int NumberOf(const QString& text);
};
