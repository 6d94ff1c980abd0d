#include "KlvSession.h"

#include "KlvOptionTable.h"

KlvSession::KlvSession()
{
    for (const KlvOptionTable::Option& o : KlvOptionTable::options())
        m_options.insert(o.keyword, o.defaultValue);
}
