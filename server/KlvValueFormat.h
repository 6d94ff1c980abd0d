#pragma once

#include "KlvErpData.h"
#include "KlvTypeCode.h"

#include <QHash>
#include <QString>

#include <optional>

class KlvSession;

// Turns the canonical values of the sample ERP (see KlvErpData) into the text a session asks
// to see, and what a client sends back into canonical values. The session options decide the
// form: dates (DATEMODE), numbers (NUMMODE, DECIMALPOINT), Booleans (BOOLMODE), enumerations
// (ENUMMODE), references (VERWMODE), free texts (FTMODE, LINEBREAK), trimming (TRIMVALUES) and
// the language of texts (LANG).
class KlvValueFormat
{
public:
    struct Options
    {
        QString dateMode = QStringLiteral("TAV4");  // TAV, TAV4, SORT
        QString numberMode = QStringLiteral("EXT"); // TAV, RAW, EXT
        bool decimalComma = true;
        QString boolMode = QStringLiteral("NUM");       // TAV, NUM
        QString enumMode = QStringLiteral("BRIEFDESC"); // TEXT, CODE, BRIEFDESC
        QString verwMode = QStringLiteral("NUM");       // EXT, REF, NUM, SW
        int freeTextLength = 500;                       // FTMODE TEXT:<n>; -1 for the whole text
        bool crlf = false;
        bool trim = false;
        QString lang = QStringLiteral("D");
        static Options fromSession(const KlvSession& session);
    };

    // What parsing a value gave: the canonical value, or the number and text of the reason.
    struct Parsed
    {
        bool ok = true;
        QString value;
        int error = 0;
        QString errorText;
    };

    KlvValueFormat(const KlvErpData& data, Options options);

    const Options& options() const { return m_options; }

    // The display form of a canonical value. The modifier is what a field list writes in
    // parentheses behind the name: "0" and "code" show a Boolean or enumeration as "(code)",
    // "text" an enumeration's text, "ref", "num" and "sw" a reference in that form.
    QString display(const KlvTypeCode& type, const QString& canonical, const QString& modifier = {}) const;
    QString display(const QString& typeCode, const QString& canonical, const QString& modifier = {}) const
    {
        return display(KlvTypeCode(typeCode), canonical, modifier);
    }
    // A value as a client types it (in the session's forms, or canonical where that cannot be
    // mistaken) into the canonical value.
    Parsed parse(const KlvTypeCode& type, const QString& text) const;
    Parsed parse(const QString& typeCode, const QString& text) const { return parse(KlvTypeCode(typeCode), text); }

    // The enumeration a type code takes its positions from ("A48", "AK5"; "AZK131" -> "A131").
    static QString enumerationName(const QString& typeCode);

    // Shown references are remembered until this is called: a block of records asks for the
    // same few targets again and again. The cursor calls it before every block, so a change
    // made between blocks shows.
    void forgetShownReferences() const { m_shownRefs.clear(); }

private:
    QString displayNumber(const KlvTypeCode& type, const QString& canonical) const;
    QString displayReference(const KlvTypeCode& type, const QString& canonical, const QString& modifier) const;
    QString displayEnum(const KlvTypeCode& type, const QString& canonical, const QString& modifier) const;
    QString displayBool(const QString& canonical, const QString& modifier) const;
    Parsed parseNumber(const KlvTypeCode& type, const QString& text) const;
    Parsed parseReference(const KlvTypeCode& type, const QString& text) const;
    Parsed parseEnum(const KlvTypeCode& type, const QString& text) const;
    Parsed fail(int error, const QStringList& args) const;

    const KlvErpData::Enumeration* enumeration(const QString& name) const;

    const KlvErpData& m_data;
    Options m_options;
    mutable QHash<QString, std::optional<KlvErpData::Enumeration>> m_enums; // they never change
    mutable QHash<QString, QString> m_shownRefs;
    // The options read once; every value of an answer asks them.
    bool m_sortDates = false;
    bool m_shortYear = false;
    bool m_rawNumbers = false;
    bool m_groupNumbers = false;
    bool m_boolTexts = false;
    bool m_enumText = false;
    bool m_enumCode = false;
};
