#include "ExportWorkbookWriter.h"

#include "ExportFollowUp.h"
#include "ExportPrompt.h"
#include "ExportTemporaryFiles.h"
#include "ExportValue.h"
#include "KLVTAVArtInfo.h"
#include "MainModul.h"
#include "WorkbookMerge.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringEncoder>

#include <xlsxwriter.h>
#include <zip.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

constexpr int MsgTooManyFields = 289;
constexpr int MsgNoWorkbookName = 235;
constexpr int MsgNoSheetName = 236;
constexpr int MsgBadSheetName = 283;
constexpr int MsgSheetFull = 284;
constexpr int MsgCellFailed = 286;
constexpr int MsgRow = 287;
constexpr int MsgField = 288;
constexpr int MsgFormatFailed = 290;
constexpr int MsgOverwrite = 239;
constexpr int MsgNoWorkbook = 247;
constexpr int MsgOpenFailed = 248;
constexpr int MsgCreateFailed = 249;
constexpr int MsgSheetFailed = 250;
constexpr int MsgDeleteFailed = 251;
constexpr int MsgSheetExists = 238;

// How much of a value a message box shows.
constexpr qsizetype ShownValueLength = 200;
// The widest column a worksheet takes.
constexpr double MaxColumnWidth = 255;

// What a worksheet's XML holds besides its rows, at the least: the declaration, the sheet
// data's tags and the end of the worksheet.
constexpr qint64 MinSheetFrame = sizeof("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n") - 1 +
                                 sizeof("<worksheet></worksheet><sheetData/>") - 1;

QString systemText(int errorNumber)
{
    return QString::fromLocal8Bit(std::strerror(errorNumber));
}

QString libraryText(lxw_error error)
{
    return QString::fromUtf8(lxw_strerror(error));
}

// The uncompressed size of an entry of a zip file; -1 when the file or the entry cannot be
// read.
qint64 zipEntrySize(const QString& zipFile, const QByteArray& entry)
{
    int code = 0;
    zip_t* archive = zip_open(QFile::encodeName(zipFile).constData(), ZIP_RDONLY, &code);
    if (!archive)
        return -1;
    zip_stat_t stat;
    zip_stat_init(&stat);
    const bool known = zip_stat(archive, entry.constData(), 0, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE);
    zip_discard(archive);
    return known ? qint64(stat.size) : -1;
}

ExportFailure mergeFailure(int message, const WorkbookMerge::Failure& failure)
{
    return {message, failure.description, failure.number};
}

// Why the workbook cannot take the sheet, as the spreadsheet would refuse it: a sheet of the
// name that is no worksheet cannot be replaced by one, and a workbook whose structure is
// protected has no sheet deleted or added.
std::optional<ExportFailure> sheetRefusal(const WorkbookMerge& book, const QString& sheet)
{
    const WorkbookMerge::SheetKind kind = book.sheetKind(sheet);
    if (kind == WorkbookMerge::SheetKind::OtherSheet)
        return ExportFailure{MsgSheetFailed, systemText(EEXIST), EEXIST};
    if (book.structureLocked())
        return ExportFailure{kind == WorkbookMerge::SheetKind::Worksheet ? MsgDeleteFailed : MsgSheetFailed,
                             systemText(EACCES), EACCES};
    return std::nullopt;
}

} // namespace

ExportWorkbookWriter::ExportWorkbookWriter(ExportJob job, Options options)
    : ExportWriter(std::move(job)), m_options(std::move(options))
{}

ExportWorkbookWriter::~ExportWorkbookWriter()
{
    discard();
}

bool ExportWorkbookWriter::ValidSheetName(const QString& name)
{
    if (name.isEmpty() || name.toUcs4().size() > MaxSheetNameLength)
        return false;
    for (const QChar c : name) {
        if (u"[]:*?/\\"_s.contains(c))
            return false;
    }
    return !name.startsWith(u'\'') && !name.endsWith(u'\'');
}

ExportCheck ExportWorkbookWriter::checkTarget()
{
    if (job().fields.size() > MaxColumns)
        return ExportCheck::Refused(GetMessageTextByNr(MsgTooManyFields) + u' ' + QString::number(job().fields.size()));
    if (fileName().isEmpty())
        return ExportCheck::Refused(GetMessageTextByNr(MsgNoWorkbookName), FileName);
    if (m_options.sheetName.isEmpty())
        return ExportCheck::Refused(GetMessageTextByNr(MsgNoSheetName), SheetName);
    // Checked before anything is touched: a name the workbook cannot take would otherwise
    // fail only once the rows are on their way.
    if (!ValidSheetName(m_options.sheetName))
        return ExportCheck::Refused(GetMessageTextByNr(MsgBadSheetName), SheetName);
    if (QFileInfo(fileName()).isDir())
        return ExportCheck::Refused(ExportFailure{MsgOpenFailed, systemText(EISDIR), EISDIR}.text(), FileName);
    return {};
}

ExportCheck ExportWorkbookWriter::confirmTarget()
{
    const QString name = fileName();
    const QFileInfo info(name);
    if (info.exists() && info.size() >= 1) {
        // The workbook keeps its other sheets: only a worksheet of the export's name is asked
        // about, as the export replaces it.
        WorkbookMerge book;
        if (const std::optional<WorkbookMerge::Failure> failure = book.open(name))
            return ExportCheck::Refused(mergeFailure(MsgOpenFailed, *failure).text(), FileName);
        const QString& sheet = m_options.sheetName;
        if (const std::optional<ExportFailure> refusal = sheetRefusal(book, sheet))
            return ExportCheck::Refused(refusal->text(), SheetName);
        if (book.sheetKind(sheet) == WorkbookMerge::SheetKind::None)
            return {};
        const QString question =
            GetMessageTextByNr(MsgSheetExists) + u' ' + sheet + u"\r\n"_s + GetMessageTextByNr(MsgOverwrite);
        return prompt().ask(question, ExportPrompt::Choice::OkCancel) ? ExportCheck() : ExportCheck::Declined();
    }
    if (!info.exists() && !prompt().ask(GetMessageTextByNr(MsgNoWorkbook), ExportPrompt::Choice::YesNo))
        return ExportCheck::Refused(ExportFailure{MsgOpenFailed, systemText(ENOENT), ENOENT}.text());
    return {};
}

bool ExportWorkbookWriter::createTemporary(ExportFailure& failure)
{
    // Made here, so a folder that takes no file says so before any row.
    for (;; ++m_temporaryNumber) {
        m_temporary = ExportTemporaryFiles::Name(fileName(), m_temporaryNumber);
        QFile probe(m_temporary);
        errno = 0;
        if (probe.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            break;
        const int error = errno;
        if (error != EEXIST || m_temporaryNumber >= 1000) {
            m_temporary.clear();
            fail(failure, MsgCreateFailed, probe.errorString(), error ? error : int(probe.error()));
            return false;
        }
    }
    ++m_temporaryNumber;
    return true;
}

bool ExportWorkbookWriter::open(ExportFailure& failure)
{
    discard();
    const QString target = fileName();
    const QFileInfo info(target);
    const QString folder = info.absolutePath();
    // What exports here left behind when they were killed goes first.
    ExportTemporaryFiles::RemoveStale(folder);
    const QString sheetName = m_options.sheetName;
    bool selectedSheet = true;
    if (info.exists() && info.size() >= 1) {
        m_merge = std::make_unique<WorkbookMerge>();
        if (const std::optional<WorkbookMerge::Failure> f = m_merge->open(target)) {
            fail(failure, MsgOpenFailed, f->description, f->number);
            return false;
        }
        if (const std::optional<ExportFailure> refusal = sheetRefusal(*m_merge, sheetName)) {
            fail(failure, refusal->message, refusal->description, refusal->number);
            return false;
        }
        selectedSheet = m_merge->becomesActive(sheetName);
    }
    if (!createTemporary(failure))
        return false;

    m_folder = QFile::encodeName(folder);
    // Rows go to the library's own temporary file in the target's folder, not into memory.
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = m_folder.data();
    m_workbook = workbook_new_opt(QFile::encodeName(m_temporary).constData(), &options);
    if (!m_workbook) {
        fail(failure, MsgCreateFailed, systemText(ENOMEM), ENOMEM);
        return false;
    }
    const QByteArray sheetUtf8 = sheetName.toUtf8();
    const lxw_error nameError = workbook_validate_sheet_name(m_workbook, sheetUtf8.constData());
    errno = 0;
    // The first sheet of a workbook shows selected. In a workbook that exists the export's sheet
    // is selected only when it becomes the active one: else a sheet of no account goes first.
    m_sheetEntry = "xl/worksheets/sheet1.xml";
    if (!selectedSheet && nameError == LXW_NO_ERROR) {
        workbook_add_worksheet(m_workbook, sheetName.compare(u"x"_s, Qt::CaseInsensitive) == 0 ? "y" : "x");
        m_sheetEntry = "xl/worksheets/sheet2.xml";
    }
    m_sheet = nameError == LXW_NO_ERROR ? workbook_add_worksheet(m_workbook, sheetUtf8.constData()) : nullptr;
    if (!m_sheet || !m_sheet->optimize_tmpfile) {
        const int error = errno;
        if (nameError != LXW_NO_ERROR)
            fail(failure, MsgSheetFailed, libraryText(nameError), nameError);
        else
            fail(failure, MsgSheetFailed, systemText(error ? error : EIO), error ? error : EIO);
        return false;
    }
    if (m_merge && !reserveFormats(m_merge->cellFormatCount(), failure))
        return false;
    m_plain = workbook_add_format(m_workbook);

    prepareColumns();
    for (int i = 0; i < m_columns.size(); ++i) {
        const Column& column = m_columns[i];
        double width = column.width;
        if (!column.format && width <= 0)
            continue;
        const lxw_error error =
            worksheet_set_column(m_sheet, lxw_col_t(i), lxw_col_t(i),
                                 width > 0 ? std::min(width, MaxColumnWidth) : LXW_DEF_COL_WIDTH, column.format);
        if (error != LXW_NO_ERROR) {
            fail(failure, MsgFormatFailed, job().fields[i].caption + u": "_s + libraryText(error), error);
            return false;
        }
    }

    m_nextRow = 0;
    if (m_options.withFieldNames) {
        // The captions in the plain format, whatever the column's.
        for (int i = 0; i < job().fields.size(); ++i) {
            const lxw_error error =
                worksheet_write_string(m_sheet, 0, lxw_col_t(i), utf8(job().fields[i].caption), m_plain);
            if (error != LXW_NO_ERROR) {
                fail(failure, MsgCellFailed, libraryText(error), error);
                return false;
            }
        }
        m_nextRow = 1;
    }
    return !dataWriteFailed(failure);
}

bool ExportWorkbookWriter::reserveFormats(int count, ExportFailure& failure)
{
    // Formats of no account take the numbers the workbook's own formats have. Each differs
    // from the others and from any the export uses (by its indent and number format), so the
    // library gives each a number of its own.
    constexpr int Distinct = 255 * 256;
    lxw_hash_table* used = m_workbook->used_xf_formats;
    for (int i = 0; int(used->unique_count) < count; ++i) {
        lxw_format* format = i < Distinct ? workbook_add_format(m_workbook) : nullptr;
        if (!format) {
            fail(failure, MsgCreateFailed, systemText(i < Distinct ? ENOMEM : EOVERFLOW),
                 i < Distinct ? ENOMEM : EOVERFLOW);
            return false;
        }
        format_set_indent(format, uint8_t(1 + i % 255));
        format_set_num_format_index(format, uint8_t(i / 255));
        lxw_format_get_xf_index(format);
    }
    return true;
}

void ExportWorkbookWriter::prepareColumns()
{
    const bool formatColumns = m_options.formatColumns;
    const QString& dateFormat = m_options.dateFormat;
    const QString& timeFormat = m_options.timeFormat;
    m_columns.clear();
    QHash<QString, lxw_format*> formats;
    for (const ExportField& field : job().fields) {
        Column column;
        const KLVTAVArtInfo* type = field.type.data();
        // A field the caller knows no type of is text, unformatted.
        const int dataType = type && !type->TAVArt().isEmpty() ? int(type->DataType()) : -1;
        QString numberFormat;
        int builtIn = -1; // the spreadsheet's own formats, shown in the reader's locale
        switch (dataType) {
        case KLVActiveX::klvLongInt:
        case KLVActiveX::klvInteger:
        case KLVActiveX::klvByte:
            column.kind = Kind::Number;
            if (formatColumns) {
                numberFormat = u"0"_s;
                column.width = type->MaxLen2();
            }
            break;
        case KLVActiveX::klvReal:
            column.kind = Kind::Number;
            column.fractionDigits = type->FractionDigits();
            if (formatColumns) {
                numberFormat = column.fractionDigits > 0 ? u"0."_s + QString(column.fractionDigits, u'0') : u"0"_s;
                column.width = type->MaxLen2();
            }
            break;
        case KLVActiveX::klvDate:
            column.kind = Kind::Date;
            numberFormat = formatColumns ? dateFormat : QString();
            builtIn = 14;
            break;
        case KLVActiveX::klvTime:
            column.kind = Kind::Time;
            numberFormat = formatColumns ? timeFormat : QString();
            builtIn = 20;
            break;
        case KLVActiveX::klvDateTime:
            column.kind = Kind::DateTime;
            numberFormat = formatColumns ? QString(dateFormat + u' ' + timeFormat).trimmed() : QString();
            builtIn = 22;
            break;
        case KLVActiveX::klvWeek:
            if (formatColumns)
                numberFormat = u"@"_s;
            break;
        case KLVActiveX::klvString:
            if (formatColumns) {
                numberFormat = u"@"_s;
                column.width = std::min(80, type->MaxLineLen());
            }
            break;
        default:
            break;
        }
        if (column.kind == Kind::Date || column.kind == Kind::Time || column.kind == Kind::DateTime) {
            // A date cell needs a date format to show as one; a column as wide as the format,
            // as the spreadsheet widens a column a date is typed into.
            if (!numberFormat.isEmpty())
                column.width = numberFormat.size() + 2;
        }
        if (!numberFormat.isEmpty() || builtIn >= 0) {
            // One format object per number format: the library looks a second one of the same
            // kind up again for every cell.
            const QString key = numberFormat.isEmpty() ? QString::number(builtIn) : u'"' + numberFormat;
            column.format = formats.value(key);
            if (!column.format) {
                column.format = workbook_add_format(m_workbook);
                if (!numberFormat.isEmpty())
                    format_set_num_format(column.format, numberFormat.toUtf8().constData());
                else
                    format_set_num_format_index(column.format, uint8_t(builtIn));
                formats.insert(key, column.format);
            }
        }
        m_columns.append(column);
    }
}

ExportWriter::Step ExportWorkbookWriter::writeRow(const QStringList& values, qint64 row, ExportFailure& failure)
{
    if (!m_sheet) {
        failure = {MsgCreateFailed, systemText(EBADF), EBADF};
        return Step::Fail;
    }
    if (m_nextRow >= MaxSheetRows) {
        // Told once; the rows up to the sheet's last stay and the workbook is finished.
        prompt().tell(FormatMessage(MsgSheetFull, QString(), QString::number(row - 1)));
        return Step::Stop;
    }
    for (int i = 0; i < values.size() && i < m_columns.size(); ++i) {
        int error = 0;
        if (writeCell(i, values[i], error))
            continue;
        QString shown = values[i];
        if (shown.size() > ShownValueLength)
            shown = shown.left(ShownValueLength) + u"..."_s;
        const QString text = GetMessageTextByNr(MsgCellFailed) + u"\r\n"_s + libraryText(lxw_error(error)) + u" ("_s +
                             QString::number(error) + u")\r\n"_s + GetMessageTextByNr(MsgRow) + u' ' +
                             QString::number(row) + u"\r\n"_s + GetMessageTextByNr(MsgField) + u' ' +
                             job().fields[i].caption + u" = "_s + shown;
        if (!prompt().ask(text, ExportPrompt::Choice::OkCancel)) {
            ++m_nextRow;
            return dataWriteFailed(failure) ? Step::Fail : Step::Cancel;
        }
    }
    ++m_nextRow;
    return dataWriteFailed(failure) ? Step::Fail : Step::Continue;
}

bool ExportWorkbookWriter::writeCell(int column, const QString& value, int& error)
{
    if (value.isEmpty())
        return true;
    const Column& c = m_columns[column];
    const lxw_row_t row = lxw_row_t(m_nextRow);
    const lxw_col_t col = lxw_col_t(column);
    lxw_error result = LXW_NO_ERROR;
    bool written = false;
    switch (c.kind) {
    case Kind::Number:
        if (const std::optional<double> number = ExportValue::Number(value, c.fractionDigits)) {
            result = worksheet_write_number(m_sheet, row, col, *number, c.format);
            written = true;
        }
        break;
    case Kind::Date:
        // Before 1900 a worksheet has no dates.
        if (const std::optional<QDate> date = ExportValue::Date(value); date && date->year() >= 1900) {
            lxw_datetime cell{date->year(), date->month(), date->day(), 0, 0, 0};
            result = worksheet_write_datetime(m_sheet, row, col, &cell, c.format);
            written = true;
        }
        break;
    case Kind::Time:
        if (const std::optional<QTime> time = ExportValue::Time(value)) {
            lxw_datetime cell{0, 0, 0, time->hour(), time->minute(), double(time->second())};
            result = worksheet_write_datetime(m_sheet, row, col, &cell, c.format);
            written = true;
        }
        break;
    case Kind::DateTime:
        if (const std::optional<QDateTime> stamp = ExportValue::DateTime(value);
            stamp && stamp->date().year() >= 1900) {
            const QDate d = stamp->date();
            const QTime t = stamp->time();
            lxw_datetime cell{d.year(), d.month(), d.day(), t.hour(), t.minute(), double(t.second())};
            result = worksheet_write_datetime(m_sheet, row, col, &cell, c.format);
            written = true;
        }
        break;
    case Kind::Text:
        break;
    }
    // A string cell is never read as a formula, whatever it starts with.
    if (!written)
        result = worksheet_write_string(m_sheet, row, col, utf8(value), c.format);
    error = int(result);
    return result == LXW_NO_ERROR;
}

bool ExportWorkbookWriter::dataWriteFailed(ExportFailure& failure)
{
    // The library writes the rows to its temporary file without looking at the outcome: a
    // full disk would give a broken workbook that it calls complete.
    if (!m_sheet || !m_sheet->optimize_tmpfile || !std::ferror(m_sheet->optimize_tmpfile))
        return false;
    const int error = errno ? errno : EIO;
    fail(failure, MsgCreateFailed, systemText(error), error);
    return true;
}

bool ExportWorkbookWriter::finish(ExportFailure& failure)
{
    if (!m_workbook || !m_sheet) {
        fail(failure, MsgCreateFailed, systemText(EBADF), EBADF);
        return false;
    }
    // The last row, which the library keeps until it closes, goes to its file now, so every
    // byte of the rows is counted.
    lxw_worksheet_write_single_row(m_sheet);
    errno = 0;
    if (std::fflush(m_sheet->optimize_tmpfile) != 0 || std::ferror(m_sheet->optimize_tmpfile)) {
        const int error = errno ? errno : EIO;
        fail(failure, MsgCreateFailed, systemText(error), error);
        return false;
    }
    const long rowBytes = std::ftell(m_sheet->optimize_tmpfile);
    m_sheet = nullptr;
    const lxw_error closed = workbook_close(m_workbook);
    m_workbook = nullptr;
    if (closed != LXW_NO_ERROR) {
        fail(failure, MsgCreateFailed, libraryText(closed), closed);
        return false;
    }
    // Copying the rows into the workbook is not checked by the library either: the sheet in
    // the finished file holds every byte of them or the workbook is broken.
    const qint64 sheetBytes = zipEntrySize(m_temporary, m_sheetEntry);
    if (sheetBytes < qint64(rowBytes) + MinSheetFrame) {
        fail(failure, MsgCreateFailed, systemText(EIO), EIO);
        return false;
    }
    const QString target = fileName();
    if (m_merge) {
        do {
            m_merged = ExportTemporaryFiles::Name(target, m_temporaryNumber++);
        } while (QFileInfo::exists(m_merged));
        if (const std::optional<WorkbookMerge::Failure> f =
                m_merge->write(m_temporary, m_options.sheetName, m_merged)) {
            fail(failure, MsgCreateFailed, f->description, f->number);
            return false;
        }
        m_merge.reset();
        QFile::remove(m_temporary);
        m_temporary = m_merged;
        m_merged.clear();
    }
    if (QFileInfo::exists(target))
        QFile::setPermissions(m_temporary, QFile::permissions(target));
    if (std::rename(QFile::encodeName(m_temporary).constData(), QFile::encodeName(target).constData()) != 0) {
        const int error = errno;
        fail(failure, MsgCreateFailed, systemText(error), error);
        return false;
    }
    m_temporary.clear();
    return true;
}

void ExportWorkbookWriter::discard()
{
    if (m_workbook) {
        // Freed without being written; the library's temporary file is closed here, as it
        // would be only by a close that writes.
        if (m_sheet && m_sheet->optimize_tmpfile) {
            std::fclose(m_sheet->optimize_tmpfile);
            m_sheet->optimize_tmpfile = nullptr;
        }
        lxw_workbook_free(m_workbook);
        m_workbook = nullptr;
    }
    m_sheet = nullptr;
    m_plain = nullptr;
    m_columns.clear();
    m_merge.reset();
    removeTemporary();
}

void ExportWorkbookWriter::fail(ExportFailure& failure, int message, const QString& description, int number)
{
    failure = {message, description, number};
    discard();
}

void ExportWorkbookWriter::removeTemporary()
{
    for (QString* name : {&m_temporary, &m_merged}) {
        if (!name->isEmpty())
            QFile::remove(*name);
        name->clear();
    }
}

QString ExportWorkbookWriter::CellText(const QString& text)
{
    // Most texts hold no "_x" at all and are taken as they are. The library writes control
    // characters as such codes itself and leaves the rest alone, so nothing is escaped twice;
    // but it takes C strings, which end at a NUL: that one is written as its code here.
    if (!text.contains(u"_x") && !text.contains(QChar(0)))
        return text;
    const auto isHex = [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    };
    QString out;
    out.reserve(text.size() + 12);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QChar(0)) {
            out += u"_x0000_"_s;
            continue;
        }
        if (text[i] == u'_' && i + 6 < text.size() && text[i + 1] == u'x' && isHex(text[i + 2]) && isHex(text[i + 3]) &&
            isHex(text[i + 4]) && isHex(text[i + 5]) && text[i + 6] == u'_')
            out += u"_x005F"_s;
        out += text[i];
    }
    return out;
}

const char* ExportWorkbookWriter::utf8(const QString& value)
{
    const QString text = CellText(value);
    // One buffer for every cell: a million rows allocate nothing of their own.
    QStringEncoder encoder(QStringEncoder::Utf8);
    m_utf8.resize(encoder.requiredSpace(text.size()) + 1);
    char* end = encoder.appendToBuffer(m_utf8.data(), text);
    *end = '\0';
    return m_utf8.constData();
}

void ExportWorkbookWriter::startFollowUp()
{
    if (m_options.startProgram)
        ExportFollowUp::OpenWithDesktopApp(fileName());
}
