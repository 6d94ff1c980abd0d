#pragma once

#include <QString>

// What the server knows of an ERP type code: its kind, the longest text form of a value, the
// digits of a number and the target of a reference. The codes are the ERP's own ("GL40" a
// text of 40, "R12.2" a real number, "P1:1" a reference to table 1:1, "A48" enumeration 48).
class KlvTypeCode
{
public:
    enum class Kind {
        LongInt,
        Integer,
        Byte,
        Real,
        Bool,
        Reference,
        EnumReference,
        RowReference,
        Time,
        Date,
        DateTime,
        Period,
        Week,
        Button,
        FText,
        Enumeration,
        Text,
    };

    explicit KlvTypeCode(const QString& code);

    const QString& code() const { return m_code; }
    Kind kind() const { return m_kind; }
    bool isNumber() const;
    bool isMultiLine() const { return m_kind == Kind::FText || m_multiLine; }
    // A multiple reference: a virtual reference ("V...") whose number is above 50.
    bool isMultipleReference() const;
    int maxLength() const { return m_maxLength; }
    int integerDigits() const { return m_integerDigits; }
    int fractionDigits() const { return m_fractionDigits; }
    bool positiveOnly() const { return m_positiveOnly; }
    bool grouping() const { return m_grouping; }
    // Reference target from the code itself; -1 when the code does not say (virtual types).
    int refDatabase() const { return m_refDb; }
    int refGroup() const { return m_refGroup; }
    // "NUM", "SW" or "REF": how the reference is echoed.
    QString refEcho() const;
    // The protocol's type letter: "N", "D" or "A".
    QString klvLetter() const;

    static Kind classify(const QString& code);

private:
    QString m_code;
    Kind m_kind;
    int m_maxLength = 0;
    int m_integerDigits = 0;
    int m_fractionDigits = 0;
    bool m_positiveOnly = false;
    bool m_grouping = false;
    bool m_multiLine = false;
    int m_refDb = -1;
    int m_refGroup = -1;
};
