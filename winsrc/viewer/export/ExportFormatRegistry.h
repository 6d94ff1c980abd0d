#pragma once

#include <QList>

#include <functional>

class ExportOptionsPage;
class QWidget;

// One export format as the dialog offers it: its kind (ExportType: 0 text, 1 workbook, 2
// database table, 3 XML, 4 HTML), the messages of its dialog caption, its page's tab and its
// help topic, and its options page, which makes its writer.
struct ExportFormat
{
    int kind = 0;
    int captionMessage = 0;
    int tabMessage = 0;
    int helpMessage = 0;
    std::function<ExportOptionsPage*(QWidget* parent)> makePage;
};

// The formats of the export, in the order of their kinds. A new format is its unit and one
// entry here.
class ExportFormatRegistry
{
public:
    static const QList<ExportFormat>& Formats();
    // The format of a kind; null when none serves it.
    static const ExportFormat* Find(int kind);
};
