#pragma once

// Stateless helpers of the library: the data type and description of an ERP type code, the
// null reference, the column counts of the catalogue answers and two message factories.
// The program uses one global instance (KLVFactory::applicationObject("KLVTools")); any
// instance answers the same.
//
// Like every class of the library, used from one thread: the one it was made in (debug
// builds stop at a command or a move of the record pointer called from another).

#include "KLVEnums.h"
#include "KLVMessage.h"

#include <QObject>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QVariantList>

class KLVTAVArtInfo;

class KLVTools : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int DatabaseFieldCount READ DatabaseFieldCount CONSTANT)
    Q_PROPERTY(int GroupFieldCount READ GroupFieldCount CONSTANT)
    Q_PROPERTY(int EnumFieldCount READ EnumFieldCount CONSTANT)
    Q_PROPERTY(int EnumPosFieldCount READ EnumPosFieldCount CONSTANT)
    Q_PROPERTY(int TableFieldCount READ TableFieldCount CONSTANT)
    Q_PROPERTY(int FieldFieldCount READ FieldFieldCount CONSTANT)
    Q_PROPERTY(int KeyFieldCount READ KeyFieldCount CONSTANT)
    Q_PROPERTY(int RefInfoFieldCount READ RefInfoFieldCount CONSTANT)
    Q_PROPERTY(int FldTestFieldCount READ FldTestFieldCount CONSTANT)
    Q_PROPERTY(int MessageFieldCount READ MessageFieldCount CONSTANT)
    Q_PROPERTY(int InfosysFieldCount READ InfosysFieldCount CONSTANT)

public:
    Q_INVOKABLE explicit KLVTools(QObject* parent = nullptr);

    Q_INVOKABLE KLVActiveX::KLV_DataType GetDataType(const QString& TAVArt) const { return DataTypeOf(TAVArt); }
    // True for the empty reference and "(0,0,0)".
    Q_INVOKABLE bool IsNullRef(const QString& Ref) const;
    Q_INVOKABLE QString GetNullRef() const { return QStringLiteral("(0,0,0)"); }
    // Each value as text, in argument order.
    Q_INVOKABLE QStringList StringList2Array(const QVariantList& values) const;

    int DatabaseFieldCount() const { return 6; }
    int GroupFieldCount() const { return 18; }
    int EnumFieldCount() const { return 10; }
    int EnumPosFieldCount() const { return 5; }
    int TableFieldCount() const { return 12; }
    int FieldFieldCount() const { return 23; }
    int KeyFieldCount() const { return 16; }
    Q_INVOKABLE QSharedPointer<KLVTAVArtInfo> GetTAVArtInfo(const QString& TAVArt) const;
    int RefInfoFieldCount() const { return 6; }
    int FldTestFieldCount() const { return 4; }
    int MessageFieldCount() const { return 4; }
    int InfosysFieldCount() const { return 8; }

    // A status or error message made by the caller (number 0, row 0, no field).
    Q_INVOKABLE QSharedPointer<KLVMessage> StatusMessage(const QString& MessageText,
                                                         const QString& MessageContext = QString()) const;
    Q_INVOKABLE QSharedPointer<KLVMessage> ErrorMessage(const QString& MessageText,
                                                        const QString& MessageContext = QString()) const;

    // The classification of a type code, for the library's own use.
    static KLVActiveX::KLV_DataType DataTypeOf(const QString& code);
};
