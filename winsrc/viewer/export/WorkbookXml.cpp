#include "WorkbookXml.h"

#include <QStringDecoder>
#include <QXmlStreamReader>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QByteArray Utf8Bom("\xEF\xBB\xBF");

bool isSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

} // namespace

bool WorkbookXml::parse(const QByteArray& bytes)
{
    m_elements.clear();
    m_edits.clear();
    m_error.clear();
    m_text.clear();
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        m_error = u"UTF-16"_s;
        return false;
    }
    m_byteOrderMark = bytes.startsWith(Utf8Bom);
    QStringDecoder decoder(QStringDecoder::Utf8);
    m_text = decoder.decode(m_byteOrderMark ? bytes.mid(Utf8Bom.size()) : bytes);
    if (decoder.hasError()) {
        m_error = u"UTF-8"_s;
        return false;
    }

    // The reader's offsets after a tag are exact; a tag's own start is found back from there,
    // as no attribute value holds a '<'.
    QXmlStreamReader reader(m_text);
    QList<int> open;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        const qsizetype offset = reader.characterOffset();
        if (token == QXmlStreamReader::StartDocument) {
            const QStringView encoding = reader.documentEncoding();
            if (!encoding.isEmpty() && encoding.compare(u"UTF-8", Qt::CaseInsensitive) != 0)
                reader.raiseError(encoding.toString());
        } else if (token == QXmlStreamReader::StartElement) {
            Element e;
            e.name = reader.name().toString();
            e.namespaceUri = reader.namespaceUri().toString();
            e.qualifiedName = reader.qualifiedName().toString();
            e.parent = open.isEmpty() ? -1 : open.last();
            e.startEnd = offset;
            e.begin = m_text.lastIndexOf(u'<', offset - 1);
            e.attributes = reader.attributes();
            e.namespaces = reader.namespaceDeclarations();
            open.append(int(m_elements.size()));
            m_elements.append(std::move(e));
        } else if (token == QXmlStreamReader::EndElement) {
            Element& e = m_elements[open.takeLast()];
            e.end = offset;
            e.endBegin = offset == e.startEnd ? offset : m_text.lastIndexOf(u'<', offset - 1);
        } else if (token == QXmlStreamReader::Characters && !open.isEmpty()) {
            m_elements[open.last()].text += reader.text();
        }
    }
    if (reader.hasError()) {
        m_error = reader.errorString();
        m_elements.clear();
        return false;
    }
    return !m_elements.isEmpty();
}

QList<int> WorkbookXml::children(int parent, QStringView name) const
{
    QList<int> found;
    if (parent < 0)
        return found;
    const qsizetype end = m_elements[parent].end;
    for (int i = parent + 1; i < m_elements.size() && m_elements[i].begin < end; ++i) {
        if (m_elements[i].parent == parent && (name.isEmpty() || m_elements[i].name == name))
            found.append(i);
    }
    return found;
}

int WorkbookXml::child(int parent, QStringView name) const
{
    if (parent < 0)
        return -1;
    const qsizetype end = m_elements[parent].end;
    for (int i = parent + 1; i < m_elements.size() && m_elements[i].begin < end; ++i) {
        if (m_elements[i].parent == parent && m_elements[i].name == name)
            return i;
    }
    return -1;
}

QString WorkbookXml::attribute(int element, QStringView name) const
{
    for (const QXmlStreamAttribute& a : m_elements[element].attributes) {
        if (a.namespaceUri().isEmpty() && a.name() == name)
            return a.value().toString();
    }
    return {};
}

QString WorkbookXml::prefix(int element) const
{
    const QString& name = m_elements[element].qualifiedName;
    const qsizetype colon = name.indexOf(u':');
    return colon < 0 ? QString() : name.left(colon + 1);
}

QString WorkbookXml::rootPrefixOf(QStringView namespaceUri) const
{
    if (m_elements.isEmpty())
        return {};
    for (const QXmlStreamNamespaceDeclaration& d : m_elements[0].namespaces) {
        if (d.namespaceUri() == namespaceUri && !d.prefix().isEmpty())
            return d.prefix().toString();
    }
    return {};
}

void WorkbookXml::edit(qsizetype begin, qsizetype end, const QString& text)
{
    m_edits.append({begin, end, text});
}

void WorkbookXml::setAttribute(int element, const QString& name, const QString& value)
{
    const Element& e = m_elements[element];
    // Walks the start tag's attributes as they are written; the tag is well-formed.
    qsizetype at = e.begin + 1;
    while (at < e.startEnd && !isSpace(m_text[at]) && m_text[at] != u'>' && m_text[at] != u'/')
        ++at;
    while (at < e.startEnd) {
        while (at < e.startEnd && isSpace(m_text[at]))
            ++at;
        if (m_text[at] == u'>' || m_text[at] == u'/')
            break;
        const qsizetype nameBegin = at;
        while (!isSpace(m_text[at]) && m_text[at] != u'=')
            ++at;
        const QStringView attributeName = QStringView(m_text).mid(nameBegin, at - nameBegin);
        while (m_text[at] != u'\'' && m_text[at] != u'"')
            ++at;
        const QChar quote = m_text[at];
        const qsizetype valueBegin = at + 1;
        const qsizetype valueEnd = m_text.indexOf(quote, valueBegin);
        if (attributeName == name) {
            edit(valueBegin, valueEnd, escape(value));
            return;
        }
        at = valueEnd + 1;
    }
    const qsizetype tagEnd = e.emptyTag() ? e.startEnd - 2 : e.startEnd - 1;
    edit(tagEnd, tagEnd, u' ' + name + u"=\""_s + escape(value) + u'"');
}

void WorkbookXml::remove(int element)
{
    edit(m_elements[element].begin, m_elements[element].end, QString());
}

void WorkbookXml::append(int element, const QString& xml)
{
    const Element& e = m_elements[element];
    if (e.emptyTag())
        edit(e.startEnd - 2, e.startEnd, u'>' + xml + u"</"_s + e.qualifiedName + u'>');
    else
        edit(e.endBegin, e.endBegin, xml);
}

void WorkbookXml::insertBefore(int element, const QString& xml)
{
    edit(m_elements[element].begin, m_elements[element].begin, xml);
}

void WorkbookXml::insertAfter(int element, const QString& xml)
{
    edit(m_elements[element].end, m_elements[element].end, xml);
}

void WorkbookXml::replaceText(int element, const QString& text)
{
    const Element& e = m_elements[element];
    if (e.emptyTag())
        edit(e.startEnd - 2, e.startEnd, u'>' + escape(text) + u"</"_s + e.qualifiedName + u'>');
    else
        edit(e.startEnd, e.endBegin, escape(text));
}

QByteArray WorkbookXml::result() const
{
    QList<Edit> edits = m_edits;
    // In order; at one place an insertion goes before the text another change replaces there.
    std::stable_sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) {
        if (a.begin != b.begin)
            return a.begin < b.begin;
        return (a.end == a.begin) && (b.end != b.begin);
    });
    QString out;
    out.reserve(m_text.size() + 256);
    qsizetype at = 0;
    for (const Edit& e : edits) {
        Q_ASSERT(e.begin >= at);
        out += QStringView(m_text).mid(at, e.begin - at);
        out += e.text;
        at = std::max(at, e.end);
    }
    out += QStringView(m_text).mid(at);
    return (m_byteOrderMark ? Utf8Bom : QByteArray()) + out.toUtf8();
}

QString WorkbookXml::escape(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'&':
            out += u"&amp;"_s;
            break;
        case u'<':
            out += u"&lt;"_s;
            break;
        case u'>':
            out += u"&gt;"_s;
            break;
        case u'"':
            out += u"&quot;"_s;
            break;
        case u'\'':
            out += u"&apos;"_s;
            break;
        case u'\r':
            out += u"&#13;"_s;
            break;
        case u'\n':
            out += u"&#10;"_s;
            break;
        case u'\t':
            out += u"&#9;"_s;
            break;
        default:
            out += c;
        }
    }
    return out;
}
