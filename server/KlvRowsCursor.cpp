#include "KlvRowsCursor.h"

void KlvRowsCursor::writeRecord(KlvBlockWriter& writer, int index)
{
    writer.beginRecord();
    for (const QString& v : m_rows.at(index))
        writer.field(v);
    writer.endRecord();
}
