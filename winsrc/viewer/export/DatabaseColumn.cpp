#include "DatabaseColumn.h"

#include "KLVTAVArtInfo.h"

#include <QSet>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

bool isMultiLineCode(const QString& code)
{
    return code.startsWith(u"DVMI"_s) || code.startsWith(u"DVMR"_s);
}

// The longest start of name that takes at most bytes bytes of UTF-8, cut between characters.
QString cutToBytes(const QString& name, int bytes)
{
    if (bytes <= 0)
        return name;
    qsizetype used = 0;
    qsizetype i = 0;
    while (i < name.size()) {
        const bool pair = name[i].isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate();
        const char32_t code = pair ? QChar::surrogateToUcs4(name[i], name[i + 1]) : char32_t(name[i].unicode());
        const int length = code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
        if (used + length > bytes)
            break;
        used += length;
        i += pair ? 2 : 1;
    }
    return name.left(i);
}

DatabaseColumn::Kind kindOf(const KLVTAVArtInfo* type)
{
    if (!type || type->TAVArt().isEmpty())
        return DatabaseColumn::Kind::Text;
    switch (type->DataType()) {
    case KLVActiveX::klvLongInt:
    case KLVActiveX::klvInteger:
    case KLVActiveX::klvByte:
        return DatabaseColumn::Kind::Whole;
    case KLVActiveX::klvReal:
        return DatabaseColumn::Kind::Real;
    case KLVActiveX::klvBool:
        return DatabaseColumn::Kind::Bool;
    case KLVActiveX::klvDate:
        return DatabaseColumn::Kind::Date;
    case KLVActiveX::klvDateTime:
        return DatabaseColumn::Kind::DateTime;
    default:
        return type->IsMultiLine() || isMultiLineCode(type->TAVArt()) ? DatabaseColumn::Kind::LineText
                                                                      : DatabaseColumn::Kind::Text;
    }
}

} // namespace

QString DatabaseColumn::SqlType(const ExportField& field, bool odbc)
{
    const KLVTAVArtInfo* type = field.type.data();
    if (!type || type->TAVArt().isEmpty())
        return u"TEXT"_s;
    const auto whole = [](int digits) {
        return digits <= 4 ? u"SMALLINT"_s : digits <= 9 ? u"INTEGER"_s : u"BIGINT"_s;
    };
    switch (type->DataType()) {
    case KLVActiveX::klvDate:
        return u"DATE"_s;
    case KLVActiveX::klvDateTime:
        return u"TIMESTAMP"_s;
    case KLVActiveX::klvBool:
        // Not every data source knows BOOLEAN; each stores 0 and 1.
        return odbc ? u"SMALLINT"_s : u"BOOLEAN"_s;
    case KLVActiveX::klvByte:
    case KLVActiveX::klvInteger:
        return whole(std::min(type->IntegerDigits(), 4));
    case KLVActiveX::klvLongInt:
        return whole(std::max(type->IntegerDigits(), 5));
    case KLVActiveX::klvReal:
        return u"DOUBLE PRECISION"_s;
    case KLVActiveX::klvFText:
        return u"TEXT"_s;
    default:
        break;
    }
    if (odbc || isMultiLineCode(type->TAVArt()) || type->MaxLen2() >= 256)
        return u"TEXT"_s;
    return u"VARCHAR("_s + QString::number(std::max(1, type->MaxLen2())) + u')';
}

QList<DatabaseColumn> DatabaseColumn::ForFields(const QList<ExportField>& fields, bool withPrefix, bool odbc,
                                                int maxNameBytes)
{
    QList<DatabaseColumn> columns;
    QSet<QString> used; // lower case: a database takes "Name" and "name" for one column
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const ExportField& field = fields[i];
        DatabaseColumn column;
        // A field of a window that knows no query names (an information system) goes by its
        // caption.
        QString base = withPrefix && !field.tag.isEmpty() ? field.tag : field.caption;
        if (base.isEmpty())
            base = u"F"_s + QString::number(i + 1);
        base = cutToBytes(base, maxNameBytes);
        column.name = base;
        for (int n = 2; used.contains(column.name.toLower()); ++n) {
            const QString suffix = u'_' + QString::number(n);
            column.name = cutToBytes(base, maxNameBytes > 0 ? maxNameBytes - int(suffix.size()) : 0) + suffix;
        }
        used.insert(column.name.toLower());
        column.sqlType = SqlType(field, odbc);
        column.kind = kindOf(field.type.data());
        if (column.kind == Kind::Real)
            column.fractionDigits = field.type->FractionDigits();
        columns.append(column);
    }
    return columns;
}
