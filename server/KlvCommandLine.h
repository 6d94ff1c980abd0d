#pragma once

#include <QString>
#include <QStringList>

// One received command line taken apart: word, transaction id and unescaped fields.
class KlvCommandLine
{
public:
    static KlvCommandLine parse(const QString& line);

    QString line;       // as received, without the line end
    QString word;       // text before the first bar (the whole line when it has none)
    QString tid;        // text between the first and the second bar
    QStringList fields; // unescaped fields after the tid; none when there is no second bar

    // Field i (0 = the first after the tid); empty when absent.
    QString field(qsizetype i) const { return i >= 0 && i < fields.size() ? fields.at(i) : QString(); }
};
