#pragma once

#include <QString>

// How an export asks the user while it prepares or writes its target ("the file exists:
// overwrite it?", "the database refused this row: go on?") and tells what the user must know
// ("the worksheet is full"), without showing anything itself: the export dialog answers with
// message boxes, a benchmark or a test answers on its own. A writer that was given no prompt
// asks Declining(), which says no to every question.
class ExportPrompt
{
public:
    enum class Choice {
        OkCancel, // go on (OK) or stop (Cancel)
        YesNo     // do it (Yes) or not (No)
    };

    virtual ~ExportPrompt();

    // True when the user chose OK or Yes.
    virtual bool ask(const QString& question, Choice choice) = 0;
    // A notice; the export goes on or ends as the writer says, whatever the user does.
    virtual void tell(const QString& text) = 0;

    // Declines every question and lets every notice pass: an export nobody watches changes
    // nothing it was not told to.
    static ExportPrompt& Declining();
};
