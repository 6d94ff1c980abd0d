#pragma once

#include "ExportWriter.h"

// Stands for a target that has no writer in this version (the workbook and the database
// table): the start checks its settings as it will, then says that the target is not
// available, and nothing is written.
class ExportUnavailableWriter : public ExportWriter
{
public:
    using ExportWriter::ExportWriter;

    bool checkTarget(QString& focusControl) override;
    bool open(ExportFailure& failure) override;
    Step writeRow(const QStringList& values, qint64 row, ExportFailure& failure) override;
    bool finish(ExportFailure& failure) override;
    void discard() override {}
    void startFollowUp() override {}
};
