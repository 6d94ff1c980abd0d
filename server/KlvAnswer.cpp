#include "KlvAnswer.h"

#include "KlvWire.h"

using namespace Qt::StringLiterals;

KlvAnswer::KlvAnswer(QString tid, QString context, int maxLineLength)
    : m_tid(std::move(tid)), m_context(std::move(context)), m_maxLineLength(qMax(16, maxLineLength))
{}

void KlvAnswer::line(const QString& code, const QStringList& fields)
{
    m_actions.push_back(KlvAction::sendLine(KlvWire::joinLine(code, m_tid, fields)));
}

void KlvAnswer::ack()
{
    line(u"ACK"_s);
}

void KlvAnswer::nak(const QString& text, int number)
{
    line(u"NAK"_s, {text, QString::number(number), m_context});
}

void KlvAnswer::error(const QString& text, const QString& category, int number, int row, const QString& field)
{
    line(u"E"_s, {text, category, QString::number(number), QString::number(row), field});
}

void KlvAnswer::status(const QString& text, const QString& category, int number)
{
    line(u"S"_s, {text, category, QString::number(number)});
}

void KlvAnswer::records(const QString& word, const QList<QStringList>& records, const QList<QStringList>& metadata)
{
    const QString count = QString::number(records.size());
    line(u"BOD"_s, {word, count});
    for (const QStringList& meta : metadata)
        line(u"DM"_s, meta);
    for (const QStringList& r : records)
        record(r);
    line(u"EOD"_s, {word, count, u"1"_s});
}

void KlvAnswer::record(const QStringList& fields)
{
    QString text;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            text += u'|';
        KlvWire::appendEscaped(text, fields.at(i));
    }
    QString code = u"D"_s;
    for (QStringView piece : KlvWire::cutRecord(text, m_maxLineLength)) {
        m_actions.push_back(KlvAction::sendLine(code + u'|' + m_tid + u'|' + piece));
        code = u"DC"_s;
    }
}

void KlvAnswer::append(KlvAction action)
{
    m_actions.push_back(std::move(action));
}

std::vector<KlvAction> KlvAnswer::take()
{
    return std::exchange(m_actions, {});
}
