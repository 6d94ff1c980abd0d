#include "MemberCall.h"

#include <QMetaMethod>
#include <QObject>

#include <vector>

namespace {

bool isCallable(const QMetaMethod& m)
{
    return m.methodType() == QMetaMethod::Method || m.methodType() == QMetaMethod::Slot;
}

// The parameter's type without "const" and "&": moc keeps the reference in the name only.
QByteArray bareTypeName(QByteArray name)
{
    if (name.startsWith("const "))
        name = name.mid(6);
    while (name.endsWith('&'))
        name.chop(1);
    return name.trimmed();
}

QMetaType parameterType(const QMetaMethod& m, int i)
{
    const QMetaType type = m.parameterMetaType(i);
    return type.isValid() ? type : QMetaType::fromName(bareTypeName(m.parameterTypeName(i)));
}

// value as the parameter's type, or an invalid variant when it cannot be one.
QVariant asParameter(const QVariant& value, const QMetaType& type)
{
    if (!type.isValid())
        return {};
    if (value.metaType() == type)
        return value;
    if (!value.isValid())
        return QVariant(type); // a default value of the type
    QVariant converted = value;
    return converted.convert(type) ? converted : QVariant();
}

} // namespace

bool MemberCall::Has(const QObject* object, const char* name, int count)
{
    if (!object || !name)
        return false;
    const QMetaObject* meta = object->metaObject();
    for (int i = 0; i < meta->methodCount(); ++i) {
        const QMetaMethod m = meta->method(i);
        if (isCallable(m) && m.name() == name && m.parameterCount() == count)
            return true;
    }
    return false;
}

bool MemberCall::Invoke(QObject* object, const char* name, const QVariantList& args, QVariant* result)
{
    QVariantList copy = args;
    return Invoke(object, name, copy, result);
}

bool MemberCall::Invoke(QObject* object, const char* name, QVariantList& args, QVariant* result)
{
    if (!object || !name)
        return false;
    const QMetaObject* meta = object->metaObject();
    // The most derived class's member first, as a call by name in the window would find it.
    for (int i = meta->methodCount() - 1; i >= 0; --i) {
        const QMetaMethod m = meta->method(i);
        if (!isCallable(m) || m.name() != name || m.parameterCount() != args.size())
            continue;
        QVariantList values;
        values.reserve(args.size());
        bool fits = true;
        for (int p = 0; p < args.size() && fits; ++p) {
            values.append(asParameter(args[p], parameterType(m, p)));
            fits = values.last().isValid();
        }
        if (!fits)
            continue;

        QVariant returned;
        const QMetaType returnType = m.returnMetaType();
        const bool hasResult = returnType.isValid() && returnType.id() != QMetaType::Void;
        if (hasResult)
            returned = QVariant(returnType);
        std::vector<void*> argv;
        argv.push_back(hasResult ? returned.data() : nullptr);
        for (QVariant& v : values)
            argv.push_back(v.data());
        // A direct call through the meta-object: a parameter taken by reference binds to the
        // value held here, which is copied back below.
        QMetaObject::metacall(object, QMetaObject::InvokeMetaMethod, m.methodIndex(), argv.data());
        for (int p = 0; p < args.size(); ++p) {
            if (m.parameterTypeName(p).endsWith('&') && !m.parameterTypeName(p).startsWith("const "))
                args[p] = values[p];
        }
        if (result)
            *result = hasResult ? returned : QVariant();
        return true;
    }
    return false;
}
