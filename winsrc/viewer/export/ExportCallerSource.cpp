#include "ExportCallerSource.h"

#include <QMetaMethod>

namespace {

bool isIntParameter(const QByteArray& type)
{
    return type == "int" || type == "int&" || type == "const int&" || type == "qint32" || type == "qint32&";
}

bool isTextParameter(const QByteArray& type)
{
    return type == "QString" || type == "QString&" || type == "const QString&";
}

int findGetResultField(const QObject* caller)
{
    if (!caller)
        return -1;
    const QMetaObject* meta = caller->metaObject();
    for (int i = meta->methodCount() - 1; i >= 0; --i) {
        const QMetaMethod m = meta->method(i);
        if (m.name() != "GetResultField" || m.parameterCount() != 2 ||
            m.returnMetaType() != QMetaType::fromType<QString>())
            continue;
        if (isIntParameter(m.parameterTypeName(0)) && isTextParameter(m.parameterTypeName(1)))
            return i;
    }
    return -1;
}

} // namespace

ExportCallerSource::ExportCallerSource(QObject* caller, QStringList fieldKeys, int rowCount)
    : m_caller(caller), m_keys(std::move(fieldKeys)), m_rowCount(rowCount), m_methodIndex(findGetResultField(caller))
{}

bool ExportCallerSource::Offers(const QObject* caller)
{
    return findGetResultField(caller) >= 0;
}

bool ExportCallerSource::next()
{
    if (state() != State::Reading)
        return false;
    if (!m_caller) {
        setState(State::SourceGone);
        return false;
    }
    if (m_row >= m_rowCount) {
        setState(State::Ended);
        return false;
    }
    if (m_methodIndex < 0) {
        setState(State::Failed, QStringLiteral("GetResultField"));
        return false;
    }
    ++m_row;
    return true;
}

void ExportCallerSource::values(int count, QStringList& out)
{
    out.resize(count);
    QObject* caller = m_caller.data();
    const QMetaMethod method = caller ? caller->metaObject()->method(m_methodIndex) : QMetaMethod();
    for (int i = 0; i < count; ++i) {
        if (!caller) {
            out[i].clear();
            continue;
        }
        // A direct call through the meta-object: a parameter taken by reference binds to the
        // values here.
        int row = m_row;
        QString key = m_keys.value(i);
        QString result;
        void* argv[] = {&result, &row, &key};
        QMetaObject::metacall(caller, QMetaObject::InvokeMetaMethod, method.methodIndex(), argv);
        out[i] = std::move(result);
    }
}

void ExportCallerSource::cancel()
{
    m_row = m_rowCount;
}
