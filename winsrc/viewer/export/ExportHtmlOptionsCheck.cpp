#include "ExportHtmlOptionsCheck.h"

#include "ExportPrompt.h"
#include "MainModul.h"

#include <QList>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

constexpr int MsgBorderSize = 274;
constexpr int MsgHeaderRow = 275;
constexpr int MsgEvenRows = 276;
constexpr int MsgOddRows = 277;
constexpr int MsgBorderColor = 278;
constexpr int MsgText = 279;
constexpr int MsgBackground = 280;
constexpr int MsgNotValid = 1227;
constexpr int MsgUseDefaults = 1228;

// How much of a value the question shows.
constexpr qsizetype ShownLength = 40;

// A label of the page without its closing colon, and the column's word after it, as the user
// reads them beside the box.
QString optionName(int label, int column = 0)
{
    QString name = GetMessageTextByNr(label).trimmed();
    if (name.endsWith(u':'))
        name.chop(1);
    return column ? name + u" ("_s + GetMessageTextByNr(column) + u')' : name;
}

} // namespace

ExportCheck ExportHtmlOptionsCheck::Check(const ExportHtmlWriter::Options& options, ExportPrompt& prompt)
{
    using W = ExportHtmlWriter;
    const W::Options defaults;
    struct Colour
    {
        const QString& value;
        const QString& fallback;
        int option;
        int label;
        int column;
    };
    const Colour colours[] = {
        {options.headerForeground, defaults.headerForeground, W::HeaderForegroundBox, MsgHeaderRow, MsgText},
        {options.headerBackground, defaults.headerBackground, W::HeaderBackgroundBox, MsgHeaderRow, MsgBackground},
        {options.evenForeground, defaults.evenForeground, W::EvenForegroundBox, MsgEvenRows, MsgText},
        {options.evenBackground, defaults.evenBackground, W::EvenBackgroundBox, MsgEvenRows, MsgBackground},
        {options.oddForeground, defaults.oddForeground, W::OddForegroundBox, MsgOddRows, MsgText},
        {options.oddBackground, defaults.oddBackground, W::OddBackgroundBox, MsgOddRows, MsgBackground},
        {options.borderColor, defaults.borderColor, W::BorderColorBox, MsgBorderColor, 0},
    };

    QStringList lines;
    int first = ExportCheck::NoOption;
    const auto notValid = [&](const QString& name, const QString& value, const QString& written, int option) {
        QString shown = value;
        if (shown.size() > ShownLength)
            shown = shown.left(ShownLength) + u'\u2026';
        lines.append(name + u": \""_s + shown + u"\" \u2192 "_s + written);
        if (first == ExportCheck::NoOption)
            first = option;
    };
    // A size the writer takes is one it writes back as the number it reads.
    const QString border = W::BorderSize(options.borderSize);
    if (border != QString::number(options.borderSize.trimmed().toInt()))
        notValid(optionName(MsgBorderSize), options.borderSize, border, W::BorderSizeBox);
    for (const Colour& c : colours) {
        const QString written = W::Color(c.value, c.fallback);
        if (written != c.value)
            notValid(optionName(c.label, c.column), c.value, written, c.option);
    }
    if (lines.isEmpty())
        return {};
    const QString question = GetMessageTextByNr(MsgNotValid) + u"\r\n"_s + lines.join(u"\r\n"_s) + u"\r\n"_s +
                             GetMessageTextByNr(MsgUseDefaults);
    if (prompt.ask(question, ExportPrompt::Choice::OkCancel))
        return {};
    return ExportCheck::Refused(QString(), first);
}
