#include "ExportUnavailableWriter.h"

#include "ExportTargetCheck.h"
#include "MainModul.h"

namespace {

constexpr int MsgNotAvailable = 296;

} // namespace

bool ExportUnavailableWriter::checkTarget(QString& focusControl)
{
    const bool valid = job().exportType == 1   ? ExportTargetCheck::Workbook(job(), focusControl)
                       : job().exportType == 2 ? ExportTargetCheck::Database(job(), focusControl)
                                               : true;
    if (valid)
        MainModul::ShowMessageBox(MainModul::GetMessageTextByNr(MsgNotAvailable));
    return false;
}

bool ExportUnavailableWriter::open(ExportFailure& failure)
{
    failure = {MsgNotAvailable, QString(), 0};
    return false;
}

ExportWriter::Step ExportUnavailableWriter::writeRow(const QStringList&, qint64, ExportFailure& failure)
{
    failure = {MsgNotAvailable, QString(), 0};
    return Step::Fail;
}

bool ExportUnavailableWriter::finish(ExportFailure& failure)
{
    failure = {MsgNotAvailable, QString(), 0};
    return false;
}
