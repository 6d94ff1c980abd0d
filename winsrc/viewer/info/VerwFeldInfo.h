#pragma once

#include <QString>

// One reference field seen from one of its targets: the field (name, table-part flag,
// description, type code), the database and group it points at (group -1: the database as a
// whole) and the database and group that hold it.
struct VerwFeldInfo
{
    QString FldName;
    bool FldInTab = false;
    QString FldDesc;
    QString FldArt = QStringLiteral("-");
    int RefToDBNr = -1;
    QString RefToDBName;
    int RefToGrpNr = -1;
    QString RefToGrpName;
    int RefFromDBNr = -1;
    QString RefFromDBName;
    int RefFromGrpNr = -1;
    QString RefFromGrpName;
};
