#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QPointer>
#include <QSharedPointer>
#include <QString>

#include <functional>
#include <vector>

class KLVQuery;
class ResultListView;

// Reads the records of a started query into a result list, block by block: record i gives
// the cells of column i - 1 from field i (i = 1 to the column count) and the row's tag from
// the field after them (the record id the query asks for with "+id"). The fields go into the
// list's rows as the bytes they came in, never made text on the way: only a field that is not
// UTF-8 (from a connection in Windows-1252, or malformed) is converted, to what its text is.
//
// The window stays responsive: the query's waits for a further block run the event loop,
// and between two blocks pending events run and the rows read so far are shown (at most
// every ShowInterval ms: each insertion repaints the list). A Break
// (from a handler running in one of those moments) ends the fill at once, within the block.
// One fill runs per list at a time: a second run while one runs is refused.
//
//   ResultFill fill(view);                       // one per window, like the list
//   if (fill.isRunning()) return;                // F5, table and field actions: refused
//   if (!query->StartQuerySel(selection, fields + u",+id"_s)) { ... }
//   const int rows = fill.run(query, view->columnCount(),
//                             [this](int rows, int total) { ShowAnzSaetze(rows, total); });
//   ShowAnzSaetze(rows, query->GetRecordTotal());  // the final count is the caller's
//   // Break button: fill.requestBreak();  closing: refuse while isRunning(), requestBreak(),
//   // and close again on finished().
class ResultFill : public QObject
{
    Q_OBJECT

public:
    using Progress = std::function<void(int rows, int total)>;
    // Rows between two calls of the progress function.
    static constexpr int ProgressStep = 100;
    // Rows read are shown at the end of a block, but not more often than this (ms).
    static constexpr int ShowInterval = 200;

    explicit ResultFill(ResultListView* view, QObject* parent = nullptr);
    ~ResultFill() override;

    // Appends the query's remaining records to the list; returns the rows added, or -1 when
    // a fill of this list is already running (nothing is read then). progress gets the rows
    // so far and the query's record total at every ProgressStep rows. Each column takes the
    // data type of its field from the query's field descriptions, when the query has them,
    // so that numbers and dates sort by value. The list's sorting is applied again at the
    // end when it was switched on meanwhile.
    int run(const QSharedPointer<KLVQuery>& query, int columnCount, const Progress& progress = {});

    bool isRunning() const { return m_running; }
    // Ends a running fill before its next row and breaks the query's request.
    void requestBreak();
    // After a run: whether requestBreak ended it, and the query's error when it ended on
    // one (a dropped connection, a refused block); empty after a complete read or a break.
    bool wasBroken() const { return m_broken; }
    QString lastError() const { return m_lastError; }

    // The UTF-8 of a field's bytes as received: the bytes themselves when they are UTF-8
    // already, else (in scratch) the UTF-8 of the text the library makes of them: Windows-1252
    // when unicode is false, malformed UTF-8 with its replacement characters.
    static QByteArrayView utf8Field(QByteArrayView bytes, bool unicode, QByteArray& scratch);

Q_SIGNALS:
    void finished(int rows);

private:
    QPointer<ResultListView> m_view;
    QSharedPointer<KLVQuery> m_query;
    bool m_running = false;
    bool m_breakRequested = false;
    bool m_broken = false;
    QString m_lastError;
    // The current record's fields, reused from record to record.
    std::vector<QByteArrayView> m_fields;
    std::vector<QByteArray> m_converted;
};
