#pragma once

// The description of one ERP field-type code: its data type, digits, lengths, flags, the
// target of a reference type and the whole description as one text. Made only by the
// library (KLVTools::GetTAVArtInfo and the reference requests of a query); read-only.
//
// Like every class of the library, used from one thread: the one it was made in (debug
// builds stop at a command or a move of the record pointer called from another).

#include "KLVEnums.h"

#include <QObject>
#include <QString>

class KLVTAVArtInfo : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int IntegerDigits READ IntegerDigits)
    Q_PROPERTY(int FractionDigits READ FractionDigits)
    Q_PROPERTY(bool HasIntegerGrouping READ HasIntegerGrouping)
    Q_PROPERTY(bool PositiveOnly READ PositiveOnly)
    Q_PROPERTY(int RefDatabaseNr READ RefDatabaseNr)
    Q_PROPERTY(int RefGroupNr READ RefGroupNr)
    Q_PROPERTY(QString MaxLen READ MaxLen)
    Q_PROPERTY(QString TAVArtInfo READ TAVArtInfo)
    Q_PROPERTY(KLVActiveX::KLV_DataType DataType READ DataType)
    Q_PROPERTY(QString TAVArt READ TAVArt)
    Q_PROPERTY(QString RefDatabaseName READ RefDatabaseName)
    Q_PROPERTY(QString RefGroupName READ RefGroupName)
    Q_PROPERTY(KLVActiveX::Ref_EchoType RefEchoType READ RefEchoType)
    Q_PROPERTY(int MaxLen2 READ MaxLen2)
    Q_PROPERTY(int MaxLineLen READ MaxLineLen)
    Q_PROPERTY(bool IsMultiLine READ IsMultiLine)
    Q_PROPERTY(bool IsBlankWhenZero READ IsBlankWhenZero)
    Q_PROPERTY(bool HasTrailingFractionZeroes READ HasTrailingFractionZeroes)
    Q_PROPERTY(bool IsUniversal READ IsUniversal)

public:
    explicit KLVTAVArtInfo(QObject* parent = nullptr);

    // The classification of any code, not only of this one.
    Q_INVOKABLE KLVActiveX::KLV_DataType GetDataType(const QString& TAVArt) const;

    int IntegerDigits() const { return m_integerDigits; }
    int FractionDigits() const { return m_fractionDigits; }
    bool HasIntegerGrouping() const { return m_grouping; }
    bool PositiveOnly() const { return m_positiveOnly; }
    int RefDatabaseNr() const { return m_refDatabaseNr; }
    int RefGroupNr() const { return m_refGroupNr; }
    // MaxLen2 as decimal text.
    QString MaxLen() const { return QString::number(m_maxLen); }
    QString TAVArtInfo() const { return m_info; }
    KLVActiveX::KLV_DataType DataType() const { return m_dataType; }
    QString TAVArt() const { return m_tavArt; }
    QString RefDatabaseName() const { return m_refDatabaseName; }
    QString RefGroupName() const { return m_refGroupName; }
    KLVActiveX::Ref_EchoType RefEchoType() const { return m_echoType; }
    int MaxLen2() const { return m_maxLen; }
    // The line length, or MaxLen2 for a type without lines.
    int MaxLineLen() const { return m_lineLen < 1 ? m_maxLen : m_lineLen; }
    bool IsMultiLine() const { return m_multiLine; }
    bool IsBlankWhenZero() const { return m_blankWhenZero; }
    bool HasTrailingFractionZeroes() const { return m_trailingZeroes; }
    bool IsUniversal() const { return m_universal; }

    // Library-internal: fills the description from a type code.
    void ParseTypeCode(const QString& code);
    // Library-internal: fills the description from a row of a reference-type answer.
    void InitFromRefTypeRow(int databaseNr, const QString& databaseName, int groupNr, const QString& groupName,
                            const QString& echoText, int echoLength);

private:
    void parseNumber(const QString& code);
    void parseReal(QString code);
    void parseReference(const QString& code);
    // Sets MaxLen2 and the line length of a code that is described as text.
    void parseText(const QString& code);
    QString echoWord() const;

    QString m_tavArt;
    KLVActiveX::KLV_DataType m_dataType = KLVActiveX::klvLongInt;
    int m_maxLen = 0;
    QString m_info = QStringLiteral("***ERROR IN KLVTAVArtInfo INFORMATION***");
    bool m_universal = false;
    int m_integerDigits = 0;
    int m_fractionDigits = 0;
    bool m_positiveOnly = false;
    bool m_blankWhenZero = false;
    bool m_trailingZeroes = true;
    bool m_grouping = false;
    int m_refDatabaseNr = -1;
    int m_refGroupNr = -1;
    QString m_refDatabaseName;
    QString m_refGroupName;
    KLVActiveX::Ref_EchoType m_echoType = KLVActiveX::refEchoNum;
    int m_lineLen = 0;
    bool m_multiLine = false;
};
