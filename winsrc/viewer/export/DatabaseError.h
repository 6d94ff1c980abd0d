#pragma once

#include <QString>

// Why a database target could not go on, as a value: the step that failed, the database's
// own text and its error number. The export turns the step into its message.
struct DatabaseError
{
    enum class Step {
        Open,            // the file or data source cannot be opened
        CreateFile,      // a new database file cannot be made
        DropOld,         // the old table cannot be deleted (a view or key depends on it)
        CreateTable,     // the new table cannot be made
        Prepare,         // the rows cannot be inserted into it at all
        Write,           // the database itself fails (full, read-only, broken)
        Commit,          // the rows cannot be committed
        ConnectionLost,  // the connection to the server broke off
        TransactionLost, // the server dropped the export's transaction
    };

    Step step = Step::Write;
    QString text;
    int number = 0;
};
