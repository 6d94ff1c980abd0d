#include "WorkbookFormula.h"

using namespace Qt::StringLiterals;

namespace {

// What an unquoted sheet name is made of.
bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'.' || c == u'\\' || c.unicode() > 127;
}

qsizetype indexOf(const QStringList& sheets, QStringView name)
{
    for (qsizetype i = 0; i < sheets.size(); ++i) {
        if (QStringView(sheets[i]).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

// The sheet part of one reference (what stands before its "!") once sheet is gone; a null string
// when the reference is to be "#REF!".
QString withoutSheet(const QString& reference, const QString& sheet, const QStringList& sheets)
{
    const qsizetype colon = reference.indexOf(u':');
    if (colon < 0)
        return reference.compare(sheet, Qt::CaseInsensitive) == 0 ? QString() : WorkbookFormula::Quoted(reference);
    const QString first = reference.left(colon);
    const QString last = reference.mid(colon + 1);
    const bool firstGoes = first.compare(sheet, Qt::CaseInsensitive) == 0;
    const bool lastGoes = last.compare(sheet, Qt::CaseInsensitive) == 0;
    if (!firstGoes && !lastGoes)
        return WorkbookFormula::Quoted(first + u':' + last);
    qsizetype from = indexOf(sheets, first);
    qsizetype to = indexOf(sheets, last);
    if (from < 0 || to < 0 || from == to)
        return {};
    if (from > to)
        std::swap(from, to);
    const qsizetype gone = indexOf(sheets, sheet);
    if (from == gone)
        ++from;
    if (to == gone)
        --to;
    if (from == to)
        return WorkbookFormula::Quoted(sheets[from]);
    return WorkbookFormula::Quoted(sheets[from] + u':' + sheets[to]);
}

} // namespace

QString WorkbookFormula::Quoted(const QString& sheet)
{
    QString doubled = sheet;
    doubled.replace(u'\'', u"''"_s);
    return u'\'' + doubled + u'\'';
}

QString WorkbookFormula::WithoutSheet(QStringView formula, const QString& sheet, const QStringList& sheets)
{
    QString out;
    out.reserve(formula.size());
    qsizetype at = 0;
    const qsizetype n = formula.size();
    while (at < n) {
        const QChar c = formula[at];
        if (c == u'"') {
            // A text: up to the quote that is not doubled.
            qsizetype end = at + 1;
            while (end < n && !(formula[end] == u'"' && (end + 1 >= n || formula[end + 1] != u'"')))
                end += formula[end] == u'"' ? 2 : 1;
            out += formula.mid(at, end + 1 - at);
            at = end + 1;
            continue;
        }
        if (c == u'[') {
            // Another workbook's number, or a table's column: the name after it is not ours.
            qsizetype end = at;
            int depth = 0;
            do {
                if (formula[end] == u'[')
                    ++depth;
                else if (formula[end] == u']')
                    --depth;
                ++end;
            } while (end < n && depth > 0);
            while (end < n && (isNameChar(formula[end]) || formula[end] == u':' || formula[end] == u'!'))
                ++end;
            out += formula.mid(at, end - at);
            at = end;
            continue;
        }
        QString reference;
        qsizetype end = at;
        if (c == u'\'') {
            ++end;
            while (end < n && !(formula[end] == u'\'' && (end + 1 >= n || formula[end + 1] != u'\''))) {
                reference += formula[end];
                end += formula[end] == u'\'' ? 2 : 1;
            }
            ++end;
        } else if (isNameChar(c)) {
            while (end < n && (isNameChar(formula[end]) || formula[end] == u':'))
                ++end;
            reference = formula.mid(at, end - at).toString();
        } else {
            out += c;
            ++at;
            continue;
        }
        if (end >= n || formula[end] != u'!' || reference.startsWith(u'[')) {
            // No sheet: a name, a function, a cell; or a quoted name of another workbook.
            out += formula.mid(at, end - at);
            at = end;
            continue;
        }
        const QString kept = withoutSheet(reference, sheet, sheets);
        if (kept.isNull())
            out += u"#REF!"_s;
        else if (kept == Quoted(reference))
            out += formula.mid(at, end + 1 - at); // untouched, as it was written
        else
            out += kept + u'!';
        at = end + 1;
    }
    return out;
}
