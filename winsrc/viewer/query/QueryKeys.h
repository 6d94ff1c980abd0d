#pragma once

class QKeyEvent;
class QueryForm;
class QWidget;

// The keys the query window takes before its controls, by the control they were pressed in
// (the table list, the field list, the result list, or any other): Enter opens the table or
// starts or breaks the query, F1 help, F5 refills the list, F7 chooses its columns, Insert,
// F2 and Delete add, change and remove extra tables and fields, F11 and F12 hand the record to
// the ERP GUI client, Ctrl+C copies a list, Ctrl+Alt+Print prints the window, and Esc breaks
// off whatever the window waits for.
class QueryKeys
{
public:
    // True when the key was taken.
    static bool Handle(QueryForm& form, QWidget* control, const QKeyEvent* key);
};
