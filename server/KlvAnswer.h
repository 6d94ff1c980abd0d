#pragma once

#include "KlvAction.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

// The answer lines of one command, built in order. Every line carries the command's
// transaction id; negative answers carry the session's message context.
class KlvAnswer
{
public:
    KlvAnswer(QString tid, QString context, int maxLineLength);

    void line(const QString& code, const QStringList& fields = {});
    void ack();
    void nak(const QString& text, int number);
    // "E": text, category, number, row, field name.
    void error(const QString& text, const QString& category, int number, int row = 0, const QString& field = {});
    // "S": text, category, number. Category "TEXT" makes it a text message.
    void status(const QString& text, const QString& category, int number);
    // "BOD", the metadata lines ("DM", keyword first), the records as "D" lines continued in
    // "DC" lines where long, and "EOD" with the end flag set.
    void records(const QString& word, const QList<QStringList>& records, const QList<QStringList>& metadata = {});
    void append(KlvAction action);

    const QString& tid() const { return m_tid; }
    std::vector<KlvAction> take();

private:
    void record(const QStringList& fields);

    QString m_tid;
    QString m_context;
    int m_maxLineLength;
    std::vector<KlvAction> m_actions;
};
