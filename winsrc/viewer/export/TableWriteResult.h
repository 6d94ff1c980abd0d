#pragma once

#include "DatabaseError.h"

#include <QList>
#include <QString>

#include <optional>

// What became of the rows a table writer was handed: the rows the database refused (every
// other row is in the table), or a failure after which the table takes no more rows. A
// writer that collects rows into groups reports a row once its group has gone.
struct TableWriteResult
{
    struct Refusal
    {
        qint64 row = 0; // the export's row number, from 1
        QString text;   // the database's reason
    };

    QList<Refusal> refused;
    std::optional<DatabaseError> failure;

    static TableWriteResult Failed(DatabaseError error)
    {
        TableWriteResult result;
        result.failure = std::move(error);
        return result;
    }
};
