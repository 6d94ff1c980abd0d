#pragma once

#include <QString>
#include <QStringList>

class QLineEdit;
class QWidget;

// The choosers of the export's options pages: each starts from its box's text and writes the
// choice back; a cancelled chooser leaves the box as it was.
class ExportChoosers
{
public:
    // "description (pattern)", the description a message text.
    static QString Filter(int message, const QString& pattern);

    // The save form of the file dialog; confirmOverwrite asks before an existing file is
    // chosen.
    static void SaveFile(QWidget* parent, QLineEdit* target, int titleMessage, const QString& suffix,
                         const QStringList& filters, bool confirmOverwrite);
    // A program file that exists and may run; the box gets it as a command names it, quoted
    // when its path holds a blank.
    static void ProgramFile(QWidget* parent, QLineEdit* target);
    // The colour chooser on the box's "#RRGGBB" (a text without "#" first asks whether to
    // start on black; No leaves the text).
    static void HtmlColor(QWidget* parent, QLineEdit* target);
};
