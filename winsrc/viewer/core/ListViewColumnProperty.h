#pragma once

#include <QList>
#include <QSharedPointer>
#include <QString>

class KLVQueryFieldMetaData;

// The layout of one column of a list view. A list view that offers a column choice keeps a
// ListViewColumnArray: element [i - 1] is column entry i, whose header carries the key "K" & i
// and which shows answer field i.
class ListViewColumnProperty
{
public:
    qint32 ColIndex = 0;  // carried along; nothing reads it
    bool Fixed = false;   // carried along; nothing reads it
    bool Visible = false; // the column has a header
    qint32 Width = 1000;  // in twips
    // False while Width is the window's design: the column then has the kit's default width,
    // which follows the list's font and fits its header (ListViewHelpers::
    // SetDefaultColumnWidth). A width read from the settings or left by the user is given.
    bool WidthGiven = false;
    QString Descr;                                       // the header caption
    QSharedPointer<KLVQueryFieldMetaData> FieldMetaData; // the field the column shows, or null
};

using ListViewColumnArray = QList<ListViewColumnProperty>;
