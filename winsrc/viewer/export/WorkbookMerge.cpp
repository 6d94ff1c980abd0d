#include "WorkbookMerge.h"

#include "WorkbookFormula.h"
#include "WorkbookStyles.h"
#include "WorkbookXml.h"

#include <QFile>
#include <QHash>
#include <QList>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QUrl>

#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

using namespace Qt::StringLiterals;

using Failure = WorkbookMerge::Failure;

namespace {

const QString MainNamespace = u"http://schemas.openxmlformats.org/spreadsheetml/2006/main"_s;
const QString StrictMainNamespace = u"http://purl.oclc.org/ooxml/spreadsheetml/main"_s;
const QString RelationshipNamespace = u"http://schemas.openxmlformats.org/officeDocument/2006/relationships"_s;
const QString PackageRelationshipNamespace = u"http://schemas.openxmlformats.org/package/2006/relationships"_s;
const QString ContentTypesNamespace = u"http://schemas.openxmlformats.org/package/2006/content-types"_s;
const QString StrictRelationshipTypes = u"http://purl.oclc.org/ooxml/officeDocument/relationships/"_s;
const QString WorksheetContentType = u"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"_s;
const QString StylesContentType = u"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"_s;
const QString ContentTypesPart = u"[Content_Types].xml"_s;

QString relationshipType(const QString& kind)
{
    return RelationshipNamespace + u'/' + kind;
}

// A part that is read (never a sheet) larger than this is no workbook to merge into.
constexpr zip_uint64_t MaxPartSize = 128 * 1024 * 1024;

Failure zipFailure(const zip_error_t* error)
{
    const int number =
        zip_error_system_type(error) == ZIP_ET_SYS ? zip_error_code_system(error) : zip_error_code_zip(error);
    return {QString::fromUtf8(zip_error_strerror(const_cast<zip_error_t*>(error))), number};
}

Failure zipFailure(int code)
{
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    Failure failure = zipFailure(&error);
    zip_error_fini(&error);
    return failure;
}

Failure systemFailure(int number)
{
    return {QString::fromLocal8Bit(std::strerror(number)), number};
}

// A part that is not what a workbook holds there.
Failure partFailure(const QString& part, const QString& reason)
{
    Failure failure = zipFailure(ZIP_ER_INCONS);
    failure.description += u": "_s + part;
    if (!reason.isEmpty())
        failure.description += u": "_s + reason;
    return failure;
}

// The relationships part of a part ("" the package itself).
QString relationshipsOf(const QString& part)
{
    const qsizetype slash = part.lastIndexOf(u'/');
    return part.left(slash + 1) + u"_rels/"_s + part.mid(slash + 1) + u".rels"_s;
}

QString folderOf(const QString& part)
{
    return part.left(part.lastIndexOf(u'/') + 1);
}

// The part a relationship of source points at, as named in the archive (no leading slash).
QString resolve(const QString& source, const QString& target)
{
    QString path = target.startsWith(u'/') ? target.mid(1) : folderOf(source) + target;
    QStringList segments;
    for (const QString& segment : path.split(u'/')) {
        if (segment == u".."_s) {
            if (!segments.isEmpty())
                segments.removeLast();
        } else if (!segment.isEmpty() && segment != u"."_s) {
            segments.append(segment);
        }
    }
    return segments.join(u'/');
}

struct Relationship
{
    QString id;
    QString type;
    QString target;
    bool external = false;
    int element = -1;
};

QList<Relationship> relationships(const WorkbookXml& xml)
{
    QList<Relationship> list;
    for (const int r : xml.children(xml.root(), u"Relationship")) {
        list.append({xml.attribute(r, u"Id"), xml.attribute(r, u"Type"), xml.attribute(r, u"Target"),
                     xml.attribute(r, u"TargetMode").compare(u"External", Qt::CaseInsensitive) == 0, r});
    }
    return list;
}

bool isRelationships(const WorkbookXml& xml)
{
    return xml.root() >= 0 && xml.name(0) == u"Relationships" && xml.namespaceUri(0) == PackageRelationshipNamespace;
}

} // namespace

// A workbook's package as this program reads it: the entries of its archive and the parts that
// say what its sheets are.
struct WorkbookMerge::Package
{
    struct Sheet
    {
        QString name;
        QString relationship;
        QString part; // empty when the relationship names none
        bool worksheet = false;
    };

    zip_t* zip = nullptr;
    QStringList entries;
    QHash<QString, zip_int64_t> index; // by lower-case name
    QString workbookPart;
    QString workbookRelationshipsPart;
    QString stylesPart;
    QString appPart;
    QByteArray contentTypes;
    QByteArray workbook;
    QByteArray workbookRelationships;
    QByteArray styles;
    QByteArray app;
    QList<Sheet> sheets;
    int activeTab = 0;
    int cellFormats = 0;
    bool structureLocked = false;

    Package() = default;
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;
    ~Package()
    {
        if (zip)
            zip_discard(zip);
    }

    // The entry of a part, -1 for none. Names compare without regard to case, as the package
    // format wants; a name may stand percent-encoded in a relationship.
    zip_int64_t entry(const QString& part) const
    {
        if (const auto found = index.constFind(part.toLower()); found != index.cend())
            return *found;
        const QString decoded = QUrl::fromPercentEncoding(part.toUtf8());
        return decoded == part ? -1 : index.value(decoded.toLower(), -1);
    }

    std::optional<Failure> read(const QString& part, QByteArray& bytes) const
    {
        const zip_int64_t at = entry(part);
        if (at < 0)
            return partFailure(part, zipFailure(ZIP_ER_NOENT).description);
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(zip, zip_uint64_t(at), 0, &stat) != 0)
            return zipFailure(zip_get_error(zip));
        if (!(stat.valid & ZIP_STAT_SIZE) || stat.size > MaxPartSize)
            return partFailure(part, systemFailure(EFBIG).description);
        zip_file_t* file = zip_fopen_index(zip, zip_uint64_t(at), 0);
        if (!file)
            return zipFailure(zip_get_error(zip));
        const auto close = qScopeGuard([file] { zip_fclose(file); });
        bytes.resize(qsizetype(stat.size));
        zip_uint64_t done = 0;
        while (done < stat.size) {
            const zip_int64_t n = zip_fread(file, bytes.data() + done, stat.size - done);
            if (n <= 0)
                return n < 0 ? zipFailure(zip_file_get_error(file)) : partFailure(part, QString());
            done += zip_uint64_t(n);
        }
        // Read to its end, so that its checksum is compared.
        char more = 0;
        if (zip_fread(file, &more, 1) != 0)
            return zipFailure(zip_file_get_error(file));
        return std::nullopt;
    }

    std::optional<Failure> parse(const QString& part, const QByteArray& bytes, WorkbookXml& xml) const
    {
        if (!xml.parse(bytes))
            return partFailure(part, xml.error());
        return std::nullopt;
    }

    // strict: the archive's every header is checked against its directory; for an archive of
    // another program a readable directory suffices, as the parts read are checked as they
    // are read, and those carried over are carried as they are.
    std::optional<Failure> open(const QString& file, bool strict)
    {
        int code = 0;
        zip = zip_open(QFile::encodeName(file).constData(), ZIP_RDONLY | (strict ? ZIP_CHECKCONS : 0), &code);
        if (!zip)
            return zipFailure(code);
        const zip_int64_t count = zip_get_num_entries(zip, 0);
        for (zip_int64_t i = 0; i < count; ++i) {
            const char* name = zip_get_name(zip, zip_uint64_t(i), ZIP_FL_ENC_GUESS);
            entries.append(name ? QString::fromUtf8(name) : QString());
            if (name && !index.contains(entries.last().toLower()))
                index.insert(entries.last().toLower(), i);
        }

        WorkbookXml xml;
        if (auto failure = read(ContentTypesPart, contentTypes))
            return failure;
        if (auto failure = parse(ContentTypesPart, contentTypes, xml))
            return failure;
        if (xml.name(0) != u"Types" || xml.namespaceUri(0) != ContentTypesNamespace)
            return partFailure(ContentTypesPart, xml.qualifiedName(0).toString());

        const QString packageRelationshipsPart = relationshipsOf(QString());
        QByteArray bytes;
        if (auto failure = read(packageRelationshipsPart, bytes))
            return failure;
        if (auto failure = parse(packageRelationshipsPart, bytes, xml))
            return failure;
        const QList<Relationship> packageRelationships = relationships(xml);
        for (const Relationship& r : packageRelationships) {
            if (r.external)
                continue;
            if (r.type == relationshipType(u"officeDocument"_s) && workbookPart.isEmpty())
                workbookPart = resolve(QString(), r.target);
            else if (r.type == relationshipType(u"extended-properties"_s) && appPart.isEmpty())
                appPart = resolve(QString(), r.target);
            else if (r.type == StrictRelationshipTypes + u"officeDocument"_s)
                return systemFailure(ENOTSUP);
        }
        if (workbookPart.isEmpty())
            return partFailure(packageRelationshipsPart, u"officeDocument"_s);

        if (auto failure = read(workbookPart, workbook))
            return failure;
        if (auto failure = parse(workbookPart, workbook, xml))
            return failure;
        if (xml.namespaceUri(0) == StrictMainNamespace)
            return systemFailure(ENOTSUP);
        if (xml.name(0) != u"workbook" || xml.namespaceUri(0) != MainNamespace)
            return partFailure(workbookPart, xml.qualifiedName(0).toString());
        const int sheetList = xml.child(xml.root(), u"sheets");
        if (sheetList < 0)
            return partFailure(workbookPart, u"sheets"_s);
        const int view = xml.child(xml.child(xml.root(), u"bookViews"), u"workbookView");
        activeTab = view >= 0 ? xml.attribute(view, u"activeTab").toInt() : 0;
        const QString locked = xml.attribute(xml.child(xml.root(), u"workbookProtection"), u"lockStructure");
        structureLocked = locked == u"1"_s || locked == u"true"_s;

        workbookRelationshipsPart = relationshipsOf(workbookPart);
        WorkbookXml rels;
        if (auto failure = read(workbookRelationshipsPart, workbookRelationships))
            return failure;
        if (auto failure = parse(workbookRelationshipsPart, workbookRelationships, rels))
            return failure;
        if (!isRelationships(rels))
            return partFailure(workbookRelationshipsPart, rels.qualifiedName(0).toString());
        const QList<Relationship> workbookRels = relationships(rels);
        for (const Relationship& r : workbookRels) {
            if (!r.external && r.type == relationshipType(u"styles"_s) && stylesPart.isEmpty())
                stylesPart = resolve(workbookPart, r.target);
        }
        for (const int s : xml.children(sheetList, u"sheet")) {
            Sheet sheet;
            sheet.name = xml.attribute(s, u"name");
            sheet.relationship = xml.attribute(s, RelationshipNamespace, u"id");
            for (const Relationship& r : workbookRels) {
                if (r.id == sheet.relationship && !r.external) {
                    sheet.part = resolve(workbookPart, r.target);
                    sheet.worksheet = r.type == relationshipType(u"worksheet"_s);
                }
            }
            sheets.append(sheet);
        }
        if (!stylesPart.isEmpty()) {
            if (auto failure = read(stylesPart, styles))
                return failure;
            WorkbookXml stylesXml;
            if (auto failure = parse(stylesPart, styles, stylesXml))
                return failure;
            cellFormats = WorkbookStyles::CellFormatCount(stylesXml);
        }
        // The document's properties are only told what sheets there are: when they cannot be
        // read they are carried over as they are.
        if (!appPart.isEmpty() && read(appPart, app))
            appPart.clear();
        return std::nullopt;
    }

    int indexOf(const QString& name) const
    {
        for (qsizetype i = 0; i < sheets.size(); ++i) {
            if (sheets[i].name.compare(name, Qt::CaseInsensitive) == 0)
                return int(i);
        }
        return -1;
    }

    int active() const { return sheets.isEmpty() ? 0 : std::clamp(activeTab, 0, int(sheets.size()) - 1); }

    // The parts reached from the package through relationships, by lower-case name, leaving
    // out the relationships in skip (by relationships part and id).
    std::optional<Failure> reached(const QHash<QString, QSet<QString>>& skip, QSet<QString>& parts) const
    {
        parts.clear();
        QStringList queue{QString()};
        while (!queue.isEmpty()) {
            const QString part = queue.takeFirst();
            const QString relsPart = relationshipsOf(part);
            if (entry(relsPart) < 0)
                continue;
            QByteArray bytes;
            if (auto failure = read(relsPart, bytes))
                return failure;
            WorkbookXml xml;
            if (!xml.parse(bytes) || !isRelationships(xml))
                continue; // says nothing of what it refers to; kept as it is
            const QSet<QString> skipped = skip.value(relsPart.toLower());
            for (const Relationship& r : relationships(xml)) {
                if (r.external || skipped.contains(r.id))
                    continue;
                const zip_int64_t at = entry(resolve(part, r.target));
                if (at < 0)
                    continue;
                const QString name = entries[at].toLower();
                if (!parts.contains(name)) {
                    parts.insert(name);
                    queue.append(entries[at]);
                }
            }
        }
        return std::nullopt;
    }
};

namespace {

// The sheet names the document's properties list: the added sheet among the worksheets, at
// its place, the replaced one gone. Properties that list them otherwise are left as they are.
void retitle(WorkbookXml& app, const QStringList& worksheets, const QString& replaced, const QString& added,
             int worksheetsBefore)
{
    const int root = app.root();
    if (root < 0 || app.name(root) != u"Properties")
        return;
    const int headings = app.child(app.child(root, u"HeadingPairs"), u"vector");
    const int titleList = app.child(app.child(root, u"TitlesOfParts"), u"vector");
    if (headings < 0 || titleList < 0)
        return;
    const QList<int> pairs = app.children(headings, u"variant");
    const QList<int> titles = app.children(titleList, u"lpstr");
    struct Group
    {
        int start;
        int count;
        int countElement;
    };
    QList<Group> groups;
    int start = 0;
    for (qsizetype i = 0; i + 1 < pairs.size(); i += 2) {
        const QList<int> value = app.children(pairs[i + 1]);
        if (value.isEmpty())
            return;
        const int count = app.text(value.first()).trimmed().toInt();
        groups.append({start, count, value.first()});
        start += count;
    }
    if (start != titles.size())
        return;
    const auto isWorksheet = [&](int title) {
        const QString text = app.text(title);
        return std::any_of(worksheets.begin(), worksheets.end(),
                           [&](const QString& w) { return w.compare(text, Qt::CaseInsensitive) == 0; });
    };
    for (const Group& g : groups) {
        QList<int> group = titles.mid(g.start, g.count);
        if (std::none_of(group.begin(), group.end(), isWorksheet))
            continue;
        int removed = -1;
        for (const int t : group) {
            if (!replaced.isNull() && app.text(t).compare(replaced, Qt::CaseInsensitive) == 0)
                removed = t;
        }
        const int last = group.last();
        if (removed >= 0) {
            app.remove(removed);
            group.removeOne(removed);
        }
        const QString title = u'<' + app.prefix(last) + u"lpstr>"_s + WorkbookXml::escape(added) + u"</"_s +
                              app.prefix(last) + u"lpstr>"_s;
        const int at = std::clamp(worksheetsBefore, 0, int(group.size()));
        if (at < group.size())
            app.insertBefore(group[at], title);
        else
            app.insertAfter(last, title);
        const int delta = removed >= 0 ? 0 : 1;
        if (delta != 0) {
            app.replaceText(g.countElement, QString::number(g.count + delta));
            app.setAttribute(titleList, u"size"_s, QString::number(titles.size() + delta));
        }
        return;
    }
}

// The highest number that follows prefix in one of the texts.
int highestNumber(const QStringList& texts, const QString& prefix)
{
    int highest = 0;
    const QRegularExpression re(u'^' + QRegularExpression::escape(prefix) + u"(\\d+)$"_s);
    for (const QString& t : texts) {
        const QRegularExpressionMatch m = re.match(t);
        if (m.hasMatch())
            highest = std::max(highest, m.captured(1).toInt());
    }
    return highest;
}

} // namespace

WorkbookMerge::WorkbookMerge() = default;
WorkbookMerge::~WorkbookMerge() = default;

std::optional<Failure> WorkbookMerge::open(const QString& file)
{
    auto book = std::make_unique<Package>();
    if (auto failure = book->open(file, false))
        return failure;
    m_book = std::move(book);
    return std::nullopt;
}

QStringList WorkbookMerge::sheetNames() const
{
    QStringList names;
    if (m_book) {
        for (const Package::Sheet& s : m_book->sheets)
            names.append(s.name);
    }
    return names;
}

WorkbookMerge::SheetKind WorkbookMerge::sheetKind(const QString& name) const
{
    const int at = m_book ? m_book->indexOf(name) : -1;
    if (at < 0)
        return SheetKind::None;
    return m_book->sheets[at].worksheet ? SheetKind::Worksheet : SheetKind::OtherSheet;
}

bool WorkbookMerge::becomesActive(const QString& name) const
{
    return m_book && m_book->indexOf(name) >= 0 && m_book->indexOf(name) == m_book->active();
}

bool WorkbookMerge::structureLocked() const
{
    return m_book && m_book->structureLocked;
}

int WorkbookMerge::cellFormatCount() const
{
    return m_book ? m_book->cellFormats : 0;
}

std::optional<Failure> WorkbookMerge::write(const QString& sheetBook, const QString& sheetName,
                                            const QString& output) const
{
    if (!m_book)
        return zipFailure(ZIP_ER_INVAL);
    const Package& wb = *m_book;

    // The sheet as its own workbook holds it.
    Package book;
    if (auto failure = book.open(sheetBook, true))
        return failure;
    const int bookSheet = book.indexOf(sheetName);
    if (bookSheet < 0 || !book.sheets[bookSheet].worksheet || book.entry(book.sheets[bookSheet].part) < 0)
        return partFailure(book.workbookPart, sheetName);
    if (book.entry(relationshipsOf(book.sheets[bookSheet].part)) >= 0)
        return systemFailure(ENOTSUP); // a sheet with parts of its own is not what is written here

    const int replaced = wb.indexOf(sheetName);
    if (replaced >= 0 && !wb.sheets[replaced].worksheet)
        return systemFailure(EEXIST);
    if (wb.structureLocked)
        return systemFailure(EACCES);
    const int count = int(wb.sheets.size());
    const int active = wb.active();
    // Where the new sheet stands among the sheets that remain.
    const int place = replaced == active ? replaced : (replaced >= 0 && replaced < active ? active - 1 : active);
    const auto moved = [&](int old) {
        const int remaining = old - (replaced >= 0 && old > replaced ? 1 : 0);
        return remaining + (remaining >= place ? 1 : 0);
    };
    QList<int> remaining;
    for (int i = 0; i < count; ++i) {
        if (i != replaced)
            remaining.append(i);
    }

    WorkbookXml types;
    WorkbookXml workbook;
    WorkbookXml rels;
    if (!types.parse(wb.contentTypes) || !workbook.parse(wb.workbook) || !rels.parse(wb.workbookRelationships))
        return zipFailure(ZIP_ER_INTERNAL);

    // The new sheet's names: a part, a relationship and a number none of the workbook has.
    const QString folder = folderOf(wb.workbookPart);
    int partNumber = 1;
    while (wb.entry(folder + u"worksheets/sheet"_s + QString::number(partNumber) + u".xml"_s) >= 0)
        ++partNumber;
    const QString sheetTarget = u"worksheets/sheet"_s + QString::number(partNumber) + u".xml"_s;
    const QString sheetPart = folder + sheetTarget;
    const QList<Relationship> workbookRels = relationships(rels);
    QStringList ids;
    for (const Relationship& r : workbookRels)
        ids.append(r.id);
    const QString sheetRelationship = u"rId"_s + QString::number(highestNumber(ids, u"rId"_s) + 1);
    const int root = workbook.root();
    const int sheetList = workbook.child(root, u"sheets");
    const QList<int> sheetElements = workbook.children(sheetList, u"sheet");
    if (sheetElements.size() != count)
        return zipFailure(ZIP_ER_INTERNAL);
    int sheetId = 0;
    for (const int s : sheetElements)
        sheetId = std::max(sheetId, workbook.attribute(s, u"sheetId").toInt());
    ++sheetId;

    // The workbook's list of sheets, its names and views.
    QString relationshipPrefix = workbook.rootPrefixOf(RelationshipNamespace);
    QString declaration;
    if (relationshipPrefix.isEmpty()) {
        relationshipPrefix = u"r"_s;
        declaration = u" xmlns:r=\""_s + RelationshipNamespace + u'"';
    }
    const QString sheetXml = u'<' + workbook.prefix(sheetList) + u"sheet"_s + declaration + u" name=\""_s +
                             WorkbookXml::escape(sheetName) + u"\" sheetId=\""_s + QString::number(sheetId) + u"\" "_s +
                             relationshipPrefix + u":id=\""_s + sheetRelationship + u"\"/>"_s;
    if (replaced >= 0)
        workbook.remove(sheetElements[replaced]);
    if (place < remaining.size())
        workbook.insertBefore(sheetElements[remaining[place]], sheetXml);
    else
        workbook.append(sheetList, sheetXml);

    const QStringList names = sheetNames();
    const int definedNames = workbook.child(root, u"definedNames");
    const QList<int> nameElements = workbook.children(definedNames, u"definedName");
    QList<int> dropped;
    for (const int n : nameElements) {
        const QString local = workbook.attribute(n, u"localSheetId");
        if (replaced >= 0 && !local.isNull() && local.toInt() == replaced)
            dropped.append(n);
    }
    if (!nameElements.isEmpty() && dropped.size() == nameElements.size()) {
        workbook.remove(definedNames);
    } else {
        for (const int n : nameElements) {
            if (dropped.contains(n)) {
                workbook.remove(n);
                continue;
            }
            const QString local = workbook.attribute(n, u"localSheetId");
            if (!local.isNull() && local.toInt() >= 0 && local.toInt() < count && moved(local.toInt()) != local.toInt())
                workbook.setAttribute(n, u"localSheetId"_s, QString::number(moved(local.toInt())));
            if (replaced >= 0) {
                const QString formula = workbook.text(n);
                const QString changed = WorkbookFormula::WithoutSheet(formula, wb.sheets[replaced].name, names);
                if (changed != formula)
                    workbook.replaceText(n, changed);
            }
        }
    }
    for (const int view : workbook.children(workbook.child(root, u"bookViews"), u"workbookView")) {
        const int tab = count > 0 ? std::clamp(workbook.attribute(view, u"activeTab").toInt(), 0, count - 1) : 0;
        const int newTab = tab == replaced ? place : moved(tab);
        if (newTab != tab)
            workbook.setAttribute(view, u"activeTab"_s, QString::number(newTab));
        const QString first = workbook.attribute(view, u"firstSheet");
        if (!first.isNull() && first.toInt() >= 0 && first.toInt() < count) {
            // The tabs shown from the first on still show the active and the new sheet.
            const int newFirst = std::min({first.toInt() == replaced ? place : moved(first.toInt()), newTab, place});
            if (newFirst != first.toInt())
                workbook.setAttribute(view, u"firstSheet"_s, QString::number(newFirst));
        }
    }
    QSet<QString> droppedRelationships;
    if (replaced >= 0) {
        droppedRelationships.insert(wb.sheets[replaced].relationship);
        for (const Relationship& r : workbookRels) {
            if (r.type == relationshipType(u"calcChain"_s))
                droppedRelationships.insert(r.id);
        }
        const int calculation = workbook.child(root, u"calcPr");
        if (calculation >= 0) {
            workbook.setAttribute(calculation, u"fullCalcOnLoad"_s, u"1"_s);
        } else {
            // In its place among the workbook's elements: after the names, the references or the sheets.
            int after = -1;
            for (const QString& name : {u"definedNames"_s, u"externalReferences"_s, u"functionGroups"_s, u"sheets"_s}) {
                if ((after = workbook.child(root, name)) >= 0)
                    break;
            }
            workbook.insertAfter(after, u'<' + workbook.prefix(root) + u"calcPr fullCalcOnLoad=\"1\"/>"_s);
        }
    }

    // Its relationships, and the parts nothing refers to any more.
    for (const Relationship& r : workbookRels) {
        if (droppedRelationships.contains(r.id))
            rels.remove(r.element);
    }
    const QString relsPrefix = rels.prefix(rels.root());
    const auto relationshipXml = [&](const QString& id, const QString& kind, const QString& target) -> QString {
        return u'<' + relsPrefix + u"Relationship Id=\""_s + id + u"\" Type=\""_s + relationshipType(kind) +
               u"\" Target=\""_s + WorkbookXml::escape(target) + u"\"/>"_s;
    };
    rels.append(rels.root(), relationshipXml(sheetRelationship, u"worksheet"_s, sheetTarget));
    QSet<QString> before;
    QSet<QString> after;
    if (auto failure = wb.reached({}, before))
        return failure;
    if (auto failure = wb.reached({{wb.workbookRelationshipsPart.toLower(), droppedRelationships}}, after))
        return failure;
    QSet<QString> gone = before - after;
    for (const QString& part : QSet<QString>(gone)) {
        if (const zip_int64_t rel = wb.entry(relationshipsOf(part)); rel >= 0)
            gone.insert(wb.entries[rel].toLower());
    }

    // The new sheet's styles.
    WorkbookXml styles;
    WorkbookXml bookStyles;
    if (book.stylesPart.isEmpty())
        return partFailure(book.workbookRelationshipsPart, u"styles"_s);
    if (auto failure = book.parse(book.stylesPart, book.styles, bookStyles))
        return failure;
    QString newStylesPart;
    if (!wb.stylesPart.isEmpty()) {
        if (!styles.parse(wb.styles))
            return zipFailure(ZIP_ER_INTERNAL);
        const QString problem = WorkbookStyles::Merge(styles, bookStyles, wb.cellFormats);
        if (!problem.isEmpty())
            return partFailure(wb.stylesPart, problem);
    } else {
        // A workbook without styles takes the sheet's.
        int n = 0;
        do {
            newStylesPart = folder + u"styles"_s + (n ? QString::number(n) : QString()) + u".xml"_s;
            ++n;
        } while (wb.entry(newStylesPart) >= 0);
        ids.append(sheetRelationship);
        rels.append(rels.root(), relationshipXml(u"rId"_s + QString::number(highestNumber(ids, u"rId"_s) + 1),
                                                 u"styles"_s, newStylesPart.mid(folder.size())));
    }

    // The content types: the new parts have theirs, the parts gone have none.
    const int typesRoot = types.root();
    for (const int o : types.children(typesRoot, u"Override")) {
        QString part = types.attribute(o, u"PartName");
        if (part.startsWith(u'/'))
            part = part.mid(1);
        if (gone.contains(part.toLower()) || gone.contains(QUrl::fromPercentEncoding(part.toUtf8()).toLower()))
            types.remove(o);
    }
    const QString typesPrefix = types.prefix(typesRoot);
    const auto overrideXml = [&](const QString& part, const QString& type) -> QString {
        return u'<' + typesPrefix + u"Override PartName=\"/"_s + WorkbookXml::escape(part) + u"\" ContentType=\""_s +
               type + u"\"/>"_s;
    };
    types.append(typesRoot, overrideXml(sheetPart, WorksheetContentType));
    if (!newStylesPart.isEmpty())
        types.append(typesRoot, overrideXml(newStylesPart, StylesContentType));

    WorkbookXml app;
    if (!wb.appPart.isEmpty() && app.parse(wb.app)) {
        QStringList worksheets;
        for (const Package::Sheet& s : wb.sheets) {
            if (s.worksheet)
                worksheets.append(s.name);
        }
        int worksheetsBefore = 0;
        for (qsizetype i = 0; i < place && i < remaining.size(); ++i)
            worksheetsBefore += wb.sheets[remaining[i]].worksheet ? 1 : 0;
        retitle(app, worksheets, replaced >= 0 ? wb.sheets[replaced].name : QString(), sheetName, worksheetsBefore);
    }

    // The new archive: each part of the workbook in its order, those not changed as they are
    // stored, then the new sheet as its own workbook stored it.
    int code = 0;
    zip_t* out = zip_open(QFile::encodeName(output).constData(), ZIP_CREATE | ZIP_EXCL, &code);
    if (!out)
        return zipFailure(code);
    auto discard = qScopeGuard([out] { zip_discard(out); });
    QHash<QString, QByteArray> changed; // by lower-case name; alive until the archive is written
    changed.insert(ContentTypesPart.toLower(), types.result());
    changed.insert(wb.workbookPart.toLower(), workbook.result());
    changed.insert(wb.workbookRelationshipsPart.toLower(), rels.result());
    if (styles.changed())
        changed.insert(wb.stylesPart.toLower(), styles.result());
    if (app.changed())
        changed.insert(wb.appPart.toLower(), app.result());
    const auto addBytes = [&](const QString& name, const QByteArray& bytes) -> std::optional<Failure> {
        zip_source_t* source = zip_source_buffer(out, bytes.constData(), zip_uint64_t(bytes.size()), 0);
        if (!source || zip_file_add(out, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8) < 0) {
            if (source)
                zip_source_free(source);
            return zipFailure(zip_get_error(out));
        }
        return std::nullopt;
    };
    const auto addStored = [&](zip_t* from, zip_int64_t index, const QString& name,
                               bool now = false) -> std::optional<Failure> {
        zip_source_t* source = zip_source_zip(out, from, zip_uint64_t(index), ZIP_FL_COMPRESSED, 0, -1);
        const zip_int64_t added =
            source ? zip_file_add(out, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8) : zip_int64_t(-1);
        if (added < 0) {
            if (source)
                zip_source_free(source);
            return zipFailure(zip_get_error(out));
        }
        if (now)
            zip_file_set_mtime(out, zip_uint64_t(added), std::time(nullptr), 0);
        return std::nullopt;
    };
    for (qsizetype i = 0; i < wb.entries.size(); ++i) {
        const QString& name = wb.entries[i];
        const QString key = name.toLower();
        if (name.isNull() || gone.contains(key) || wb.index.value(key) != i)
            continue;
        const auto failure = changed.contains(key) ? addBytes(name, changed[key]) : addStored(wb.zip, i, name);
        if (failure)
            return failure;
    }
    if (auto failure = addStored(book.zip, book.entry(book.sheets[bookSheet].part), sheetPart, true))
        return failure;
    if (!newStylesPart.isEmpty()) {
        if (auto failure = addBytes(newStylesPart, book.styles))
            return failure;
    }
    if (zip_close(out) != 0)
        return zipFailure(zip_get_error(out));
    discard.dismiss();
    return std::nullopt;
}
