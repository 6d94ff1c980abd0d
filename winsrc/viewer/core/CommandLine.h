#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// The program's command line: the switches of KLVViewer and the start-up values they set.
class CommandLine
{
public:
    // Start-up values; the names are those of the program-wide state they end up in.
    struct Values
    {
        QString StartConnectionName;
        QString StartUserName;
        QString StartPassword;
        QString StartDataLanguage;
        bool HiddenStartFlag = false;
        QString HiddenStartValue;
        QList<qint32> SessionFlags;
        int UILangId = 9;
        QString UILanguage = QStringLiteral("en");
    };

    enum class Outcome {
        Start, // go on starting
        Usage, // the usage view was asked for ("-?", "-h"), usageText is empty
        Error, // a missing argument or an unknown word, described in usageText
    };

    struct Result
    {
        Outcome outcome = Outcome::Start;
        QString usageText;
    };

    // Splits text at the separator; double quotes group, and are dropped; a run of separators
    // counts once. Always at least one part.
    static QStringList SplitQuoted(const QString& text, QChar separator);

    // Visits the words in order and sets values. message gives the text of a message number
    // for the usage texts (the table as it was before the command line was read).
    static Result ParseCommandLine(const QStringList& args, Values& values, const std::function<QString(int)>& message);
};
