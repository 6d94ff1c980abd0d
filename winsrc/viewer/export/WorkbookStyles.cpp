#include "WorkbookStyles.h"

#include "WorkbookXml.h"

#include <QHash>
#include <QStringList>

#include <algorithm>
#include <map>

using namespace Qt::StringLiterals;

namespace {

// The lists of a style sheet in the order the format prescribes.
const QStringList CollectionOrder{u"numFmts"_s,      u"fonts"_s,   u"fills"_s,      u"borders"_s,
                                  u"cellStyleXfs"_s, u"cellXfs"_s, u"cellStyles"_s, u"dxfs"_s,
                                  u"tableStyles"_s,  u"colors"_s,  u"extLst"_s};
// Number formats from here on are the workbook's own; those below are the spreadsheet's.
constexpr int FirstCustomNumberFormat = 164;

// An element and everything in it, in a form that compares equal for equal formatting however
// it was written (prefixes, attribute order, blanks).
QString canonical(const WorkbookXml& xml, int element)
{
    QStringList attributes;
    for (const WorkbookXml::Attribute& a : xml.attributes(element))
        attributes.append(a.namespaceUri + u'|' + a.name + u'=' + a.value);
    attributes.sort();
    QString out = u'<' + xml.namespaceUri(element) + u'|' + xml.name(element) + u' ' + attributes.join(u' ') + u'>';
    const QList<int> children = xml.children(element);
    for (const int c : children)
        out += canonical(xml, c);
    if (children.isEmpty())
        out += xml.text(element).trimmed();
    return out + u"</>"_s;
}

// An element of the sheet's styles written for the workbook's part, whose elements carry
// prefix; attributes in overrides take the values given there.
QString rewritten(const WorkbookXml& xml, int element, const QString& prefix,
                  const QHash<QString, QString>& overrides = {})
{
    const QString name = prefix + xml.name(element);
    QString out = u'<' + name;
    for (const WorkbookXml::Attribute& a : xml.attributes(element)) {
        const QString value = overrides.value(a.qualifiedName, a.value);
        out += u' ' + a.qualifiedName + u"=\""_s + WorkbookXml::escape(value) + u'"';
    }
    const QList<int> children = xml.children(element);
    const QString text = xml.text(element);
    if (children.isEmpty() && text.trimmed().isEmpty())
        return out + u"/>"_s;
    out += u'>';
    for (const int c : children)
        out += rewritten(xml, c, prefix);
    if (children.isEmpty())
        out += WorkbookXml::escape(text);
    return out + u"</"_s + name + u'>';
}

// One list of the workbook's styles and what is added to it.
struct Collection
{
    QString name;
    QString item;
    int element = -1;
    QList<int> items;
    QStringList canonicals; // of the items, once asked for
    QString added;
    int addedCount = 0;

    int count() const { return int(items.size()) + addedCount; }
};

class Merger
{
public:
    Merger(WorkbookXml& styles, const WorkbookXml& sheetStyles) : m_styles(styles), m_sheet(sheetStyles)
    {
        m_root = styles.root();
        m_sheetRoot = sheetStyles.root();
        m_prefix = styles.prefix(m_root);
    }

    QString run(int first)
    {
        if (m_root < 0 || m_styles.name(m_root) != u"styleSheet" || m_sheetRoot < 0)
            return u"styleSheet"_s;
        const QList<int> sheetFormats = m_sheet.children(m_sheet.child(m_sheetRoot, u"cellXfs"), u"xf");
        Collection& formats = collection(u"cellXfs"_s, u"xf"_s);
        if (formats.count() != first)
            return u"cellXfs"_s;
        Collection& numberFormats = collection(u"numFmts"_s, u"numFmt"_s);
        for (const int f : numberFormats.items) {
            const int id = m_styles.attribute(f, u"numFmtId").toInt();
            m_numberFormatIds.insert(m_styles.attribute(f, u"formatCode"), id);
            m_lastNumberFormatId = std::max(m_lastNumberFormatId, id);
        }
        QHash<int, QString> sheetCodes;
        for (const int f : m_sheet.children(m_sheet.child(m_sheetRoot, u"numFmts"), u"numFmt"))
            sheetCodes.insert(m_sheet.attribute(f, u"numFmtId").toInt(), m_sheet.attribute(f, u"formatCode"));

        for (qsizetype i = first; i < sheetFormats.size(); ++i) {
            const int xf = sheetFormats[i];
            QHash<QString, QString> values;
            int numberFormat = m_sheet.attribute(xf, u"numFmtId").toInt();
            if (numberFormat >= FirstCustomNumberFormat) {
                if (!sheetCodes.contains(numberFormat))
                    return u"numFmt"_s;
                numberFormat = numberFormatId(sheetCodes.value(numberFormat));
            }
            values.insert(u"numFmtId"_s, QString::number(numberFormat));
            for (const auto& [attribute, list, item] :
                 {std::tuple{u"fontId"_s, u"fonts"_s, u"font"_s}, std::tuple{u"fillId"_s, u"fills"_s, u"fill"_s},
                  std::tuple{u"borderId"_s, u"borders"_s, u"border"_s}}) {
                const QString given = m_sheet.attribute(xf, attribute);
                if (given.isNull())
                    continue;
                const int mapped = itemId(list, item, given.toInt());
                if (mapped < 0)
                    return list;
                values.insert(attribute, QString::number(mapped));
            }
            // The workbook's normal style.
            values.insert(u"xfId"_s, u"0"_s);
            formats.added += rewritten(m_sheet, xf, m_prefix, values);
            ++formats.addedCount;
        }
        for (const QString& name : CollectionOrder) {
            if (const auto found = m_collections.find(name); found != m_collections.end())
                write(found->second);
        }
        return {};
    }

private:
    Collection& collection(const QString& name, const QString& item)
    {
        auto found = m_collections.find(name);
        if (found != m_collections.end())
            return found->second;
        Collection c;
        c.name = name;
        c.item = item;
        c.element = m_styles.child(m_root, name);
        c.items = m_styles.children(c.element, item);
        return m_collections.emplace(name, std::move(c)).first->second;
    }

    int numberFormatId(const QString& code)
    {
        if (const auto found = m_numberFormatIds.constFind(code); found != m_numberFormatIds.cend())
            return *found;
        const int id = ++m_lastNumberFormatId;
        m_numberFormatIds.insert(code, id);
        Collection& c = collection(u"numFmts"_s, u"numFmt"_s);
        c.added += u'<' + m_prefix + u"numFmt numFmtId=\""_s + QString::number(id) + u"\" formatCode=\""_s +
                   WorkbookXml::escape(code) + u"\"/>"_s;
        ++c.addedCount;
        return id;
    }

    // The number in the workbook's list of what the sheet's styles hold at index in theirs;
    // -1 when they hold nothing there.
    int itemId(const QString& list, const QString& item, int index)
    {
        const QList<int> sheetItems = m_sheet.children(m_sheet.child(m_sheetRoot, list), item);
        if (index < 0 || index >= sheetItems.size())
            return -1;
        Collection& c = collection(list, item);
        if (index == 0 && !c.items.isEmpty())
            return 0;
        if (c.canonicals.isEmpty()) {
            for (const int i : c.items)
                c.canonicals.append(canonical(m_styles, i));
        }
        const QString wanted = canonical(m_sheet, sheetItems[index]);
        if (const qsizetype found = c.canonicals.indexOf(wanted); found >= 0)
            return int(found);
        c.canonicals.append(wanted);
        c.added += rewritten(m_sheet, sheetItems[index], m_prefix);
        return int(c.items.size()) + c.addedCount++;
    }

    void write(Collection& c)
    {
        if (c.addedCount == 0)
            return;
        if (c.element >= 0) {
            m_styles.setAttribute(c.element, u"count"_s, QString::number(c.count()));
            m_styles.append(c.element, c.added);
            return;
        }
        const QString xml = u'<' + m_prefix + c.name + u" count=\""_s + QString::number(c.count()) + u"\">"_s +
                            c.added + u"</"_s + m_prefix + c.name + u'>';
        // After the list that comes before it, else first.
        for (qsizetype i = CollectionOrder.indexOf(c.name) - 1; i >= 0; --i) {
            const int before = m_styles.child(m_root, CollectionOrder[i]);
            if (before >= 0) {
                m_styles.insertAfter(before, xml);
                return;
            }
        }
        const QList<int> children = m_styles.children(m_root);
        if (children.isEmpty())
            m_styles.append(m_root, xml);
        else
            m_styles.insertBefore(children.first(), xml);
    }

    WorkbookXml& m_styles;
    const WorkbookXml& m_sheet;
    int m_root = -1;
    int m_sheetRoot = -1;
    QString m_prefix;
    // References into it stay valid while it grows.
    std::map<QString, Collection> m_collections;
    QHash<QString, int> m_numberFormatIds;
    int m_lastNumberFormatId = FirstCustomNumberFormat - 1;
};

} // namespace

int WorkbookStyles::CellFormatCount(const WorkbookXml& styles)
{
    return int(styles.children(styles.child(styles.root(), u"cellXfs"), u"xf").size());
}

QString WorkbookStyles::Merge(WorkbookXml& styles, const WorkbookXml& sheetStyles, int first)
{
    return Merger(styles, sheetStyles).run(first);
}
