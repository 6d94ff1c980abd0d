#include "KlvWire.h"

QString KlvWire::escapeField(QStringView value)
{
    QString out;
    out.reserve(value.size());
    appendEscaped(out, value);
    return out;
}

void KlvWire::appendEscaped(QString& out, QStringView value)
{
    for (QChar c : value) {
        switch (c.unicode()) {
        case u'|':
            out += u"\\|";
            break;
        case u'\n':
            out += u"\\n";
            break;
        case u'\r':
            out += u"\\r";
            break;
        case u'\\':
            out += u"\\\\";
            break;
        case 0:
            out += u"\\0";
            break;
        default:
            out += c;
        }
    }
}

QStringList KlvWire::splitFields(QStringView text)
{
    QStringList fields;
    QString current;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c == u'|') {
            fields.append(std::exchange(current, {}));
        } else if (c == u'\\' && i + 1 < n) {
            const QChar next = text[++i];
            switch (next.unicode()) {
            case u'n':
                current += u'\n';
                break;
            case u'r':
                current += u'\r';
                break;
            case u'0':
                current += QChar(0);
                break;
            default:
                current += next;
            }
        } else {
            current += c;
        }
    }
    fields.append(current);
    return fields;
}

QString KlvWire::joinLine(QStringView code, QStringView tid, const QStringList& fields)
{
    QString line = code.toString() + u'|' + tid;
    for (const QString& field : fields)
        line += u'|' + escapeField(field);
    return line;
}

QList<QStringView> KlvWire::cutRecord(QStringView record, qsizetype maxLineLength)
{
    // The client joins a DC line's text straight onto the record, so a record may be cut
    // anywhere; cutting neither an escape nor a surrogate pair keeps every line readable alone.
    QList<QStringView> pieces;
    qsizetype pos = 0;
    do {
        qsizetype end = qMin(record.size(), pos + maxLineLength);
        if (end < record.size()) {
            qsizetype backslashes = 0;
            for (qsizetype i = end - 1; i >= pos && record.at(i) == u'\\'; --i)
                ++backslashes;
            if (backslashes % 2 == 1)
                --end;
            if (record.at(end - 1).isHighSurrogate())
                --end;
        }
        pieces.append(record.mid(pos, end - pos));
        pos = end;
    } while (pos < record.size());
    return pieces;
}
