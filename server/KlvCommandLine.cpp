#include "KlvCommandLine.h"

#include "KlvWire.h"

KlvCommandLine KlvCommandLine::parse(const QString& line)
{
    KlvCommandLine cmd;
    cmd.line = line;
    const qsizetype firstBar = line.indexOf(u'|');
    if (firstBar < 0) {
        cmd.word = line;
        return cmd;
    }
    cmd.word = line.left(firstBar);
    const qsizetype secondBar = line.indexOf(u'|', firstBar + 1);
    if (secondBar < 0) {
        cmd.tid = line.mid(firstBar + 1);
        return cmd;
    }
    cmd.tid = line.mid(firstBar + 1, secondBar - firstBar - 1);
    cmd.fields = KlvWire::splitFields(QStringView(line).mid(secondBar + 1));
    return cmd;
}
