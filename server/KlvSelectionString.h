#pragma once

#include <QList>
#include <QString>

#include <optional>

// The selection string of an EXQ line taken apart. Its form (server/README.md):
//   <table>[,<item>;<item>;...]
// where <table> is a table id "1:1", a table name "Kunde:Kunde", a database with groups
// "1:1.2" or a whole database "1:", and an item is one of
//   @sort=<key>  @ordnung=<field>.vorw|rueckw,...  @richtung=rueckw  @verkn=oder  @zeilen=ja
//   @ablageart=lebendig|abgelegt|beides|programmintern  @lesen=(0)
// or a criterion <field><op><value> with op one of = <> != < <= > >=. A value with * or ? is
// a pattern, a backtick (`) stands for the empty value. Empty items are skipped.
class KlvSelectionString
{
public:
    struct Criterion
    {
        QString field; // a field expression: name, path "a^b", pseudo field "id"
        QString op;    // "=", "<>", "<", "<=", ">", ">="
        QString value;
    };
    struct Order
    {
        QString field;
        bool descending = false;
    };

    // nullopt with error set when the text cannot be read.
    static std::optional<KlvSelectionString> parse(const QString& text, QString* error);

    QString table;
    QString key;
    QList<Order> order;
    bool descending = false;
    bool orJunction = false;
    bool byRows = false;
    // Storage kinds asked for: -1 when no item said (alive and filed), else 0 internal,
    // 1 alive, 2 filed, 3 both.
    int aliveFlag = -1;
    bool readNone = false; // "@lesen=(0)": count only, deliver no record
    QList<Criterion> criteria;
};
