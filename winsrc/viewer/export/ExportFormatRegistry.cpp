#include "ExportFormatRegistry.h"

#include "ExportDatabasePage.h"
#include "ExportHtmlPage.h"
#include "ExportTextPage.h"
#include "ExportWorkbookPage.h"
#include "ExportXmlPage.h"

namespace {

template <class Page>
ExportOptionsPage* make(QWidget* parent)
{
    return new Page(parent);
}

} // namespace

const QList<ExportFormat>& ExportFormatRegistry::Formats()
{
    static const QList<ExportFormat> formats{
        {0, 208, 211, 905, make<ExportTextPage>},     {1, 209, 212, 907, make<ExportWorkbookPage>},
        {2, 210, 213, 906, make<ExportDatabasePage>}, {3, 230, 214, 920, make<ExportXmlPage>},
        {4, 231, 215, 921, make<ExportHtmlPage>},
    };
    return formats;
}

const ExportFormat* ExportFormatRegistry::Find(int kind)
{
    for (const ExportFormat& format : Formats()) {
        if (format.kind == kind)
            return &format;
    }
    return nullptr;
}
