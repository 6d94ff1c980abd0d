#include "KlvUserDirectory.h"

#include <QRandomGenerator>

using namespace Qt::StringLiterals;

KlvUserDirectory::KlvUserDirectory()
{
    m_mandants = {
        {u"100"_s,
         u"Demo Trading Ltd"_s,
         u"/srv/erp/mand/100"_s,
         u"DB100"_s,
         {
             {u"admin"_s, u"secret"_s, u"ADM"_s, u"(12,11,1)"_s, u"/srv/erp/home/admin"_s},
             {u"demo"_s, u"demo"_s, u"DEM"_s, u"(12,11,2)"_s, u"/srv/erp/home/demo"_s},
             {u"mueller"_s, u"K\u00e4se"_s, u"MUE"_s, u"(12,11,3)"_s, u"/srv/erp/home/mueller"_s},
         }},
        {u"200"_s,
         u"Sample Works Inc"_s,
         u"/srv/erp/mand/200"_s,
         u"DB200"_s,
         {
             {u"admin"_s, u"secret2"_s, u"ADM"_s, u"(12,11,1)"_s, u"/srv/erp/home/admin200"_s},
             {u"guest"_s, u"guest"_s, u"GST"_s, u"(12,11,7)"_s, u"/srv/erp/home/guest"_s},
         }},
    };
}

const KlvUserDirectory::Mandant* KlvUserDirectory::mandant(const QString& id) const
{
    for (const Mandant& m : m_mandants) {
        if (m.id == id)
            return &m;
    }
    return nullptr;
}

const KlvUserDirectory::User* KlvUserDirectory::user(const QString& mandantId, const QString& name) const
{
    if (const Mandant* m = mandant(mandantId)) {
        for (const User& u : m->users) {
            if (u.name.compare(name, Qt::CaseInsensitive) == 0)
                return &u;
        }
    }
    return nullptr;
}

const KlvUserDirectory::User* KlvUserDirectory::userByPassword(const QString& mandantId, const QString& password) const
{
    if (const Mandant* m = mandant(mandantId)) {
        for (const User& u : m->users) {
            if (u.password == password)
                return &u;
        }
    }
    return nullptr;
}

QString KlvUserDirectory::issueOneTimePassword(const QString& mandantId, const QString& userName)
{
    static constexpr char16_t kAlphabet[] = u"ABCDEFGHJKLMNPQRSTUVWXYZ23456789";
    constexpr int kAlphabetSize = int(std::size(kAlphabet)) - 1;
    QString password;
    do {
        // 14 characters, "#", 6 characters: a client recognises a one-time password by the
        // "#" in 15th place and then logs on without a station name.
        password.clear();
        for (int i = 0; i < 21; ++i) {
            password += i == 14 ? QChar(u'#') : QChar(kAlphabet[QRandomGenerator::global()->bounded(kAlphabetSize)]);
        }
    } while (m_oneTimePasswords.contains(mandantId + u'\n' + password));
    m_oneTimePasswords.insert(mandantId + u'\n' + password, userName);
    return password;
}

QString KlvUserDirectory::redeemOneTimePassword(const QString& mandantId, const QString& password)
{
    return m_oneTimePasswords.take(mandantId + u'\n' + password);
}
