#include "ExportSettings.h"

#include "MainModul.h"
#include "ViewerConfig.h"

#include <QDir>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

using Scope = ExportSettings::Scope;
using Control = ExportSettings::Control;

constexpr Scope Shared = Scope::Shared;
constexpr Scope PerCaption = Scope::PerCaption;

} // namespace

const QList<ExportSettings::Entry>& ExportSettings::Entries()
{
    static const QList<Entry> table{
        {u"ExportFileName"_s, PerCaption, u"ExportDateiName"_s, Control::Text, u"{folder}/{name}.exp"_s, 0},
        {u"WithFieldList"_s, Shared, u"MitFeldliste"_s, Control::CheckBox, u"1"_s, 0},
        {u"FormatRFC4180"_s, Shared, u"FormatRFC4180"_s, Control::CheckBox, u"0"_s, 0},
        {u"FieldSeparator"_s, Shared, u"Feldtrennzeichen"_s, Control::Text, u";"_s, 0},
        {u"LineBreakChar"_s, Shared, u"Zeilenumbruchzeichen"_s, Control::Text, u"#"_s, 0},
        {u"StartFileApp"_s, Shared, u"FileAppStarten"_s, Control::CheckBox, u"0"_s, 0},
        {u"FileApp"_s, Shared, u"FileAppName"_s, Control::Text, QString(), 0},
        {u"StartFileAppExt"_s, Shared, u"FileAppStartenExt"_s, Control::CheckBox, u"0"_s, 0},

        {u"ExcelFileName"_s, PerCaption, u"ExportExcelName"_s, Control::Text, u"{folder}/{name}.{ext}"_s, 1},
        {u"ExcelWithFieldNames"_s, Shared, u"ExcelMitFeldnamen"_s, Control::CheckBox, u"1"_s, 1},
        {u"ExcelFormatColumns"_s, Shared, u"ExcelFormatColumns"_s, Control::CheckBox, u"1"_s, 1},
        {u"ExcelDateFormat"_s, Shared, u"ExcelDateFormat"_s, Control::Text, u"dd.mm.yyyy"_s, 1},
        {u"ExcelTimeFormat"_s, Shared, u"ExcelTimeFormat"_s, Control::Text, u"hh:mm"_s, 1},
        {u"StartExcel"_s, Shared, u"ExcelStarten"_s, Control::CheckBox, u"0"_s, 1},

        {u"DBTableName"_s, PerCaption, u"NeueTabelle"_s, Control::Text, u"{caption}"_s, 2},
        // No default: the combo keeps its first entry.
        {u"ExportDBType"_s, Shared, u"ExportDBTypen"_s, Control::Combo, QString(), 2},
        {u"ExportDBName"_s, Shared, u"ExportDBName"_s, Control::Text, QString(), 2},
        {u"StartAccess"_s, Shared, u"AccessStarten"_s, Control::CheckBox, u"0"_s, 2},
        {u"DBFieldsWithTabPfx"_s, Shared, u"DBFelderMitTabPraefix"_s, Control::CheckBox, u"1"_s, 2},

        {u"XMLFileName"_s, PerCaption, u"XMLDateiName"_s, Control::Text, u"{folder}/{name}.xml"_s, 3},
        {u"XMLRecIdFld"_s, PerCaption, u"XMLSatzIDFeld"_s, Control::Member, QString(), 3},
        {u"XMLDescrFld"_s, PerCaption, u"XMLBeschrFeld"_s, Control::Member, QString(), 3},
        {u"XMLSuppressEmptyFields"_s, Shared, u"XMLLeerfelderUnterdruecken"_s, Control::CheckBox, u"1"_s, 3},
        {u"StartXMLApp"_s, Shared, u"XMLAppStarten"_s, Control::CheckBox, u"0"_s, 3},
        {u"XMLAppName"_s, Shared, u"XMLAppName"_s, Control::Text, QString(), 3},
        {u"StartXMLStdApp"_s, Shared, u"XMLStdAppStarten"_s, Control::CheckBox, u"0"_s, 3},

        {u"HTMLFileName"_s, PerCaption, u"HTMLDateiName"_s, Control::Text, u"{folder}/{name}.html"_s, 4},
        {u"HTMLWithHeading"_s, Shared, u"HTMLMitUeberschrift"_s, Control::CheckBox, u"1"_s, 4},
        {u"HTMLBorderSize"_s, Shared, u"HTMLRahmenDicke"_s, Control::Text, u"1"_s, 4},
        {u"HTMLFGColorHeader"_s, Shared, u"HTMLFGColorHeader"_s, Control::Text, u"#000000"_s, 4},
        {u"HTMLBGColorHeader"_s, Shared, u"HTMLBGColorHeader"_s, Control::Text, u"#FFFFFF"_s, 4},
        {u"HTMLFGColorEven"_s, Shared, u"HTMLFGColorEven"_s, Control::Text, u"#000000"_s, 4},
        {u"HTMLBGColorEven"_s, Shared, u"HTMLBGColorEven"_s, Control::Text, u"#F0F0F0"_s, 4},
        {u"HTMLFGColorOdd"_s, Shared, u"HTMLFGColorOdd"_s, Control::Text, u"#000000"_s, 4},
        {u"HTMLBGColorOdd"_s, Shared, u"HTMLBGColorOdd"_s, Control::Text, u"#F8F8F8"_s, 4},
        {u"HTMLBorderColor"_s, Shared, u"HTMLBorderColor"_s, Control::Text, u"#000000"_s, 4},
        {u"HTMLShowFileInBrowser"_s, Shared, u"HTMLDateiInBrowserZeigen"_s, Control::CheckBox, u"0"_s, 4},
    };
    return table;
}

QList<ExportSettings::Entry> ExportSettings::EntriesOf(int exportType)
{
    QList<Entry> result;
    for (const Entry& entry : Entries()) {
        if (entry.exportType == exportType)
            result.append(entry);
    }
    return result;
}

QString ExportSettings::ExportName(const QString& caption)
{
    return MainModul::MakeValidFileName(caption, false);
}

QString ExportSettings::DefaultFolder()
{
    // Where a user keeps documents (the Windows program's "c:\temp\" has no match here); a
    // documents folder that was never made would fail every first export, so then the home
    // folder.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QDir(documents).exists())
        return documents;
    return QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
}

QString ExportSettings::Section(const Entry& entry, const QString& exportName)
{
    return entry.scope == Scope::Shared ? u"Export"_s : u"Export\\"_s + exportName;
}

QString ExportSettings::DefaultValue(const Entry& entry, const QString& exportName, const QString& caption)
{
    const QList<std::pair<QString, QString>> values{{u"{folder}"_s, DefaultFolder()},
                                                    {u"{name}"_s, exportName},
                                                    {u"{caption}"_s, caption},
                                                    {u"{ext}"_s, App().ExcelFileExt}};
    // One pass, so a caption that holds a brace stays as it is.
    QString result;
    const QString& pattern = entry.defaultValue;
    qsizetype i = 0;
    while (i < pattern.size()) {
        bool replaced = false;
        for (const auto& [placeholder, value] : values) {
            if (QStringView(pattern).sliced(i).startsWith(placeholder)) {
                result += value;
                i += placeholder.size();
                replaced = true;
                break;
            }
        }
        if (!replaced)
            result += pattern[i++];
    }
    return result;
}

QString ExportSettings::Read(const Entry& entry, const QString& exportName, const QString& caption)
{
    return ViewerConfig::getRaw(Section(entry, exportName), entry.key, DefaultValue(entry, exportName, caption));
}

void ExportSettings::Write(const Entry& entry, const QString& exportName, const QString& value)
{
    // The settings file is plain text that anyone reading the home folder may see.
    const QString stored = entry.key == u"ExportDBName"_s ? WithoutPassword(value) : value;
    ViewerConfig::setRaw(Section(entry, exportName), entry.key, stored);
}

QString ExportSettings::WithoutPassword(const QString& text)
{
    QStringList kept;
    bool removed = false;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype start = i;
        qsizetype equals = -1;
        while (i < text.size() && text[i] != u';') {
            if (text[i] == u'=' && equals < 0) {
                equals = i++;
                while (i < text.size() && text[i] == u' ')
                    ++i;
                // "{...}" is one value, "}}" a brace inside it.
                if (i < text.size() && text[i] == u'{') {
                    for (++i; i < text.size(); ++i) {
                        if (text[i] != u'}')
                            continue;
                        if (i + 1 < text.size() && text[i + 1] == u'}') {
                            ++i;
                            continue;
                        }
                        ++i;
                        break;
                    }
                }
                continue;
            }
            ++i;
        }
        const QString key = equals < 0 ? QString() : text.mid(start, equals - start).trimmed();
        if (key.compare(u"PWD"_s, Qt::CaseInsensitive) == 0 || key.compare(u"Password"_s, Qt::CaseInsensitive) == 0)
            removed = true;
        else
            kept.append(text.mid(start, i - start));
        ++i; // the ";"
    }
    return removed ? kept.join(u';') : text;
}
