#include "ExportJob.h"

bool ExportJob::flag(const QString& setting) const
{
    bool isNumber = false;
    const int value = options.value(setting).trimmed().toInt(&isNumber);
    return isNumber && value != 0;
}
