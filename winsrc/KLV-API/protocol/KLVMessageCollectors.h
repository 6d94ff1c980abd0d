#pragma once

// The three message collectors a session, query or editor can be given, one per kind of
// message. A message whose kind has a collector goes there; otherwise its owner raises its
// own events for it.

#include "KLVMessageCollector.h"

#include <QSharedPointer>

class KLVMessageCollectors
{
public:
    // The collector set for messages of this type; null when none is set or the type is unknown.
    QSharedPointer<KLVMessageCollector> collectorFor(int type) const;
    // True when the message needs no event: its kind's collector took it, or it is of no kind
    // that has events. False when the owner raises its events instead.
    bool collect(const QSharedPointer<KLVMessage>& message) const;

    QSharedPointer<KLVMessageCollector> error;
    QSharedPointer<KLVMessageCollector> status;
    QSharedPointer<KLVMessageCollector> text;
};
