#pragma once

#include <QByteArray>
#include <QString>

class KLVQuery;
class QMimeData;

// The drag data of a result row in the ERP GUI client's format: the record reference, the
// character 24, "(" database number "," group number ")", the character 24, "[pos]=0"; cut
// to MaxChars characters and handed over as their UTF-16 little-endian bytes without a
// terminator, under the MIME type named like the clipboard format "CF_WEXA_GUI_DRAGDROP".
//
// The result pane wires it into its view's drag:
//   std::unique_ptr<QMimeData> data(ResultDragData::Create(tmpQuery.data(), view->selectedRowTag()));
//   if (data) { auto* drag = new QDrag(view); drag->setMimeData(data.release()); drag->exec(Qt::CopyAction); }
class ResultDragData
{
public:
    static constexpr int MaxChars = 9999;

    static QString Text(const QString& ref, int dnr, int gruppe);
    static QByteArray Bytes(const QString& ref, int dnr, int gruppe);
    // "CF_WEXA_GUI_DRAGDROP", as registered at start-up.
    static QString MimeType();

    // The database and group numbers of the record (fields "dnr" and "gruppe", each rounded
    // to a whole number, half to even; a missing number reads 0). False, both -1, when the
    // record cannot be read.
    static bool ReadRecordOrigin(KLVQuery* query, const QString& ref, int& dnr, int& gruppe);

    // The drag data of the record, for the caller to own; null when the reference is empty or
    // the record cannot be read: that row is not dragged.
    static QMimeData* Create(KLVQuery* query, const QString& ref);
};
