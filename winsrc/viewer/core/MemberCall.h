#pragma once

#include <QVariant>
#include <QVariantList>

class QObject;

// Calls a member of a window by its name, as the windows of the viewer call each other: the
// caller knows the name and the values, not the window's class. A member is found by name and
// number of arguments; each value is converted to the parameter's type, and a parameter taken
// by reference gets a reference to the value, so the caller reads what the member wrote back.
// A window that lacks the member (or cannot take the values) is left alone: the call reports
// false and nothing happens.
class MemberCall
{
public:
    // True when object has an invokable member (or slot) of that name taking count arguments.
    static bool Has(const QObject* object, const char* name, int count);

    // Calls name(args...) on object. args are read and, for parameters taken by reference,
    // written back; result (when given) receives the member's result (invalid for void).
    static bool Invoke(QObject* object, const char* name, QVariantList& args, QVariant* result = nullptr);
    static bool Invoke(QObject* object, const char* name, const QVariantList& args = {}, QVariant* result = nullptr);
};
