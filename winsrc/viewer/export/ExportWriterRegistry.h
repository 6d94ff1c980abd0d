#pragma once

#include "ExportJob.h"

#include <functional>
#include <memory>

class ExportWriter;

// Which writer serves which export kind (ExportType: 0 text, 1 workbook, 2 database table,
// 3 XML, 4 HTML). A further target registers its writer here.
class ExportWriterRegistry
{
public:
    using Maker = std::function<std::unique_ptr<ExportWriter>(const ExportJob& job)>;

    // The writer for the job's kind; null when no writer serves it.
    static std::unique_ptr<ExportWriter> Create(const ExportJob& job);
    static bool Has(int exportType);
    // Replaces the writer of a kind; an empty maker removes it.
    static void Register(int exportType, Maker maker);
};
