#pragma once

// Everything the server reported about one edit field, and the new value the caller holds
// for it. Private to the library: one per KLVEditField, which hands the values out.

#include "KLVEnums.h"

#include <QString>

class KLVEditFieldProperties
{
public:
    void setTrueName(const QString& name) { m_trueName = name; }
    QString TrueName() const { return m_trueName; }
    void setVal(const QString& value) { m_val = value; }
    QString Val() const { return m_val; }
    void setOldVal(const QString& value) { m_oldVal = value; }
    QString OldVal() const { return m_oldVal; }
    void setIsModifiable(bool on) { m_isModifiable = on; }
    bool IsModifiable() const { return m_isModifiable; }
    void setIsModified(bool on) { m_isModified = on; }
    bool IsModified() const { return m_isModified; }
    void setWEXAArt(const QString& typeCode) { m_wexaArt = typeCode; }
    QString WEXAArt() const { return m_wexaArt; }

    // Assigning marks the value as pending, the empty text included.
    void setNewVal(const QString& value)
    {
        m_newVal = value;
        m_hasNewVal = true;
    }
    QString NewVal() const { return m_newVal; }
    bool HasNewVal() const { return m_hasNewVal; }
    void ClearNewVal()
    {
        m_hasNewVal = false;
        m_newVal.clear();
    }

    void setKLVType(const QString& type) { m_klvType = type; }
    QString KLVType() const { return m_klvType; }
    void setLength(int length) { m_length = length; }
    int Length() const { return m_length; }
    void setIsSkip(bool on) { m_isSkip = on; }
    bool IsSkip() const { return m_isSkip; }
    void setScrProtection(KLV_ScreenProtection protection) { m_scrProtection = protection; }
    KLV_ScreenProtection ScrProtection() const { return m_scrProtection; }
    void setPrioDisp(const QString& prio) { m_prioDisp = prio; }
    QString PrioDisp() const { return m_prioDisp; }
    void setPrioEdit(const QString& prio) { m_prioEdit = prio; }
    QString PrioEdit() const { return m_prioEdit; }
    void setIsCustom(bool on) { m_isCustom = on; }
    bool IsCustom() const { return m_isCustom; }
    void setIsAlias(bool on) { m_isAlias = on; }
    bool IsAlias() const { return m_isAlias; }

    // Every property in one line, for traces and FieldInfo.
    QString PropertiesText() const;

private:
    QString m_trueName;
    QString m_val;
    QString m_oldVal;
    bool m_isModifiable = true;
    bool m_isModified = false;
    QString m_wexaArt;
    QString m_newVal;
    bool m_hasNewVal = false;
    QString m_klvType;
    int m_length = 0;
    bool m_isSkip = false;
    KLV_ScreenProtection m_scrProtection = klvScrProtModifiable;
    QString m_prioDisp = QStringLiteral("A");
    QString m_prioEdit = QStringLiteral("A");
    bool m_isCustom = false;
    bool m_isAlias = false;
};
