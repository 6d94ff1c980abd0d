#include "LogonTexts.h"

#include <QLocale>

#include <array>

using namespace Qt::StringLiterals;

namespace klvutils {

namespace {

struct Resource
{
    int id;
    const char16_t* text;
};

// clang-format off
constexpr std::array resources{
    Resource{1001, u"Neue Verbindungsdaten"},
    Resource{1002, u"Verbindungsdaten ändern"},
    Resource{1003, u"Verbindungsdaten löschen"},
    Resource{1010, u"Verbindungs&name"},
    Resource{1011, u"wexa-Server (&Host)"},
    Resource{1012, u"KLV-&Portnummer"},
    Resource{1013, u"&Mandant"},
    Resource{1014, u"&OK"},
    Resource{1015, u"&Abbruch"},
    Resource{1016, u"Mit Benutzer&namen anmelden"},
    Resource{1020, u"KLV-Verbindung herstellen"},
    Resource{1021, u"&Verbindung"},
    Resource{1022, u"&Neu"},
    Resource{1023, u"&Ändern"},
    Resource{1024, u"&Löschen"},
    Resource{1025, u"&Passwort"},
    Resource{1026, u"Ver&binden"},
    Resource{1027, u"&Abbruch"},
    Resource{1028, u"&Benutzername"},
    Resource{1029, u"Default-&Benutzername"},
    Resource{1031, u"Keine Verbindungsinformationen ausgewählt"},
    Resource{1040, u"Die Verbindung \"%1\" ist nicht gespeichert."},
    Resource{1041, u"Die Verbindungsdaten konnten nicht in \"%1\" gespeichert werden."},
    Resource{1042, u"Der Server %1 (Port %2) hat nicht geantwortet. Bitte prüfen, ob dort ein KLV-Server läuft und ob Host und Port der Verbindung stimmen."},
    Resource{1043, u"Keine Verbindung zu %1 (Port %2): %3. Bitte prüfen, ob dort ein KLV-Server läuft und ob Host und Port der Verbindung stimmen."},
    Resource{1044, u"Der Server %1 (Port %2) hat die Verbindung vor dem Ende der Anmeldung geschlossen. Bitte prüfen, ob dort ein KLV-Server läuft und ob Host und Port der Verbindung stimmen."},
    Resource{1045, u"Verbindung zu %1 (Port %2) wird hergestellt ..."},
    Resource{1046, u"Die Verbindung \"%1\" nennt keinen Host. Mit \"%2\" oder \"%3\" im Anmeldedialog wird er eingetragen."},

    Resource{2001, u"New connection data"},
    Resource{2002, u"Modify connection data"},
    Resource{2003, u"Delete connection data"},
    Resource{2010, u"Connection &name"},
    Resource{2011, u"wexa server (&host)"},
    Resource{2012, u"KLV &port number"},
    Resource{2013, u"&Client"},
    Resource{2014, u"&OK"},
    Resource{2015, u"&Cancel"},
    Resource{2016, u"Log on using user &name"},
    Resource{2020, u"Connect to KLV server"},
    Resource{2021, u"&Connection"},
    Resource{2022, u"&New"},
    Resource{2023, u"&Modify"},
    Resource{2024, u"&Delete"},
    Resource{2025, u"&Password"},
    Resource{2026, u"Co&nnect"},
    Resource{2027, u"&Cancel"},
    Resource{2028, u"&User name"},
    Resource{2029, u"Default &user name"},
    Resource{2030, u"Can't connect:"},
    // Without it an English user would read a placeholder in the empty-choice message.
    Resource{2031, u"No connection information selected"},
    Resource{2040, u"The connection \"%1\" is not stored."},
    Resource{2041, u"The connection data could not be saved to \"%1\"."},
    Resource{2042, u"The server %1 (port %2) did not answer. Please check that a KLV server is running there and that the connection's host and port are right."},
    Resource{2043, u"No connection to %1 (port %2): %3. Please check that a KLV server is running there and that the connection's host and port are right."},
    Resource{2044, u"The server %1 (port %2) closed the connection before the logon was through. Please check that a KLV server is running there and that the connection's host and port are right."},
    Resource{2045, u"Connecting to %1 (port %2) ..."},
    Resource{2046, u"The connection \"%1\" names no host. \"%2\" or \"%3\" in the logon dialog sets one."},
};
// clang-format on

} // namespace

void LogonTexts::setLanguage(int langId)
{
    m_langId = langId;
    if (langId == German) {
        m_base = 1000;
    } else {
        m_base = 2000;
        m_langId = English;
    }
}

QString LogonTexts::messageText(int msgNr, const QVariant& defaultText) const
{
    QString s = resource(msgNr + m_base);
    if (!s.isEmpty())
        return s;
    s = resource(msgNr + 2000);
    if (!s.isEmpty())
        return s;
    if (defaultText.isValid())
        return defaultText.toString();
    return u"Error "_s + QString::number(msgNr) + u" (Cant load message)"_s;
}

QString LogonTexts::resource(int id)
{
    for (const Resource& r : resources) {
        if (r.id == id)
            return QString::fromUtf16(r.text);
    }
    return {};
}

int LogonTexts::systemLanguageId()
{
    return QLocale::system().language() == QLocale::German ? German : English;
}

} // namespace klvutils
