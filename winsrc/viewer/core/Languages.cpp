#include "Languages.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <array>

using namespace Qt::StringLiterals;

namespace {

struct LangArg
{
    char16_t letter;
    const char16_t* secondLetter; // alternative single letter, or nullptr
    const char16_t* prefix;
    int langId;
};

// Tried in this order; the first row that fits wins.
constexpr std::array<LangArg, 16> langArgs{{
    {u'D', nullptr, u"DE", 7},
    {u'E', u"A", u"EN", 9},
    {u'F', nullptr, u"FR", 12},
    {u'S', nullptr, u"ES", 10},
    {u'I', nullptr, u"IT", 16},
    {u'R', nullptr, u"RU", 25},
    {u'P', nullptr, u"PL", 21},
    {u'U', nullptr, u"HU", 14},
    {u'C', nullptr, u"CS", 5},
    {u'T', nullptr, u"TR", 31},
    {u'O', nullptr, u"RO", 24},
    {u'N', nullptr, u"NL", 19},
    {u'X', nullptr, u"BG", 2},
    {u'L', nullptr, u"SL", 36},
    {u'W', nullptr, u"SK", 27},
    {u'G', nullptr, u"PT", 22},
}};

struct LangCode
{
    int langId;
    const char16_t* code;
};

constexpr std::array<LangCode, 16> langCodes{{
    {2, u"bg"},
    {5, u"cs"},
    {7, u"de"},
    {9, u"en"},
    {10, u"es"},
    {12, u"fr"},
    {14, u"hu"},
    {16, u"it"},
    {19, u"nl"},
    {21, u"pl"},
    {22, u"pt"},
    {24, u"ro"},
    {25, u"ru"},
    {27, u"sk"},
    {31, u"tr"},
    {36, u"sl"},
}};

} // namespace

int Languages::GetPrimaryLangId(int langId)
{
    return langId & 0x3FF;
}

int Languages::LangArgToLangId(const QString& argument)
{
    for (const LangArg& row : langArgs) {
        if (argument == QString(QChar(row.letter)))
            return row.langId;
        if (row.secondLetter && argument == QString::fromUtf16(row.secondLetter))
            return row.langId;
        if (StartsWithUpper(argument, QString::fromUtf16(row.prefix)))
            return row.langId;
    }
    return English;
}

QString Languages::LangIdToCode(int& langId)
{
    for (const LangCode& row : langCodes) {
        if (row.langId == langId)
            return QString::fromUtf16(row.code);
    }
    langId = English;
    return u"en"_s;
}

bool Languages::StartsWithUpper(const QString& text, const QString& prefix)
{
    return text.left(prefix.size()) == prefix.toUpper();
}

bool Languages::InstallQtTranslations(const QString& code)
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application)
        return false;
    // One translator of Qt's texts at a time; it lives as long as the application.
    static const QString name = u"QtTranslations"_s;
    delete application->findChild<QTranslator*>(name, Qt::FindDirectChildrenOnly);
    if (code == u"en")
        return false;
    auto* translator = new QTranslator(application);
    translator->setObjectName(name);
    if (!translator->load(u"qtbase_"_s + code, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}
