#include "InfosysDefinition.h"

#include "Common.h"
#include "KLVTools.h"
#include "MainModul.h"

using namespace Qt::StringLiterals;

const QString InfosysDefinition::Table = u"65:1"_s;

QStringList InfosysDefinition::QueryFields()
{
    return {u"num65"_s, u"such65"_s, u"name"_s,   u"vname"_s,       u"vkt"_s,          u"vitf"_s,
            u"vbed"_s,  u"extbez"_s, u"inmask"_s, u"param(code)"_s, u"artausr(code)"_s};
}

bool InfosysDefinition::IsTrue(const QString& text)
{
    return Common::ParseBool(text.trimmed()) || MainModul::ErpText2Bool(text);
}

void InfosysDefinition::clear()
{
    m_kopf.clear();
    m_ergebnis.clear();
    m_erstesParamFeld = 1;
}

void InfosysDefinition::addRow(const QHash<QString, QString>& row)
{
    const QString vname = row.value(u"vname"_s);
    // Number, search word and description are always shown, whatever the definition says.
    const bool always = vname == u"itnum65" || vname == u"itsuch65" || vname == u"isname";
    const QString inMask = row.value(u"inmask"_s);
    if (!always && !inMask.isEmpty() && !IsTrue(inMask))
        return;

    InfosysFeld feld;
    feld.Name = vname.mid(2);
    feld.Art = row.value(u"vitf"_s);
    const KLVActiveX::KLV_DataType type = KLVTools::DataTypeOf(feld.Art);
    const QString extbez = row.value(u"extbez"_s);
    const QString vbed = row.value(u"vbed"_s);

    if (IsTrue(row.value(u"vkt"_s))) {
        // A button has no value to show in a column.
        if (type == KLVActiveX::klvButton)
            return;
        feld.Beschr = !extbez.isEmpty() ? extbez : !vbed.isEmpty() ? vbed : feld.Name;
        m_ergebnis.append(feld);
        return;
    }

    const QString param = row.value(u"param(code)"_s);
    feld.IstParam = param == u"(2)" || param == u"(3)";
    feld.RightAligned = row.value(u"artausr(code)"_s) == u"(82)";
    feld.Beschr = !extbez.isEmpty() ? extbez : !vbed.isEmpty() ? vbed : vname;
    m_kopf.append(feld);
    const int n = int(m_kopf.size());
    if (type != KLVActiveX::klvButton && m_erstesParamFeld < 2 && feld.IstParam)
        m_erstesParamFeld = n;
}

QStringList InfosysDefinition::kopfFeldNamen() const
{
    QStringList names;
    for (const InfosysFeld& f : m_kopf)
        names.append(f.Name);
    return names;
}

QStringList InfosysDefinition::ergebnisFeldNamen() const
{
    QStringList names;
    for (const InfosysFeld& f : m_ergebnis)
        names.append(f.Name);
    return names;
}
