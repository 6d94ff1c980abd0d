#include "KlvErpData.h"

#include "KlvErpLoader.h"
#include "KlvInfosystemRun.h"
#include "KlvTypeCode.h"

#include <QReadLocker>
#include <QWriteLocker>

using namespace Qt::StringLiterals;

namespace {
const QString kNumberField = u"nummer"_s;
const QString kSearchField = u"such"_s;

QString nextNumberText(const QMap<int, KlvErpData::Record>& records)
{
    qlonglong highest = 0;
    for (const KlvErpData::Record& r : records) {
        bool ok = false;
        const qlonglong n = r.head.value(kNumberField).toLongLong(&ok);
        if (ok && n > highest)
            highest = n;
    }
    return QString::number(highest + 1);
}
} // namespace

// --- small types ---------------------------------------------------------------------------

QString KlvErpData::Ref::text() const
{
    return u'(' + QString::number(db) + u',' + QString::number(group) + u',' + QString::number(number) + u')';
}

std::optional<KlvErpData::Ref> KlvErpData::Ref::parse(const QString& text)
{
    // The kept form "(d,g,n)" is read without copies; anything else the slow way.
    if (text.size() >= 7 && text.front() == u'(' && text.back() == u')') {
        int numbers[3] = {0, 0, 0};
        int part = 0;
        bool digit = false;
        bool ok = true;
        for (qsizetype i = 1; i + 1 < text.size() && ok; ++i) {
            const QChar c = text.at(i);
            if (c.isDigit() && numbers[part] < 100000000) {
                numbers[part] = numbers[part] * 10 + c.digitValue();
                digit = true;
            } else if (c == u',' && digit && part < 2) {
                ++part;
                digit = false;
            } else {
                ok = false;
            }
        }
        if (ok && part == 2 && digit)
            return Ref{numbers[0], numbers[1], numbers[2]};
    }
    QString t = text.trimmed();
    if (t.startsWith(u'(') && t.endsWith(u')'))
        t = t.mid(1, t.size() - 2);
    const QStringList parts = t.split(u',');
    if (parts.size() != 3)
        return std::nullopt;
    int numbers[3];
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        numbers[i] = parts.at(i).trimmed().toInt(&ok);
        if (!ok || numbers[i] < 0)
            return std::nullopt;
    }
    return Ref{numbers[0], numbers[1], numbers[2]};
}

QString KlvErpData::Field::klvType() const
{
    return KlvTypeCode(type).klvLetter();
}

int KlvErpData::Field::length() const
{
    return KlvTypeCode(type).maxLength();
}

const KlvErpData::Field* KlvErpData::Group::field(const QString& name) const
{
    for (const Field& f : fields) {
        if (f.name.compare(name, Qt::CaseInsensitive) == 0)
            return &f;
    }
    return nullptr;
}

const KlvErpData::EnumPosition* KlvErpData::Enumeration::position(const QString& code) const
{
    for (const EnumPosition& p : positions) {
        if (p.code == code)
            return &p;
    }
    return nullptr;
}

// --- loading --------------------------------------------------------------------------------

KlvErpData::KlvErpData() = default;
KlvErpData::~KlvErpData() = default;

bool KlvErpData::load(const QString& fileName, int generatedRows)
{
    QWriteLocker lock(&m_lock);
    m_error.clear();
    KlvErpLoader loader(*this);
    if (!loader.load(fileName, generatedRows)) {
        m_error = loader.errorString();
        return false;
    }
    return true;
}

QString KlvErpData::builtInDataFile()
{
    return u":/klvserver/erp.json"_s;
}

QString KlvErpData::errorString() const
{
    QReadLocker lock(&m_lock);
    return m_error;
}

// --- catalogue --------------------------------------------------------------------------------

QList<KlvErpData::Database> KlvErpData::databases() const
{
    QReadLocker lock(&m_lock);
    return m_databases;
}

std::optional<KlvErpData::Database> KlvErpData::database(int number) const
{
    QReadLocker lock(&m_lock);
    for (const Database& d : m_databases) {
        if (d.number == number)
            return d;
    }
    return std::nullopt;
}

std::optional<KlvErpData::Database> KlvErpData::findDatabase(const QString& nameOrNumber) const
{
    const QString wanted = nameOrNumber.trimmed();
    bool isNumber = false;
    const int number = wanted.toInt(&isNumber);
    QReadLocker lock(&m_lock);
    for (const Database& d : m_databases) {
        if (isNumber ? d.number == number
                     : d.name.de.compare(wanted, Qt::CaseInsensitive) == 0 ||
                           d.name.en.compare(wanted, Qt::CaseInsensitive) == 0)
            return d;
    }
    return std::nullopt;
}

QList<KlvErpData::Group> KlvErpData::groups(int db) const
{
    QReadLocker lock(&m_lock);
    QList<Group> result;
    for (const GroupData& g : m_groups) {
        if (g.group.db == db)
            result.append(g.group);
    }
    return result;
}

std::optional<KlvErpData::Group> KlvErpData::group(int db, int number) const
{
    QReadLocker lock(&m_lock);
    const GroupData* g = groupData(db, number);
    return g ? std::optional<Group>(g->group) : std::nullopt;
}

std::optional<KlvErpData::Group> KlvErpData::findGroup(const QString& idOrName) const
{
    QReadLocker lock(&m_lock);
    const GroupData* g = findGroupData(idOrName);
    return g ? std::optional<Group>(g->group) : std::nullopt;
}

QString KlvErpData::groupName(int db, int number, const QString& lang) const
{
    QReadLocker lock(&m_lock);
    const GroupData* g = groupData(db, number);
    if (!g)
        return {};
    for (const Database& d : m_databases) {
        if (d.number == db)
            return d.name.in(lang) + u':' + g->group.name.in(lang);
    }
    return {};
}

QList<KlvErpData::Enumeration> KlvErpData::enumerations() const
{
    QReadLocker lock(&m_lock);
    return m_enumerations;
}

std::optional<KlvErpData::Enumeration> KlvErpData::enumeration(const QString& name) const
{
    QReadLocker lock(&m_lock);
    for (const Enumeration& e : m_enumerations) {
        if (e.name.compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return e;
    }
    return std::nullopt;
}

QList<KlvErpData::RefTarget> KlvErpData::refTargets(const QString& typeCode) const
{
    const KlvTypeCode code(typeCode.trimmed());
    if (code.kind() != KlvTypeCode::Kind::Reference && code.kind() != KlvTypeCode::Kind::RowReference)
        return {};
    if (code.refDatabase() >= 0) {
        QReadLocker lock(&m_lock);
        for (const Database& d : m_databases) {
            if (d.number == code.refDatabase())
                return {RefTarget{code.refDatabase(), code.refGroup()}};
        }
        return {};
    }
    QReadLocker lock(&m_lock);
    return m_virtualRefTypes.value(code.code());
}

QList<KlvErpData::Infosystem> KlvErpData::infosystems() const
{
    QReadLocker lock(&m_lock);
    QList<Infosystem> result;
    const GroupData* g = groupData(65, 1);
    if (!g)
        return result;
    for (const Record& r : g->records) {
        if (r.alive != 1)
            continue;
        Infosystem is;
        is.number = r.number;
        is.id = r.head.value(u"kennung"_s);
        is.searchWord = r.head.value(kSearchField);
        is.workingDir = r.head.value(u"verz"_s);
        is.prio = r.head.value(u"prio"_s).toInt();
        is.standard = r.head.value(u"std"_s) != u"0";
        is.desc = {r.head.value(u"name"_s), r.head.value(u"nameen"_s)};
        is.className = r.head.value(u"klasse"_s);
        result.append(is);
    }
    return result;
}

std::optional<KlvErpData::Infosystem> KlvErpData::infosystem(int number) const
{
    for (const Infosystem& is : infosystems()) {
        if (is.number == number)
            return is;
    }
    return std::nullopt;
}

QList<KlvErpData::Message> KlvErpData::messages(const QString& dictionary) const
{
    QReadLocker lock(&m_lock);
    if (dictionary.isEmpty())
        return m_messages;
    QList<Message> result;
    for (const Message& m : m_messages) {
        if (m.dictionary.compare(dictionary, Qt::CaseInsensitive) == 0)
            result.append(m);
    }
    return result;
}

QString KlvErpData::messageText(const QString& dictionary, int number, const QString& lang) const
{
    QReadLocker lock(&m_lock);
    QString other;
    for (const Message& m : m_messages) {
        if (m.number != number || m.dictionary.compare(dictionary, Qt::CaseInsensitive) != 0)
            continue;
        if (m.lang == lang)
            return m.text;
        if (other.isEmpty())
            other = m.text;
    }
    return other;
}

QString KlvErpData::serverText(int number, const QString& lang, const QStringList& args) const
{
    QString text = messageText(u"cc"_s, number, lang);
    if (text.isEmpty())
        text = u"Error %1"_s.arg(number);
    for (const QString& a : args)
        text = text.arg(a);
    return text;
}

// --- records -------------------------------------------------------------------------------

KlvErpData::GroupData* KlvErpData::groupData(int db, int number)
{
    for (GroupData& g : m_groups) {
        if (g.group.db == db && g.group.number == number)
            return &g;
    }
    return nullptr;
}

const KlvErpData::GroupData* KlvErpData::groupData(int db, int number) const
{
    return const_cast<KlvErpData*>(this)->groupData(db, number);
}

const KlvErpData::GroupData* KlvErpData::findGroupData(const QString& idOrName) const
{
    const QString wanted = idOrName.trimmed();
    const qsizetype colon = wanted.indexOf(u':');
    if (colon > 0) {
        bool okDb = false;
        bool okGroup = false;
        const int db = wanted.left(colon).toInt(&okDb);
        const int group = wanted.mid(colon + 1).toInt(&okGroup);
        if (okDb && okGroup)
            return groupData(db, group);
    }
    for (const GroupData& g : m_groups) {
        for (const Database& d : m_databases) {
            if (d.number != g.group.db)
                continue;
            const QString de = d.name.de + u':' + g.group.name.de;
            const QString en = d.name.en + u':' + g.group.name.en;
            if (de.compare(wanted, Qt::CaseInsensitive) == 0 || en.compare(wanted, Qt::CaseInsensitive) == 0)
                return &g;
        }
    }
    return nullptr;
}

std::vector<int> KlvErpData::recordNumbers(int db, int group) const
{
    QReadLocker lock(&m_lock);
    std::vector<int> result;
    const GroupData* g = groupData(db, group);
    if (!g)
        return result;
    if (g->group.generatedRows > 0) {
        result.resize(size_t(g->group.generatedRows));
        for (int i = 0; i < g->group.generatedRows; ++i)
            result[size_t(i)] = i + 1;
        return result;
    }
    result.reserve(size_t(g->records.size()));
    for (auto it = g->records.cbegin(); it != g->records.cend(); ++it)
        result.push_back(it.key());
    return result;
}

int KlvErpData::recordCount(int db, int group) const
{
    QReadLocker lock(&m_lock);
    const GroupData* g = groupData(db, group);
    if (!g)
        return 0;
    return g->group.generatedRows > 0 ? g->group.generatedRows : int(g->records.size());
}

std::optional<KlvErpData::Record> KlvErpData::record(const Ref& ref) const
{
    QReadLocker lock(&m_lock);
    const GroupData* g = groupData(ref.db, ref.group);
    if (!g)
        return std::nullopt;
    if (g->group.generatedRows > 0) {
        if (ref.number < 1 || ref.number > g->group.generatedRows)
            return std::nullopt;
        Record r;
        r.number = ref.number;
        for (const Field& f : g->group.fields)
            r.head.insert(f.name, generatedValue(ref.number, f.name));
        return r;
    }
    const auto it = g->records.constFind(ref.number);
    if (it == g->records.cend())
        return std::nullopt;
    return *it;
}

QString KlvErpData::valueIn(const Group& group, const Record& record, const QString& field, int row)
{
    QString name = field;
    if (const Field* f = group.field(field)) {
        name = f->isAlias() ? f->aliasOf : f->name;
        if (const Field* target = f->isAlias() ? group.field(f->aliasOf) : nullptr;
            target && target->inTable && row == 0)
            row = record.rows.isEmpty() ? -1 : 1;
    }
    if (row < 0)
        return {};
    if (row == 0)
        return record.head.value(name);
    if (row > record.rows.size())
        return {};
    return record.rows.at(row - 1).value(name);
}

QString KlvErpData::value(const Ref& ref, const QString& field, int row) const
{
    QReadLocker lock(&m_lock);
    const GroupData* g = groupData(ref.db, ref.group);
    if (!g)
        return {};
    if (g->group.generatedRows > 0)
        return row == 0 && ref.number >= 1 && ref.number <= g->group.generatedRows ? generatedValue(ref.number, field)
                                                                                   : QString();
    const auto it = g->records.constFind(ref.number);
    if (it == g->records.cend())
        return {};
    return valueIn(g->group, *it, field, row);
}

int KlvErpData::rowCount(const Ref& ref) const
{
    QReadLocker lock(&m_lock);
    const GroupData* g = groupData(ref.db, ref.group);
    if (!g || g->group.generatedRows > 0)
        return 0;
    const auto it = g->records.constFind(ref.number);
    return it == g->records.cend() ? 0 : int(it->rows.size());
}

std::optional<KlvErpData::Ref> KlvErpData::findByNumberOrSearchWord(int db, const QString& numberOrSearchWord) const
{
    const QString wanted = numberOrSearchWord.trimmed();
    if (wanted.isEmpty())
        return std::nullopt;
    QReadLocker lock(&m_lock);
    for (const GroupData& g : m_groups) {
        if (g.group.db != db)
            continue;
        if (g.group.generatedRows > 0) {
            bool ok = false;
            const int n = wanted.toInt(&ok);
            if (ok && n >= 1 && n <= g.group.generatedRows)
                return Ref{db, g.group.number, n};
            continue;
        }
        for (const Record& r : g.records) {
            if (r.head.value(kNumberField) == wanted)
                return Ref{db, g.group.number, r.number};
        }
    }
    for (const GroupData& g : m_groups) {
        if (g.group.db != db || g.group.generatedRows > 0)
            continue;
        for (const Record& r : g.records) {
            if (r.head.value(kSearchField).compare(wanted, Qt::CaseInsensitive) == 0)
                return Ref{db, g.group.number, r.number};
        }
    }
    return std::nullopt;
}

// --- changes ---------------------------------------------------------------------------------

KlvErpData::GroupData* KlvErpData::editableGroup(int db, int number)
{
    GroupData* g = groupData(db, number);
    if (!g || g->group.generatedRows > 0 || !g->group.editable)
        return nullptr;
    return g;
}

std::optional<KlvErpData::Ref> KlvErpData::createRecord(int db, int group, const Record& values)
{
    QWriteLocker lock(&m_lock);
    GroupData* g = editableGroup(db, group);
    if (!g)
        return std::nullopt;
    Record r = values;
    r.number = g->nextNumber++;
    if (g->group.field(kNumberField) && r.head.value(kNumberField).isEmpty())
        r.head.insert(kNumberField, nextNumberText(g->records));
    g->records.insert(r.number, r);
    return Ref{db, group, r.number};
}

std::optional<KlvErpData::Ref> KlvErpData::copyRecord(const Ref& templateRef, int db, int group)
{
    std::optional<Record> source = record(templateRef);
    if (!source)
        return std::nullopt;
    source->head.remove(kNumberField);
    return createRecord(db > 0 ? db : templateRef.db, db > 0 ? group : templateRef.group, *source);
}

bool KlvErpData::replaceRecord(const Ref& ref, const Record& values)
{
    QWriteLocker lock(&m_lock);
    GroupData* g = editableGroup(ref.db, ref.group);
    if (!g || !g->records.contains(ref.number))
        return false;
    Record& r = g->records[ref.number];
    r.head = values.head;
    r.rows = values.rows;
    r.alive = values.alive;
    return true;
}

bool KlvErpData::setValue(const Ref& ref, const QString& field, const QString& value, int row)
{
    QWriteLocker lock(&m_lock);
    GroupData* g = editableGroup(ref.db, ref.group);
    if (!g || !g->records.contains(ref.number))
        return false;
    Record& r = g->records[ref.number];
    const Field* f = g->group.field(field);
    const QString name = f ? (f->isAlias() ? f->aliasOf : f->name) : field;
    if (row == 0) {
        r.head.insert(name, value);
        return true;
    }
    if (row < 1 || row > r.rows.size())
        return false;
    r.rows[row - 1].insert(name, value);
    return true;
}

bool KlvErpData::deleteRecord(const Ref& ref)
{
    QWriteLocker lock(&m_lock);
    GroupData* g = editableGroup(ref.db, ref.group);
    return g && g->records.remove(ref.number) > 0;
}

bool KlvErpData::insertRow(const Ref& ref, int row)
{
    QWriteLocker lock(&m_lock);
    GroupData* g = editableGroup(ref.db, ref.group);
    if (!g || !g->group.tablePart || !g->records.contains(ref.number))
        return false;
    Record& r = g->records[ref.number];
    if (row < 1 || row > r.rows.size() + 1)
        return false;
    r.rows.insert(row - 1, {});
    return true;
}

bool KlvErpData::deleteRow(const Ref& ref, int row)
{
    QWriteLocker lock(&m_lock);
    GroupData* g = editableGroup(ref.db, ref.group);
    if (!g || !g->records.contains(ref.number))
        return false;
    Record& r = g->records[ref.number];
    if (row < 1 || row > r.rows.size())
        return false;
    r.rows.removeAt(row - 1);
    return true;
}

bool KlvErpData::moveRow(const Ref& ref, int from, int to)
{
    QWriteLocker lock(&m_lock);
    GroupData* g = editableGroup(ref.db, ref.group);
    if (!g || !g->records.contains(ref.number))
        return false;
    Record& r = g->records[ref.number];
    if (from < 1 || from > r.rows.size() || to < 1 || to > r.rows.size())
        return false;
    r.rows.move(from - 1, to - 1);
    return true;
}

// --- record locks ------------------------------------------------------------------------------

bool KlvErpData::lockRecord(const Ref& ref, int owner)
{
    QWriteLocker lock(&m_lock);
    const QString key = ref.text();
    const int current = m_recordLocks.value(key, 0);
    if (current != 0 && current != owner)
        return false;
    m_recordLocks.insert(key, owner);
    return true;
}

void KlvErpData::unlockRecord(const Ref& ref, int owner)
{
    QWriteLocker lock(&m_lock);
    const QString key = ref.text();
    if (m_recordLocks.value(key, 0) == owner)
        m_recordLocks.remove(key);
}

void KlvErpData::unlockAll(int owner)
{
    QWriteLocker lock(&m_lock);
    m_recordLocks.removeIf([owner](const auto& it) { return it.value() == owner; });
}

int KlvErpData::holder(const Ref& ref) const
{
    QReadLocker lock(&m_lock);
    return m_recordLocks.value(ref.text(), 0);
}

// --- information systems -------------------------------------------------------------------------

KlvErpData::InfosystemResult KlvErpData::runInfosystem(int number, const QHash<QString, QString>& headValues) const
{
    return KlvInfosystemRun(*this).run(number, headValues);
}

// --- generated records -----------------------------------------------------------------------------

namespace {
const char* const kGeneratedFields[] = {"nummer", "such",  "name",  "ort",       "datum",
                                        "betrag", "menge", "aktiv", "kategorie", "kunde"};
} // namespace

int KlvErpData::generatedField(const QString& field)
{
    for (int i = 0; i < 10; ++i) {
        if (field.compare(QLatin1StringView(kGeneratedFields[i]), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString KlvErpData::generatedValue(int n, const QString& field)
{
    return generatedValue(n, generatedField(field));
}

QString KlvErpData::generatedValue(int n, int field)
{
    // Cheap, deterministic and varied enough to sort and select on.
    static const QString places[] = {u"Berlin"_s,    u"Hamburg"_s, u"München"_s, u"Köln"_s,   u"Frankfurt"_s,
                                     u"Stuttgart"_s, u"Leipzig"_s, u"Dresden"_s, u"Bremen"_s, u"Hannover"_s};
    switch (field) {
    case 0:
        return QString::number(n);
    case 1:
        return u"M"_s + QString::number(n).rightJustified(7, u'0');
    case 2:
        return u"Messwert "_s + QString::number(n);
    case 3:
        return places[(n * 7) % 10];
    case 4: {
        const int day = n % 28 + 1;
        const int month = (n / 28) % 12 + 1;
        const int year = 2000 + (n / 336) % 25;
        return QString::number(year * 10000 + month * 100 + day);
    }
    case 5: {
        const qlonglong cents = (qlonglong(n) * 7919) % 1000000;
        const qlonglong rest = cents % 100;
        return QString::number(cents / 100) + (rest == 0        ? QString()
                                               : rest % 10 == 0 ? u'.' + QString::number(rest / 10)
                                                                : u'.' + QString::number(rest).rightJustified(2, u'0'));
    }
    case 6:
        return QString::number((n * 13) % 1000);
    case 7:
        return n % 3 == 0 ? u"0"_s : u"1"_s;
    case 8:
        return QString::number(n % 5 + 1);
    case 9:
        return u"(1,1,"_s + QString::number(n % 120 + 1) + u')';
    default:
        return {};
    }
}
