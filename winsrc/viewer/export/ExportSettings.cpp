#include "ExportSettings.h"

#include "MainModul.h"
#include "ViewerConfig.h"

#include <QDir>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

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

QString ExportSettings::Read(const Entry& entry, const QString& caption)
{
    const QString exportName = ExportName(caption);
    return ViewerConfig::getRaw(Section(entry, exportName), entry.key, DefaultValue(entry, exportName, caption));
}

void ExportSettings::Write(const Entry& entry, const QString& caption, const QString& value)
{
    ViewerConfig::setRaw(Section(entry, ExportName(caption)), entry.key, value);
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
