#include "QueryContext.h"

#include "KLV.h"
#include "MainModul.h"

QSharedPointer<KLV> QueryContext::session()
{
    return App().MainSession.toStrongRef();
}
