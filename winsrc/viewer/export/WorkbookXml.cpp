#include "WorkbookXml.h"

#include <QStringDecoder>
#include <QXmlStreamReader>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QByteArray Utf8Bom("\xEF\xBB\xBF");
const QString XmlNamespace = u"http://www.w3.org/XML/1998/namespace"_s;

bool isSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// An attribute value as written, with its references resolved and its blanks normalised.
QString decoded(QStringView raw)
{
    QString out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw[i];
        if (c != u'&') {
            out += isSpace(c) ? QChar(u' ') : c;
            continue;
        }
        const qsizetype semicolon = raw.indexOf(u';', i);
        const QStringView entity = raw.mid(i + 1, semicolon - i - 1);
        if (entity == u"amp")
            out += u'&';
        else if (entity == u"lt")
            out += u'<';
        else if (entity == u"gt")
            out += u'>';
        else if (entity == u"quot")
            out += u'"';
        else if (entity == u"apos")
            out += u'\'';
        else if (entity.startsWith(u'#')) {
            const bool hex = entity.size() > 1 && (entity[1] == u'x' || entity[1] == u'X');
            const char32_t code = char32_t(entity.mid(hex ? 2 : 1).toUInt(nullptr, hex ? 16 : 10));
            out += QString::fromUcs4(&code, 1);
        }
        i = semicolon;
    }
    return out;
}

} // namespace

bool WorkbookXml::parse(const QByteArray& bytes)
{
    m_elements.clear();
    m_namespaces = QStringList{QString()};
    m_declarations.clear();
    m_texts.clear();
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
    QHash<QString, int> namespaceIndex{{QString(), 0}};
    struct Open
    {
        int index;
        bool hasChildren = false;
        QString text;
    };
    QList<Open> open;
    QXmlStreamReader reader(m_text);
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        const qsizetype offset = reader.characterOffset();
        if (token == QXmlStreamReader::StartDocument) {
            const QStringView encoding = reader.documentEncoding();
            if (!encoding.isEmpty() && encoding.compare(u"UTF-8", Qt::CaseInsensitive) != 0)
                reader.raiseError(encoding.toString());
        } else if (token == QXmlStreamReader::StartElement) {
            Element e;
            e.parent = open.isEmpty() ? -1 : open.last().index;
            e.startEnd = offset;
            e.begin = m_text.lastIndexOf(u'<', offset - 1);
            e.nameLength = int(reader.qualifiedName().size());
            const QString uri = reader.namespaceUri().toString();
            auto known = namespaceIndex.constFind(uri);
            if (known == namespaceIndex.cend()) {
                known = namespaceIndex.insert(uri, int(m_namespaces.size()));
                m_namespaces.append(uri);
            }
            e.namespaceIndex = *known;
            const int index = int(m_elements.size());
            const QXmlStreamNamespaceDeclarations declarations = reader.namespaceDeclarations();
            for (const QXmlStreamNamespaceDeclaration& d : declarations)
                m_declarations[index].append(std::pair{d.prefix().toString(), d.namespaceUri().toString()});
            if (!open.isEmpty())
                open.last().hasChildren = true;
            open.append(Open{index, false, QString()});
            m_elements.append(e);
        } else if (token == QXmlStreamReader::EndElement) {
            const Open done = open.takeLast();
            Element& e = m_elements[done.index];
            e.end = offset;
            e.endBegin = offset == e.startEnd ? offset : m_text.lastIndexOf(u'<', offset - 1);
            if (!done.hasChildren && !done.text.isEmpty())
                m_texts.insert(done.index, done.text);
        } else if (token == QXmlStreamReader::Characters && !open.isEmpty() && !open.last().hasChildren) {
            open.last().text += reader.text();
        }
    }
    if (reader.hasError()) {
        m_error = reader.errorString();
        m_elements.clear();
        return false;
    }
    return !m_elements.isEmpty();
}

QStringView WorkbookXml::qualifiedName(int element) const
{
    if (element < 0)
        return {};
    return QStringView(m_text).mid(m_elements[element].begin + 1, m_elements[element].nameLength);
}

QStringView WorkbookXml::name(int element) const
{
    const QStringView qualified = qualifiedName(element);
    return qualified.mid(qualified.indexOf(u':') + 1);
}

QList<WorkbookXml::RawAttribute> WorkbookXml::rawAttributes(int element) const
{
    // Walks the start tag's attributes as they are written; the tag is well-formed.
    QList<RawAttribute> list;
    if (element < 0)
        return list;
    const Element& e = m_elements[element];
    qsizetype at = e.begin + 1 + e.nameLength;
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
        const qsizetype valueBegin = at + 1;
        const qsizetype valueEnd = m_text.indexOf(m_text[at], valueBegin);
        list.append({attributeName, valueBegin, valueEnd});
        at = valueEnd + 1;
    }
    return list;
}

QString WorkbookXml::namespaceOfPrefix(int element, QStringView prefix) const
{
    if (prefix == u"xml")
        return XmlNamespace;
    for (int e = element; e >= 0; e = m_elements[e].parent) {
        const auto found = m_declarations.constFind(e);
        if (found == m_declarations.cend())
            continue;
        for (const auto& [declared, uri] : *found) {
            if (declared == prefix)
                return uri;
        }
    }
    return {};
}

QList<WorkbookXml::Attribute> WorkbookXml::attributes(int element) const
{
    QList<Attribute> list;
    for (const RawAttribute& raw : rawAttributes(element)) {
        if (raw.name == u"xmlns" || raw.name.startsWith(u"xmlns:"))
            continue; // a declaration, not an attribute
        Attribute a;
        a.qualifiedName = raw.name.toString();
        const qsizetype colon = raw.name.indexOf(u':');
        a.name = raw.name.mid(colon + 1).toString();
        if (colon > 0)
            a.namespaceUri = namespaceOfPrefix(element, raw.name.left(colon));
        a.value = decoded(QStringView(m_text).mid(raw.valueBegin, raw.valueEnd - raw.valueBegin));
        list.append(std::move(a));
    }
    return list;
}

QString WorkbookXml::attribute(int element, QStringView name) const
{
    for (const RawAttribute& raw : rawAttributes(element)) {
        if (raw.name == name)
            return decoded(QStringView(m_text).mid(raw.valueBegin, raw.valueEnd - raw.valueBegin));
    }
    return {};
}

QString WorkbookXml::attribute(int element, QStringView namespaceUri, QStringView name) const
{
    if (namespaceUri.isEmpty())
        return attribute(element, name);
    for (const Attribute& a : attributes(element)) {
        if (a.namespaceUri == namespaceUri && a.name == name)
            return a.value;
    }
    return {};
}

QList<int> WorkbookXml::children(int parent, QStringView name) const
{
    QList<int> found;
    if (parent < 0)
        return found;
    const qsizetype end = m_elements[parent].end;
    for (int i = parent + 1; i < m_elements.size() && m_elements[i].begin < end; ++i) {
        if (m_elements[i].parent == parent && (name.isEmpty() || this->name(i) == name))
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
        if (m_elements[i].parent == parent && this->name(i) == name)
            return i;
    }
    return -1;
}

QString WorkbookXml::prefix(int element) const
{
    const QStringView qualified = qualifiedName(element);
    return qualified.left(qualified.indexOf(u':') + 1).toString();
}

QString WorkbookXml::rootPrefixOf(QStringView namespaceUri) const
{
    for (const auto& [prefix, uri] : m_declarations.value(0)) {
        if (uri == namespaceUri && !prefix.isEmpty())
            return prefix;
    }
    return {};
}

void WorkbookXml::edit(qsizetype begin, qsizetype end, const QString& text)
{
    m_edits.append({begin, end, text});
}

void WorkbookXml::setAttribute(int element, const QString& name, const QString& value)
{
    for (const RawAttribute& raw : rawAttributes(element)) {
        if (raw.name == name) {
            edit(raw.valueBegin, raw.valueEnd, escape(value));
            return;
        }
    }
    const Element& e = m_elements[element];
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
        edit(e.startEnd - 2, e.startEnd, u'>' + xml + u"</"_s + qualifiedName(element) + u'>');
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
        edit(e.startEnd - 2, e.startEnd, u'>' + escape(text) + u"</"_s + qualifiedName(element) + u'>');
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
