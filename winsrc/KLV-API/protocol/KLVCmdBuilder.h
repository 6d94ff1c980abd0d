#pragma once

// Builds the command lines of the KLV line protocol: word, "|", transaction id, then one
// "|" and escaped text per field. One build operation per command word; each takes the
// transaction id first and the field values in wire order. The line end is the transport's.

#include <QString>
#include <QStringList>

class KLVCmdBuilder
{
public:
    static QString AppendHead(const QString& word, const QString& tid);
    static QString AppendField(const QString& value);
    static QString AppendBool(bool flag);
    static QString AppendNumber(int n);
    static QString EscapeField(const QString& value);

    QString buildCHM(const QString& tid, const QString& mandant) const;
    // An empty appName is replaced by the library's default name, which the caller keeps.
    QString buildLGN(const QString& tid, const QString& password, const QString& mandant, const QString& clientVersion,
                     const QString& hostName, QString& appName, const QString& station, const QString& ipAddress,
                     const QString& userName) const;
    QString buildEND(const QString& tid) const;
    QString buildTA(const QString& tid, const QString& action) const;
    QString buildGDN(const QString& tid, const QString& databaseName, bool withMetaData) const;
    QString buildGGN(const QString& tid, const QString& databaseName, const QString& listType, bool withMetaData) const;
    QString buildGAZ(const QString& tid, const QString& enumName, const QString& listKind, bool withEmptyPos,
                     bool withMetaData) const;
    QString buildGMT(const QString& tid, const QString& dictionaries, const QString& numbers, const QString& languages,
                     const QString& searchText, bool ignoreCase, bool withMetaData) const;
    QString buildGRI(const QString& tid, const QString& typeCode, bool withMetaData) const;
    QString buildGTN(const QString& tid, const QString& startString, int blockSize, bool withMetaData) const;
    QString buildGFN(const QString& tid, const QString& tableName, const QString& fieldList, int blockSize,
                     const QString& listType, bool withMetaData) const;
    QString buildGKN(const QString& tid, const QString& tableName, const QString& keyName, int blockSize,
                     bool withMetaData) const;
    QString buildGIS(const QString& tid, const QString& searchWord, const QString& workingDir,
                     const QString& infosysType, int blockSize, bool withMetaData) const;
    QString buildEXQ(const QString& tid, const QString& selection, const QString& fieldList, int blockSize, int offset,
                     const QString& editorTid, const QString& row, const QString& fieldName, int timeOut,
                     bool withMetaData) const;
    QString buildRDP(const QString& tid, const QString& references, const QString& fieldList, bool byRows,
                     int blockSize, bool withMetaData) const;
    QString buildTFV(const QString& tid, const QString& typeCode, const QStringList& values) const;
    QString buildGNR(const QString& tid) const;
    QString buildBRQ(const QString& tid) const;
    // An empty name is left out, bar included.
    QString buildSHO(const QString& tid, const QString& keyword, const QString& name, bool flag) const;
    // An empty value is left out, bar included.
    QString buildSET(const QString& tid, const QString& keyword, const QString& name, const QString& value) const;
    QString buildXSH(const QString& tid, const QString& shellCommand, bool passDownPassword) const;
    QString buildGTS(const QString& tid, const QString& statusName) const;
    QString buildLCK(const QString& tid, const QString& lockClass, const QString& lockName, const QString& lockMode,
                     const QString& lockBehavior) const;
    // The database goes alone when the group is empty, else as database ":" group.
    QString buildNEW(const QString& tid, const QString& database, const QString& group, const QString& refType,
                     const QString& templateRef) const;
    // The reference type is "NUMSW" when a database is given, else "REF".
    QString buildUPD(const QString& tid, const QString& database, const QString& reference) const;
    QString buildDEL(const QString& tid, const QString& database, const QString& reference) const;
    QString buildVIE(const QString& tid, const QString& database, const QString& reference) const;
    QString buildEDI(const QString& tid, const QString& action, const QString& database, const QString& group,
                     const QString& refType, const QString& reference, const QString& menuChoice,
                     const QString& appParameter) const;
    QString buildSUB(const QString& tid, const QString& editorTid, const QString& rowSpec,
                     const QString& fieldName) const;
    QString buildCOM(const QString& tid) const;
    QString buildCAN(const QString& tid) const;
    QString buildSAV(const QString& tid) const;
    QString buildSFV(const QString& tid, const QString& rowSpec, const QString& fieldName, const QString& value,
                     bool isInitial) const;
    QString buildGFV(const QString& tid, const QString& rowSpec, const QString& fieldNames) const;
    QString buildSFT(const QString& tid, const QString& rowSpec, const QString& fieldName, const QString& piece) const;
    QString buildGFT(const QString& tid, const QString& rowSpec, const QString& fieldName, const QString& mode,
                     int readLength, int second) const;
    QString buildRFV(const QString& tid, const QString& rowSpec, const QString& fieldName) const;
    QString buildRIN(const QString& tid, const QString& rowSpec) const;
    QString buildRDL(const QString& tid, const QString& rowSpec) const;
    QString buildRMV(const QString& tid, const QString& fromRows, const QString& toRow) const;

private:
    static QString databaseAndGroup(const QString& database, const QString& group);
    static QString refTypeFor(const QString& database);
};
