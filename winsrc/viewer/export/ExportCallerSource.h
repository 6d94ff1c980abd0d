#pragma once

#include "ExportRowSource.h"

#include <QObject>
#include <QPointer>

// The rows a window shows: for each row from 1 to the row count, each field's text is asked
// of the window's GetResultField(row, field key), a member found by name at run time, so any
// window that offers it can be exported. The member is looked up once.
class ExportCallerSource : public ExportRowSource
{
public:
    ExportCallerSource(QObject* caller, QStringList fieldKeys, int rowCount);

    // True when the object offers GetResultField(row, key) returning text.
    static bool Offers(const QObject* caller);

    bool next() override;
    void values(int count, QStringList& out) override;
    void cancel() override;

    int currentRow() const { return m_row; }

private:
    QPointer<QObject> m_caller;
    QStringList m_keys;
    int m_rowCount;
    int m_row = 0;
    int m_methodIndex = -1;
};
