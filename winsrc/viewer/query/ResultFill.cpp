#include "ResultFill.h"

#include "AnsiCodec.h"
#include "KLVQuery.h"
#include "KLVQueryMetaData.h"
#include "KLVResultSet.h"
#include "KLVTools.h"
#include "ListViewHelpers.h"
#include "ResultListModel.h"
#include "ResultListView.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstring>

namespace {

inline bool isAscii(QByteArrayView bytes)
{
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    for (; end - p >= 8; p += 8) {
        quint64 word;
        std::memcpy(&word, p, sizeof word);
        if (word & 0x8080808080808080ull)
            return false;
    }
    for (; p < end; ++p) {
        if (uchar(*p) >= 0x80)
            return false;
    }
    return true;
}

} // namespace

QByteArrayView ResultFill::utf8Field(QByteArrayView bytes, bool unicode, QByteArray& scratch)
{
    if (unicode ? ResultListRows::isUtf8(bytes) : isAscii(bytes))
        return bytes;
    scratch = (unicode ? QString::fromUtf8(bytes) : AnsiCodec::decode(bytes)).toUtf8();
    return scratch;
}

ResultFill::ResultFill(ResultListView* view, QObject* parent) : QObject(parent), m_view(view) {}

ResultFill::~ResultFill()
{
    // Gone in the middle of a run (its window closed while a block was awaited): the wait
    // is broken, and the run returns without touching this object again.
    if (!m_running)
        return;
    if (m_view)
        m_view->resultModel()->setFilling(false);
    if (m_query)
        m_query->Break();
}

int ResultFill::run(const QSharedPointer<KLVQuery>& query, int columnCount, const Progress& progress)
{
    ResultListModel* model = m_view ? m_view->resultModel() : nullptr;
    if (m_running || (model && model->isFilling()))
        return -1;
    if (!query || !model)
        return 0;

    const QPointer<ResultFill> self(this);
    const QPointer<ResultListModel> list(model);
    m_running = true;
    m_breakRequested = false;
    m_broken = false;
    m_lastError.clear();
    m_query = query;
    model->setFilling(true);
    // Column i shows field i + 1: its type decides how the column sorts.
    if (const QSharedPointer<KLVQueryMetaData> metaData = query->GetQueryMetaData()) {
        const KLVFieldMetaDataList fields = metaData->GetFieldMetaDataArray();
        for (int c = 0; c < columnCount && c < model->columnCount(); ++c) {
            const QSharedPointer<KLVQueryFieldMetaData> field = fields.value(c);
            model->setColumnDataType(c, field ? KLVTools::DataTypeOf(field->ERPType()) : KLVActiveX::klvString);
        }
    }

    const KLVResultSet* record = query->resultSet();
    int rows = 0;
    bool listGone = false;
    QElapsedTimer sinceShown;
    for (;;) {
        if (m_breakRequested)
            break;
        const bool next = query->GetNextRecord();
        // The wait for a block runs the event loop: anything may have happened meanwhile.
        if (!self)
            return rows;
        if (!list) {
            listGone = true;
            break;
        }
        if (!next || m_breakRequested)
            break;
        // The record's fields as received, valid until the record changes.
        const int fieldCount = record->GetFieldCount();
        const bool unicode = record->recordIsUnicode();
        m_fields.resize(size_t(fieldCount));
        if (m_converted.size() < size_t(fieldCount))
            m_converted.resize(size_t(fieldCount));
        for (int f = 0; f < fieldCount; ++f) {
            // Plain ASCII, as most fields are, is the same in either character set.
            const QByteArrayView bytes = record->fieldBytes(f + 1);
            m_fields[size_t(f)] = isAscii(bytes) ? bytes : utf8Field(bytes, unicode, m_converted[size_t(f)]);
        }
        model->stageRecord(m_fields.data(), fieldCount, columnCount);
        ++rows;
        if (progress && rows % ProgressStep == 0) {
            progress(rows, query->GetRecordTotal());
            if (!self)
                return rows;
            if (!list) {
                listGone = true;
                break;
            }
        }
        // The last record held: the next one is a further block. Let the window do what
        // waits, and show the rows that came. Every insertion repaints the list, so rows are
        // shown at most every ShowInterval milliseconds (the first block at once).
        if (query->GetRecordNumber() >= query->GetRecordCount()) {
            if (!sinceShown.isValid() || sinceShown.elapsed() >= ShowInterval) {
                model->commitRows();
                sinceShown.start();
            }
            QCoreApplication::processEvents();
            if (!self)
                return rows;
            if (!list) {
                listGone = true;
                break;
            }
        }
    }

    if (listGone)
        query->Break(); // nobody reads the rest
    m_broken = m_breakRequested;
    m_lastError = m_broken || listGone ? QString() : query->GetLastError();
    if (list) {
        list->commitRows();
        // A click on a header during the run sorted the rows of that moment. A long sort
        // waits in an event loop: this fill, or the list, may be gone after it.
        if (m_view && m_view->property("Sorted").toBool())
            ListViewHelpers::ApplyListViewSorting(m_view);
        if (!self)
            return rows;
        if (list)
            list->setFilling(false);
    }
    m_running = false;
    m_query.reset();
    Q_EMIT finished(rows);
    return rows;
}

void ResultFill::requestBreak()
{
    if (!m_running)
        return;
    m_breakRequested = true;
    if (m_query)
        m_query->Break();
}
