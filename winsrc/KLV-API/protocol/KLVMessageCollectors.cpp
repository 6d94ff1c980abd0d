#include "KLVMessageCollectors.h"

QSharedPointer<KLVMessageCollector> KLVMessageCollectors::collectorFor(int type) const
{
    switch (type) {
    case messageTypeError:
        return error;
    case messageTypeStatus:
        return status;
    case messageTypeText:
        return text;
    default:
        return {};
    }
}

bool KLVMessageCollectors::collect(const QSharedPointer<KLVMessage>& message) const
{
    const int type = message->MsgType();
    if (type != messageTypeError && type != messageTypeStatus && type != messageTypeText)
        return true;
    const QSharedPointer<KLVMessageCollector> collector = collectorFor(type);
    if (!collector)
        return false;
    collector->CollectMessage(message);
    return true;
}
