#include "KlvCommandTable.h"

#include "KlvCommandContext.h"
#include "KlvMessageNumber.h"
#include "KlvSession.h"

using namespace Qt::StringLiterals;

void KlvCommandTable::add(const QString& word, Access access, Handler handler)
{
    m_entries.insert(word, {access, std::move(handler)});
}

void KlvCommandTable::dispatch(KlvCommandContext& context) const
{
    const QString& word = context.command().word;
    const auto it = m_entries.constFind(word);
    if (it == m_entries.cend()) {
        // The word as the client sent it, but no longer than a refusal needs.
        constexpr qsizetype shown = 40;
        const QString name = word.size() > shown ? word.left(shown) + u"..."_s : word;
        context.answer().nak(u"Unknown command \"%1\""_s.arg(name), KlvMessageNumber::UnknownCommand);
        return;
    }
    if (it->access == Access::LoggedOn && !context.session().loggedOn) {
        context.answer().nak(u"Not logged on: \"%1\" needs a logon first"_s.arg(word), KlvMessageNumber::NotLoggedOn);
        return;
    }
    it->handler(context);
}
