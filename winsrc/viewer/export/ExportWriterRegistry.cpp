#include "ExportWriterRegistry.h"

#include "ExportDatabaseWriter.h"
#include "ExportHtmlWriter.h"
#include "ExportTextWriter.h"
#include "ExportWorkbookWriter.h"
#include "ExportXmlWriter.h"

#include <QHash>

namespace {

QHash<int, ExportWriterRegistry::Maker>& makers()
{
    static QHash<int, ExportWriterRegistry::Maker> table{
        {0, [](const ExportJob& job) { return std::make_unique<ExportTextWriter>(job); }},
        {1, [](const ExportJob& job) { return std::make_unique<ExportWorkbookWriter>(job); }},
        {2, [](const ExportJob& job) { return std::make_unique<ExportDatabaseWriter>(job); }},
        {3, [](const ExportJob& job) { return std::make_unique<ExportXmlWriter>(job); }},
        {4, [](const ExportJob& job) { return std::make_unique<ExportHtmlWriter>(job); }},
    };
    return table;
}

} // namespace

std::unique_ptr<ExportWriter> ExportWriterRegistry::Create(const ExportJob& job)
{
    const auto it = makers().constFind(job.exportType);
    return it == makers().cend() || !*it ? nullptr : (*it)(job);
}

bool ExportWriterRegistry::Has(int exportType)
{
    return makers().contains(exportType) && makers().value(exportType);
}

void ExportWriterRegistry::Register(int exportType, Maker maker)
{
    if (maker)
        makers().insert(exportType, std::move(maker));
    else
        makers().remove(exportType);
}
