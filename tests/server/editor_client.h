#pragma once

// A line client that speaks the editor commands the way the library does, for the editor's
// wire tests: opens transactions, reads the records of an answer and the property rows of
// fields.
#include "KlvLineClient.h"
#include "KlvWire.h"

#include <QList>
#include <QString>
#include <QStringList>

class EditorClient : public KlvLineClient
{
public:
    // Sends a line that opens a transaction; the id the ACK carries, or empty when refused.
    QString begin(const QString& line)
    {
        m_last = request(line);
        const QString last = m_last.value(m_last.size() - 1);
        return last.startsWith(u"ACK|") ? last.mid(4) : QString();
    }

    // Sends a line; true when its answer ends with ACK.
    bool ok(const QString& line)
    {
        m_last = request(line);
        return m_last.value(m_last.size() - 1).startsWith(u"ACK|");
    }

    // Sends a line and returns the fields of each record of its answer (D lines continued by
    // DC lines), unescaped; empty when it was refused.
    QList<QStringList> records(const QString& line)
    {
        m_last = request(line, 15000);
        QList<QStringList> result;
        QString current;
        bool open = false;
        for (const QString& l : m_last) {
            const QString code = l.section(u'|', 0, 0);
            const qsizetype start = l.indexOf(u'|', l.indexOf(u'|') + 1) + 1;
            if (code == u"D" || code == u"DC") {
                if (code == u"D" && open)
                    result.append(KlvWire::splitFields(current));
                if (code == u"D")
                    current.clear();
                current += start > 0 ? l.mid(start) : QString();
                open = true;
            }
        }
        if (open)
            result.append(KlvWire::splitFields(current));
        return result;
    }

    // Column n (1-based) of the property row of one field.
    QString property(const QString& tid, const QString& selection, const QString& field, int column)
    {
        const QList<QStringList> rows = records(QStringLiteral("GFV|%1|%2|%3").arg(tid, selection, field));
        return rows.isEmpty() ? QStringLiteral("<no record>") : rows.first().value(column - 1);
    }
    QString value(const QString& tid, const QString& field, const QString& selection = QStringLiteral("0"))
    {
        return property(tid, selection, field, 3);
    }
    QString status(const QString& tid, const QString& name)
    {
        const QList<QStringList> rows = records(QStringLiteral("GTS|%1|%2").arg(tid, name));
        return rows.isEmpty() ? QStringLiteral("<no record>") : rows.first().value(1);
    }

    // The lines of the last answer.
    const QStringList& last() const { return m_last; }
    // The number a refusal carries (NAK text|number|context), 0 when the last answer was none.
    int refusal() const
    {
        const QString last = m_last.value(m_last.size() - 1);
        if (!last.startsWith(u"NAK|"))
            return 0;
        return KlvWire::splitFields(last).value(3).toInt();
    }

private:
    QStringList m_last;
};
