#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <utility>

// One XML part of a workbook's package, read for the elements a merge looks at and changed by
// splicing text into it. What is not changed stays as it was, byte for byte: markup the merge
// does not know (extensions, other namespaces, comments, the writer's own layout) is kept.
//
// An element is kept as where it stands in the text; its name, attributes and text are read
// from there when asked for, so a style sheet of tens of thousands of formats costs little.
// Parts are UTF-8, as spreadsheets write them; another encoding is refused rather than guessed.
class WorkbookXml
{
public:
    struct Attribute
    {
        QString qualifiedName;
        QString name; // local name
        QString namespaceUri;
        QString value;
    };

    // False when the bytes are not well-formed XML in UTF-8; error() then says why.
    bool parse(const QByteArray& bytes);
    const QString& error() const { return m_error; }

    // Asked of element -1 (a child not found), the readers answer as of an empty element.
    int size() const { return int(m_elements.size()); }
    // The document element (0), or -1 before a successful parse.
    int root() const { return m_elements.isEmpty() ? -1 : 0; }
    int parent(int element) const { return m_elements[element].parent; }
    QStringView qualifiedName(int element) const;
    QStringView name(int element) const; // local name
    const QString& namespaceUri(int element) const
    {
        return m_namespaces[element < 0 ? 0 : m_elements[element].namespaceIndex];
    }
    // The text directly inside an element without child elements; empty for any other.
    QString text(int element) const { return m_texts.value(element); }
    QList<Attribute> attributes(int element) const;
    // An attribute without a namespace, or with one; a null string when there is none.
    QString attribute(int element, QStringView name) const;
    QString attribute(int element, QStringView namespaceUri, QStringView name) const;
    // The child elements of parent with the local name (any name when empty), in their order.
    QList<int> children(int parent, QStringView name = {}) const;
    // The first such child, or -1.
    int child(int parent, QStringView name) const;
    // What the element's name is prefixed with, the colon included ("" or "x:").
    QString prefix(int element) const;
    // The prefix declared for a namespace on the document element; a null string for none.
    QString rootPrefixOf(QStringView namespaceUri) const;

    // Changes, applied by result(). Two changes never touch the same text, except that text
    // inserted where another change begins goes first.
    void setAttribute(int element, const QString& name, const QString& value);
    void remove(int element);
    // xml goes in as the element's last children (an empty-element tag gets an end tag).
    void append(int element, const QString& xml);
    void insertBefore(int element, const QString& xml);
    void insertAfter(int element, const QString& xml);
    // The element's content becomes the text.
    void replaceText(int element, const QString& text);
    bool changed() const { return !m_edits.isEmpty(); }
    QByteArray result() const;

    // Text as it may stand in an attribute value or between tags.
    static QString escape(QStringView text);

private:
    struct Element
    {
        int parent = -1;
        int namespaceIndex = 0;
        qsizetype begin = 0;    // the start tag's '<'
        qsizetype startEnd = 0; // after the start tag's '>'
        qsizetype endBegin = 0; // the end tag's '<'; startEnd for an empty-element tag
        qsizetype end = 0;      // after the element
        int nameLength = 0;     // of the qualified name, which follows the '<'
        bool emptyTag() const { return end == startEnd; }
    };
    struct RawAttribute
    {
        QStringView name;
        qsizetype valueBegin;
        qsizetype valueEnd;
    };
    struct Edit
    {
        qsizetype begin;
        qsizetype end;
        QString text;
    };
    QList<RawAttribute> rawAttributes(int element) const;
    QString namespaceOfPrefix(int element, QStringView prefix) const;
    void edit(qsizetype begin, qsizetype end, const QString& text);

    QString m_text;
    bool m_byteOrderMark = false;
    QList<Element> m_elements;
    QStringList m_namespaces;
    // The namespaces declared on the elements that declare any: prefix and name.
    QHash<int, QList<std::pair<QString, QString>>> m_declarations;
    QHash<int, QString> m_texts; // of the elements that have any
    QList<Edit> m_edits;
    QString m_error;
};
