#pragma once

#include "KlvErpData.h"
#include "KlvTypeCode.h"

#include <QList>
#include <QString>

// One item of a field list or the field of a criterion, taken apart and bound to a table:
//   [0:|1:]<field>[^<field>...][(<modifier>)]
// "0:" and "1:" mark a head or table-part field (as the viewer names its result columns),
// "^" follows references into the tables they point at, and the modifier in parentheses asks
// for a form of the value ("iverk(0)", "sabl(text)"). The pseudo fields "id" and "+id" give
// the record's reference, "dnr" and "gruppe" its database and group number, "zn" the row.
class KlvFieldExpression
{
public:
    enum class Pseudo { None, Id, Database, Group, Row };

    static KlvFieldExpression parse(const QString& written);
    // A comma-separated list; empty items are kept out.
    static QList<KlvFieldExpression> parseList(const QString& list);

    // Binds the expression to a table; false with error() when a field is unknown or a step of
    // the path is no reference.
    bool resolve(const KlvErpData& data, const KlvErpData::Group& group);

    // The canonical value for a record of the bound table; row 0 is the head (a table-part
    // field then gives its first row).
    QString value(const KlvErpData& data, const KlvErpData::Ref& ref, int row) const;

    const QString& written() const { return m_written; }
    // Without the part flag and the modifier: "kunde^name".
    const QString& name() const { return m_name; }
    const QString& modifier() const { return m_modifier; }
    Pseudo pseudo() const { return m_pseudo; }
    bool isPath() const { return m_path.size() > 1; }
    QString error() const { return m_error; }
    // After resolve(): the field the expression ends in, its type, and whether the first
    // step lies in the table part.
    const KlvErpData::Field& field() const { return m_field; }
    const KlvTypeCode& type() const { return m_type; }
    bool inTable() const { return m_inTable; }

private:
    struct Step
    {
        QString field; // the real field (an alias resolved)
        bool inTable = false;
    };

    QString m_written;
    QString m_name;
    QString m_modifier;
    QStringList m_path;
    Pseudo m_pseudo = Pseudo::None;
    QString m_error;
    QList<Step> m_steps;
    KlvErpData::Field m_field;
    KlvTypeCode m_type{QString()};
    bool m_inTable = false;
    int m_generatedRows = 0;
    int m_generatedField = -1;
};
