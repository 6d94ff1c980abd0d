#include "CommandLine.h"

#include "Languages.h"
#include "NumberText.h"

using namespace Qt::StringLiterals;

QStringList CommandLine::SplitQuoted(const QString& text, QChar separator)
{
    QStringList parts{QString()};
    bool inQuotes = false;
    QChar previous; // none yet
    bool havePrevious = false;
    for (const QChar c : text) {
        if (inQuotes) {
            if (c == u'"')
                inQuotes = false;
            else
                parts.last().append(c);
        } else if (c == u'"') {
            inQuotes = true;
        } else if (c != separator) {
            parts.last().append(c);
        } else if (!(havePrevious && previous == separator)) {
            parts.append(QString());
        }
        previous = c;
        havePrevious = true;
    }
    return parts;
}

CommandLine::Result CommandLine::ParseCommandLine(const QStringList& args, Values& values,
                                                  const std::function<QString(int)>& message)
{
    static const QStringList withArgument{u"-c"_s, u"-u"_s, u"-p"_s, u"-e"_s, u"-l"_s, u"-L"_s, u"-f"_s};
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& word = args[i];
        if (word == u"-?" || word == u"-h")
            return {Outcome::Usage, QString()};
        if (word.isEmpty())
            continue;
        if (!withArgument.contains(word))
            return {Outcome::Error, message(69) + u' ' + word};
        if (i + 1 >= args.size())
            return {Outcome::Error, message(44) + u' ' + word};
        const QString& argument = args[++i];
        if (word == u"-c") {
            values.StartConnectionName = argument;
        } else if (word == u"-u") {
            values.StartUserName = argument;
        } else if (word == u"-p") {
            values.StartPassword = argument;
        } else if (word == u"-e") {
            values.HiddenStartValue = argument;
            values.HiddenStartFlag = true;
        } else if (word == u"-l") {
            int langId = Languages::LangArgToLangId(argument.toUpper());
            values.UILanguage = Languages::LangIdToCode(langId);
            values.UILangId = langId;
        } else if (word == u"-L") {
            values.StartDataLanguage = argument;
        } else if (word == u"-f") {
            // A word that is no number, or not positive, is ignored; a number beyond the 32-bit
            // range is a mistake worth telling rather than a flag silently dropped.
            const double value = NumberText::leadingValue(argument);
            const std::optional<qint32> flag = NumberText::roundToInt32(value);
            if (!flag && value > 0)
                return {Outcome::Error, message(743) + u' ' + argument};
            if (flag && *flag > 0)
                values.SessionFlags.append(*flag);
        }
    }
    return {};
}
