#pragma once

#include <QHash>
#include <QList>
#include <QMap>
#include <QReadWriteLock>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The sample ERP behind the stand-in server: databases with their groups (one group is one
// table, named "database:group"), the fields, keys and records of each group, enumerations,
// reference types, information systems, message texts, and the lock table of records opened
// for change. One instance per server; every connection of that server works on it, so a change
// made through the editor is seen by every later query.
//
// Values are kept in one canonical text form per kind of field, whatever the session shows:
//   numbers   "-1234.5" (period, no grouping)     dates      "yyyyMMdd"
//   date-time "yyyyMMddHHmmss"                    times      "HHmm"
//   Booleans  "1" / "0"                           enums      the position's code
//   reference "(db,group,number)"                 multiple   references joined by ";"
//   texts and free texts as they are, lines joined by "\n"; an empty text is an empty value.
// KlvValueFormat turns them into what a session asks to see, and back.
//
// Every member locks: the worker thread of the server and a test thread may both use it.
// Records are handed out as copies, so nothing returned changes behind the caller's back.
class KlvErpData
{
public:
    // Texts that the server shows in the session's language ("D" German, "E" English).
    struct Text
    {
        QString de;
        QString en;
        QString in(const QString& lang) const { return lang == u"E" && !en.isEmpty() ? en : de; }
    };

    // A record reference "(db,group,number)". The null reference is "(0,0,0)".
    struct Ref
    {
        int db = 0;
        int group = 0;
        int number = 0;
        bool isNull() const { return db == 0 && group == 0 && number == 0; }
        QString text() const;
        // "(1,1,5)", also without parentheses or with blanks; nullopt for anything else.
        static std::optional<Ref> parse(const QString& text);
        friend bool operator==(const Ref&, const Ref&) = default;
    };

    struct Field
    {
        QString name;         // lower case, as the ERP writes field names
        QString type;         // the ERP type code ("GL40", "R12.2", "P1:1", "A48", "TN", "DVB", ...)
        Text desc;            // description; also the meaning text of the field catalogue
        Text prompt;          // short label; falls back to desc
        bool inTable = false; // the field lies in the table part (one value per row)
        bool skip = false;    // passed over on input
        int protection = 3;   // 1 protected, 2 core controlled, 3 modifiable
        QString prioDisp = QStringLiteral("A");
        QString prioEdit = QStringLiteral("A");
        bool custom = false;
        QString aliasOf;       // an alias shows the value of another field of the group
        bool queryable = true; // listed for queries (buttons are not)
        QStringList subscreen; // a sub-screen button: the fields its sub-editor shows
        int msgNumber = 0;     // number of its description in the dictionary "fd"

        // The protocol's type letter: "N" numbers, "D" dates and times, "A" everything else.
        QString klvType() const;
        // Longest text form of a value, from the type code.
        int length() const;
        bool isAlias() const { return !aliasOf.isEmpty(); }
    };

    struct Key
    {
        QString name;
        QStringList fields;    // key fields in sort order
        QString condition;     // a Boolean field: only records where it is set are in the key
        int conditionType = 0; // 0 none; 1 or 2 when there is a condition
        int aliveFlag = 1;     // storage kinds the key holds: 1 alive, 2 filed, 3 both
        bool tableKey = false; // a key over the rows of the table part
        bool custom = false;
        int number = 0;
        QString range; // the key's range as the catalogue shows it
        Text desc;
    };

    struct Record
    {
        int number = 0;                      // the third part of the reference; unique in its group
        int alive = 1;                       // storage kind: 1 alive, 2 filed, 0 internal
        QHash<QString, QString> head;        // field -> canonical value
        QList<QHash<QString, QString>> rows; // table part, row 1 first
    };

    struct Group
    {
        int db = 0;
        int number = 0;
        Text name;
        QString className;
        bool tablePart = false;
        bool editable = true;
        bool newAllowed = true; // listed among the groups a record can be created in
        bool listed = true;     // in the plain table catalogue; else found only by name or id
        bool singleObject = false;
        QList<Field> fields; // head fields first, then the table-part fields
        QList<Key> keys;
        int generatedRows = 0; // more than 0: the records are made on the fly, read-only
        QString id() const { return QString::number(db) + u':' + QString::number(number); }
        const Field* field(const QString& name) const;
    };

    struct Database
    {
        int number = 0;
        Text name;
        QString className;
        bool masterData = false;
        bool additional = false;
        bool editable = true;
    };

    struct EnumPosition
    {
        QString code;
        Text text;
        QString briefDesc;
        QString universal;
        QString identifier;
    };

    struct Enumeration
    {
        QString name; // also the type code of fields that take it ("A48")
        Text desc;
        bool emptyIsValid = true;
        QString className;
        int id = 0;
        int actType = 0;
        bool isMenu = false;
        QList<EnumPosition> positions;
        const EnumPosition* position(const QString& code) const;
    };

    // One target of a reference type; group -1 when the reference names a whole database.
    struct RefTarget
    {
        int db = 0;
        int group = -1;
    };

    struct Message
    {
        QString dictionary;
        int number = 0;
        QString lang; // "D" or "E"
        QString text;
    };

    // An information system: its definition is a record of the group "65:1" whose table rows
    // are its header fields and result columns; its head gives these catalogue attributes
    // (fields "kennung", "nummer", "such", "verz", "prio", "std", "name", "klasse").
    struct Infosystem
    {
        QString id;     // the identifier the GUI client runs it by
        int number = 0; // number of its definition record
        QString searchWord;
        QString workingDir;
        int prio = 0;
        bool standard = true;
        Text desc;
        QString className;
    };

    // The outcome of an information-system run.
    struct InfosystemResult
    {
        QHash<QString, QString> head;        // header fields the run sets (for example the row count)
        QList<QHash<QString, QString>> rows; // one per result row, result field -> value
        QString error;                       // empty when it ran
    };

    KlvErpData();
    ~KlvErpData();
    KlvErpData(const KlvErpData&) = delete;
    KlvErpData& operator=(const KlvErpData&) = delete;

    // Reads the data file (JSON, see server/README.md) and adds a generated table of rows
    // records when rows > 0. False with errorString() when the file cannot be used.
    bool load(const QString& fileName, int generatedRows = 0);
    // The data that comes with the server (built in).
    static QString builtInDataFile();
    QString errorString() const;

    // --- catalogue ------------------------------------------------------------------------
    QList<Database> databases() const;
    std::optional<Database> database(int number) const;
    // A database by number or by name (either language, any case).
    std::optional<Database> findDatabase(const QString& nameOrNumber) const;
    QList<Group> groups(int db) const;
    std::optional<Group> group(int db, int number) const;
    // A table by its id ("1:1"), by its name ("Kunde:Kunde", either language, any case).
    std::optional<Group> findGroup(const QString& idOrName) const;
    QString groupName(int db, int number, const QString& lang) const; // "Kunde:Kunde"
    QList<Enumeration> enumerations() const;
    std::optional<Enumeration> enumeration(const QString& name) const;
    // The targets of a reference type code: from its code ("P1:1", "PS1", "ID2", "C24") or,
    // for virtual types ("VP..."), from the data file.
    QList<RefTarget> refTargets(const QString& typeCode) const;
    QList<Infosystem> infosystems() const;
    std::optional<Infosystem> infosystem(int number) const;
    // Message texts of one dictionary ("" for all), in the order of the data file.
    QList<Message> messages(const QString& dictionary = {}) const;
    // One text, in lang or else in the other language; empty when there is none.
    QString messageText(const QString& dictionary, int number, const QString& lang) const;
    // The server's own texts (dictionary "cc", numbers 1001 and up) with %1.. filled in.
    QString serverText(int number, const QString& lang, const QStringList& args = {}) const;

    // --- records --------------------------------------------------------------------------
    // Record numbers of a group in ascending order (generated groups: 1..rows).
    std::vector<int> recordNumbers(int db, int group) const;
    int recordCount(int db, int group) const;
    std::optional<Record> record(const Ref& ref) const;
    // One canonical value without copying the record; row 0 is the head. An alias gives its
    // field's value. Empty for a missing record, row or field.
    QString value(const Ref& ref, const QString& field, int row = 0) const;
    int rowCount(const Ref& ref) const;
    // The record a number or search word names in a database (any of its groups, in group
    // order): the field "nummer" compared as text, then "such" in any case.
    std::optional<Ref> findByNumberOrSearchWord(int db, const QString& numberOrSearchWord) const;

    // --- changes (the editor) -------------------------------------------------------------
    // All of them refuse records of generated groups and of groups that are not editable;
    // false (or nullopt) then, and for a missing record or row.
    // A new record with the next free number, values as given (numbers of "nummer" are given
    // out when the field is empty).
    std::optional<Ref> createRecord(int db, int group, const Record& values);
    // A new record with the values and rows of the template.
    std::optional<Ref> copyRecord(const Ref& templateRef, int db = 0, int group = 0);
    // Replaces head and rows of an existing record (number and reference stay).
    bool replaceRecord(const Ref& ref, const Record& values);
    bool setValue(const Ref& ref, const QString& field, const QString& value, int row = 0);
    bool deleteRecord(const Ref& ref);
    // Inserts an empty row before row (1-based); rowCount + 1 appends.
    bool insertRow(const Ref& ref, int row);
    bool deleteRow(const Ref& ref, int row);
    // Moves the row from to the position to (both 1-based, to within 1..rowCount).
    bool moveRow(const Ref& ref, int from, int to);

    // --- records opened for change ---------------------------------------------------------
    // A record is held by one owner (a connection's number) at a time. lockRecord returns true
    // when the owner holds it afterwards; holder() tells who has it (0 nobody).
    bool lockRecord(const Ref& ref, int owner);
    void unlockRecord(const Ref& ref, int owner);
    void unlockAll(int owner);
    int holder(const Ref& ref) const;

    // --- information systems ----------------------------------------------------------------
    // Runs the information system with the given header values: a selection on its source
    // table with the criteria its parameter fields make of the values, one result row per
    // record found, and the header fields that report on the run.
    InfosystemResult runInfosystem(int number, const QHash<QString, QString>& headValues) const;

    // --- generated records --------------------------------------------------------------------
    // The value of a field of the generated table for record n (1-based), made on the fly.
    static QString generatedValue(int n, const QString& field);
    // The same by the field's number (generatedField(), -1 for none), for the inner loop.
    static int generatedField(const QString& field);
    static QString generatedValue(int n, int field);

private:
    friend class KlvErpLoader;
    struct GroupData
    {
        Group group;
        QMap<int, Record> records;
        int nextNumber = 1;
    };

    GroupData* groupData(int db, int number);
    const GroupData* groupData(int db, int number) const;
    const GroupData* findGroupData(const QString& idOrName) const;
    GroupData* editableGroup(int db, int number);
    static QString valueIn(const Group& group, const Record& record, const QString& field, int row);

    mutable QReadWriteLock m_lock;
    QString m_error;
    QList<Database> m_databases;
    QList<GroupData> m_groups;
    QList<Enumeration> m_enumerations;
    QHash<QString, QList<RefTarget>> m_virtualRefTypes;
    QList<Message> m_messages;
    QHash<QString, int> m_recordLocks; // Ref::text() -> owner
};
