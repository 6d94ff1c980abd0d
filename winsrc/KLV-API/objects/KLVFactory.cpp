#include "KLVFactory.h"
#include "KLV.h"
#include "KLVMessageCollector.h"
#include "KLVSelection.h"
#include "KLVTools.h"

#include <QHash>

using namespace Qt::StringLiterals;

namespace {

struct CreatableClass
{
    const char16_t* name;
    const char16_t* classId;
    bool applicationObject;
    QSharedPointer<QObject> (*create)();
};

// The creatable classes of the type library. KLV and KLVTools are application objects: the
// program uses one shared instance of each.
const CreatableClass kClasses[] = {
    {u"KLV", u"{E82A4C8E-7CBA-11D3-8D90-005004561FA5}", true,
     [] { return QSharedPointer<QObject>(QSharedPointer<KLV>::create()); }},
    {u"KLVMessageCollector", u"{7FD366A3-0068-11D6-8DBB-005004561FA5}", false,
     [] { return QSharedPointer<QObject>(QSharedPointer<KLVMessageCollector>::create()); }},
    {u"KLVTools", u"{36B3FA70-B216-11D3-8D98-005004561FA5}", true,
     [] { return QSharedPointer<QObject>(QSharedPointer<KLVTools>::create()); }},
    {u"KLVSelection", u"{F0A102A0-196C-4147-9955-7F69756B9B98}", false,
     [] { return QSharedPointer<QObject>(QSharedPointer<KLVSelection>::create()); }},
};

const CreatableClass* find(const QString& nameOrClassId)
{
    QString key = nameOrClassId.trimmed();
    if (key.startsWith(u"KLVActiveX."_s, Qt::CaseInsensitive))
        key = key.mid(11);
    QString braced = key;
    if (!braced.startsWith(u'{'))
        braced = u'{' + braced + u'}';
    for (const CreatableClass& c : kClasses) {
        if (key.compare(QString::fromUtf16(c.name), Qt::CaseInsensitive) == 0 ||
            braced.compare(QString::fromUtf16(c.classId), Qt::CaseInsensitive) == 0)
            return &c;
    }
    return nullptr;
}

} // namespace

QSharedPointer<QObject> KLVFactory::create(const QString& nameOrClassId)
{
    const CreatableClass* c = find(nameOrClassId);
    return c ? c->create() : QSharedPointer<QObject>();
}

QSharedPointer<QObject> KLVFactory::applicationObject(const QString& nameOrClassId)
{
    static QHash<const CreatableClass*, QSharedPointer<QObject>> instances;
    const CreatableClass* c = find(nameOrClassId);
    if (!c || !c->applicationObject)
        return {};
    QSharedPointer<QObject>& instance = instances[c];
    if (!instance)
        instance = c->create();
    return instance;
}

QString KLVFactory::classId(const QString& name)
{
    const CreatableClass* c = find(name);
    return c ? QString::fromUtf16(c->classId) : QString();
}

QStringList KLVFactory::creatableClasses()
{
    QStringList names;
    for (const CreatableClass& c : kClasses)
        names << QString::fromUtf16(c.name);
    return names;
}
