#pragma once

// Creates the library's creatable classes by name ("KLV", "KLVActiveX.KLV") or by class id,
// the way automation clients create them; and hands out the application objects, one shared
// instance per class, created on first use.

#include <QObject>
#include <QSharedPointer>
#include <QString>
#include <QStringList>

class KLVFactory
{
public:
    // Null for a name or class id that is not a creatable class of the library.
    static QSharedPointer<QObject> create(const QString& nameOrClassId);
    // The shared instance of an application object (KLV, KLVTools); null for other classes.
    static QSharedPointer<QObject> applicationObject(const QString& nameOrClassId);
    // The class id of a creatable class, with braces; empty when unknown.
    static QString classId(const QString& name);
    static QStringList creatableClasses();
};
