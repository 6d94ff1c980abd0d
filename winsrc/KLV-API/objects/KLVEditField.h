#pragma once

// One field of an edited object, of its head (Row 0) or of table row Row, as the server
// reported it when the editor read it, plus a new value the caller may hold for it until
// the editor sends it. A snapshot: it does not follow later changes at the server.
//
// Like every class of the library, used from one thread: the one it was made in (debug
// builds stop at a command or a move of the record pointer called from another).

#include "KLVEnums.h"

#include <QObject>
#include <QSharedPointer>
#include <QString>

class KLVEditFieldProperties;

class KLVEditField : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int Row READ Row)
    // The name the field was asked for, modifiers included.
    Q_PROPERTY(QString Name READ Name)
    Q_PROPERTY(QString Val READ Val)
    Q_PROPERTY(QString OldVal READ OldVal)
    Q_PROPERTY(bool IsModifiable READ IsModifiable)
    Q_PROPERTY(bool IsModified READ IsModified)
    // The server's type code of the field.
    Q_PROPERTY(QString TAVArt READ TAVArt)
    // Name, row and every property in one line, for diagnosis.
    Q_PROPERTY(QString FieldInfo READ FieldInfo)
    // Assigning marks the value as pending, the empty text included.
    Q_PROPERTY(QString NewVal READ NewVal WRITE setNewVal)
    Q_PROPERTY(bool HasNewVal READ HasNewVal)
    Q_PROPERTY(bool IsTabField READ IsTabField)
    // The protocol's type letter: N, A or D.
    Q_PROPERTY(QString KLVType READ KLVType)
    // Longest external (display) form.
    Q_PROPERTY(int Length READ Length)
    Q_PROPERTY(bool IsSkip READ IsSkip)
    // The field name without modifiers.
    Q_PROPERTY(QString TrueName READ TrueName)
    Q_PROPERTY(KLVActiveX::KLV_ScreenProtection ScrProtection READ ScrProtection)
    Q_PROPERTY(QString PrioDisp READ PrioDisp)
    Q_PROPERTY(QString PrioEdit READ PrioEdit)
    Q_PROPERTY(bool IsCustom READ IsCustom)
    Q_PROPERTY(bool IsAlias READ IsAlias)

public:
    explicit KLVEditField(QObject* parent = nullptr);
    ~KLVEditField() override;

    int Row() const { return m_row; }
    QString Name() const { return m_name; }
    QString Val() const;
    QString OldVal() const;
    bool IsModifiable() const;
    bool IsModified() const;
    QString TAVArt() const;
    QString FieldInfo() const;
    QString NewVal() const;
    void setNewVal(const QString& value);
    bool HasNewVal() const;
    Q_INVOKABLE void ClearNewVal();
    bool IsTabField() const { return m_row >= 1; }
    QString KLVType() const;
    int Length() const;
    bool IsSkip() const;
    QString TrueName() const;
    KLV_ScreenProtection ScrProtection() const;
    QString PrioDisp() const;
    QString PrioEdit() const;
    bool IsCustom() const;
    bool IsAlias() const;

    // Library-internal.
    void SetProperties(const QSharedPointer<KLVEditFieldProperties>& properties);
    QSharedPointer<KLVEditFieldProperties> GetProperties() const { return m_properties; }
    void SetRow(int row) { m_row = row; }
    void SetName(const QString& name) { m_name = name; }
    void SetTrueName(const QString& name);

private:
    int m_row = 0;
    QString m_name;
    QSharedPointer<KLVEditFieldProperties> m_properties;
};
