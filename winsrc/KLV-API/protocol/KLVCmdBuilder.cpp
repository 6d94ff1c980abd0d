#include "KLVCmdBuilder.h"
#include "Common.h"

using namespace Qt::StringLiterals;

QString KLVCmdBuilder::AppendHead(const QString& word, const QString& tid)
{
    return word + u'|' + tid;
}

QString KLVCmdBuilder::AppendField(const QString& value)
{
    return u'|' + EscapeField(value);
}

QString KLVCmdBuilder::AppendBool(bool flag)
{
    return AppendField(Common::BoolToFlag(flag));
}

QString KLVCmdBuilder::AppendNumber(int n)
{
    return AppendField(QString::number(n));
}

QString KLVCmdBuilder::EscapeField(const QString& value)
{
    QString out;
    out.reserve(value.size() + 8);
    for (QChar c : value) {
        switch (c.unicode()) {
        case u'|':
            out += u"\\|"_s;
            break;
        case u'\n':
            out += u"\\n"_s;
            break;
        case u'\r':
            out += u"\\r"_s;
            break;
        case u'\\':
            out += u"\\\\"_s;
            break;
        case 0:
            out += u"\\0"_s;
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString KLVCmdBuilder::databaseAndGroup(const QString& database, const QString& group)
{
    return group.isEmpty() ? database : database + u':' + group;
}

QString KLVCmdBuilder::refTypeFor(const QString& database)
{
    return database.isEmpty() ? u"REF"_s : u"NUMSW"_s;
}

QString KLVCmdBuilder::buildCHM(const QString& tid, const QString& mandant) const
{
    return AppendHead(u"CHM"_s, tid) + AppendField(mandant);
}

QString KLVCmdBuilder::buildLGN(const QString& tid, const QString& password, const QString& mandant,
                                const QString& clientVersion, const QString& hostName, QString& appName,
                                const QString& station, const QString& ipAddress, const QString& userName) const
{
    if (appName.isEmpty()) {
        appName = Common::LibraryTitle() + u' ' + QString::number(Common::VersionMajor()) + u'.' +
                  QString::number(Common::VersionMinor()) + u" Rev "_s + QString::number(Common::VersionRevision());
    }
    return AppendHead(u"LGN"_s, tid) + AppendField(password) + AppendField(mandant) + AppendField(clientVersion) +
           AppendField(hostName) + AppendField(appName) + AppendField(station) + AppendField(ipAddress) +
           AppendField(userName) + AppendBool(false);
}

QString KLVCmdBuilder::buildEND(const QString& tid) const
{
    return AppendHead(u"END"_s, tid);
}

QString KLVCmdBuilder::buildTA(const QString& tid, const QString& action) const
{
    return AppendHead(u"TA"_s, tid) + AppendField(action);
}

QString KLVCmdBuilder::buildGDN(const QString& tid, const QString& databaseName, bool withMetaData) const
{
    return AppendHead(u"GDN"_s, tid) + AppendField(databaseName) + AppendBool(withMetaData);
}

QString KLVCmdBuilder::buildGGN(const QString& tid, const QString& databaseName, const QString& listType,
                                bool withMetaData) const
{
    return AppendHead(u"GGN"_s, tid) + AppendField(databaseName) + AppendField(listType) + AppendBool(withMetaData);
}

QString KLVCmdBuilder::buildGAZ(const QString& tid, const QString& enumName, const QString& listKind, bool withEmptyPos,
                                bool withMetaData) const
{
    return AppendHead(u"GAZ"_s, tid) + AppendField(enumName) + AppendField(listKind) + AppendBool(withEmptyPos) +
           AppendBool(withMetaData);
}

QString KLVCmdBuilder::buildGMT(const QString& tid, const QString& dictionaries, const QString& numbers,
                                const QString& languages, const QString& searchText, bool ignoreCase,
                                bool withMetaData) const
{
    return AppendHead(u"GMT"_s, tid) + AppendField(dictionaries) + AppendField(numbers) + AppendField(languages) +
           AppendField(searchText) + AppendBool(ignoreCase) + AppendBool(withMetaData);
}

QString KLVCmdBuilder::buildGRI(const QString& tid, const QString& typeCode, bool withMetaData) const
{
    return AppendHead(u"GRI"_s, tid) + AppendField(typeCode) + AppendBool(withMetaData);
}

QString KLVCmdBuilder::buildGTN(const QString& tid, const QString& startString, int blockSize, bool withMetaData) const
{
    return AppendHead(u"GTN"_s, tid) + AppendField(startString) + AppendNumber(blockSize) + AppendBool(withMetaData);
}

QString KLVCmdBuilder::buildGFN(const QString& tid, const QString& tableName, const QString& fieldList, int blockSize,
                                const QString& listType, bool withMetaData) const
{
    return AppendHead(u"GFN"_s, tid) + AppendField(tableName) + AppendField(fieldList) + AppendNumber(blockSize) +
           AppendField(listType) + AppendBool(withMetaData);
}

QString KLVCmdBuilder::buildGKN(const QString& tid, const QString& tableName, const QString& keyName, int blockSize,
                                bool withMetaData) const
{
    return AppendHead(u"GKN"_s, tid) + AppendField(tableName) + AppendField(keyName) + AppendNumber(blockSize) +
           AppendBool(withMetaData);
}

QString KLVCmdBuilder::buildGIS(const QString& tid, const QString& searchWord, const QString& workingDir,
                                const QString& infosysType, int blockSize, bool withMetaData) const
{
    return AppendHead(u"GIS"_s, tid) + AppendField(searchWord) + AppendField(workingDir) + AppendField(infosysType) +
           AppendNumber(blockSize) + AppendBool(withMetaData);
}

QString KLVCmdBuilder::buildEXQ(const QString& tid, const QString& selection, const QString& fieldList, int blockSize,
                                int offset, const QString& editorTid, const QString& row, const QString& fieldName,
                                int timeOut, bool withMetaData) const
{
    return AppendHead(u"EXQ"_s, tid) + AppendField(selection) + AppendField(fieldList) + AppendNumber(blockSize) +
           AppendNumber(offset) + AppendField(editorTid) + AppendField(row) + AppendField(fieldName) +
           AppendNumber(timeOut) + AppendBool(withMetaData);
}

QString KLVCmdBuilder::buildRDP(const QString& tid, const QString& references, const QString& fieldList, bool byRows,
                                int blockSize, bool withMetaData) const
{
    return AppendHead(u"RDP"_s, tid) + AppendField(references) + AppendField(fieldList) + AppendBool(byRows) +
           AppendNumber(blockSize) + AppendBool(withMetaData);
}

QString KLVCmdBuilder::buildTFV(const QString& tid, const QString& typeCode, const QStringList& values) const
{
    QString line = AppendHead(u"TFV"_s, tid) + AppendField(typeCode);
    for (const QString& v : values)
        line += AppendField(v);
    return line;
}

QString KLVCmdBuilder::buildGNR(const QString& tid) const
{
    return AppendHead(u"GNR"_s, tid);
}

QString KLVCmdBuilder::buildBRQ(const QString& tid) const
{
    return AppendHead(u"BRQ"_s, tid);
}

QString KLVCmdBuilder::buildSHO(const QString& tid, const QString& keyword, const QString& name, bool flag) const
{
    QString line = AppendHead(u"SHO"_s, tid) + AppendField(keyword);
    if (!name.isEmpty())
        line += AppendField(name);
    return line + AppendBool(flag);
}

QString KLVCmdBuilder::buildSET(const QString& tid, const QString& keyword, const QString& name,
                                const QString& value) const
{
    QString line = AppendHead(u"SET"_s, tid) + AppendField(keyword) + AppendField(name);
    if (!value.isEmpty())
        line += AppendField(value);
    return line;
}

QString KLVCmdBuilder::buildXSH(const QString& tid, const QString& shellCommand, bool passDownPassword) const
{
    return AppendHead(u"XSH"_s, tid) + AppendField(shellCommand) + AppendBool(passDownPassword) + AppendBool(false);
}

QString KLVCmdBuilder::buildGTS(const QString& tid, const QString& statusName) const
{
    return AppendHead(u"GTS"_s, tid) + AppendField(statusName);
}

QString KLVCmdBuilder::buildLCK(const QString& tid, const QString& lockClass, const QString& lockName,
                                const QString& lockMode, const QString& lockBehavior) const
{
    return AppendHead(u"LCK"_s, tid) + AppendField(lockClass) + AppendField(lockName) + AppendField(lockMode) +
           AppendField(lockBehavior);
}

QString KLVCmdBuilder::buildNEW(const QString& tid, const QString& database, const QString& group,
                                const QString& refType, const QString& templateRef) const
{
    return AppendHead(u"NEW"_s, tid) + AppendField(databaseAndGroup(database, group)) + AppendField(refType) +
           AppendField(templateRef);
}

QString KLVCmdBuilder::buildUPD(const QString& tid, const QString& database, const QString& reference) const
{
    return AppendHead(u"UPD"_s, tid) + AppendField(database) + AppendField(refTypeFor(database)) +
           AppendField(reference);
}

QString KLVCmdBuilder::buildDEL(const QString& tid, const QString& database, const QString& reference) const
{
    return AppendHead(u"DEL"_s, tid) + AppendField(database) + AppendField(refTypeFor(database)) +
           AppendField(reference);
}

QString KLVCmdBuilder::buildVIE(const QString& tid, const QString& database, const QString& reference) const
{
    return AppendHead(u"VIE"_s, tid) + AppendField(database) + AppendField(refTypeFor(database)) +
           AppendField(reference);
}

QString KLVCmdBuilder::buildEDI(const QString& tid, const QString& action, const QString& database,
                                const QString& group, const QString& refType, const QString& reference,
                                const QString& menuChoice, const QString& appParameter) const
{
    return AppendHead(u"EDI"_s, tid) + AppendField(action) + AppendField(databaseAndGroup(database, group)) +
           AppendField(refType) + AppendField(reference) + AppendField(menuChoice) + AppendField(appParameter);
}

QString KLVCmdBuilder::buildSUB(const QString& tid, const QString& editorTid, const QString& rowSpec,
                                const QString& fieldName) const
{
    return AppendHead(u"SUB"_s, tid) + AppendField(editorTid) + AppendField(rowSpec) + AppendField(fieldName);
}

QString KLVCmdBuilder::buildCOM(const QString& tid) const
{
    return AppendHead(u"COM"_s, tid);
}

QString KLVCmdBuilder::buildCAN(const QString& tid) const
{
    return AppendHead(u"CAN"_s, tid);
}

QString KLVCmdBuilder::buildSAV(const QString& tid) const
{
    return AppendHead(u"SAV"_s, tid);
}

QString KLVCmdBuilder::buildSFV(const QString& tid, const QString& rowSpec, const QString& fieldName,
                                const QString& value, bool isInitial) const
{
    return AppendHead(u"SFV"_s, tid) + AppendField(rowSpec) + AppendField(fieldName) + AppendField(value) +
           AppendBool(isInitial);
}

QString KLVCmdBuilder::buildGFV(const QString& tid, const QString& rowSpec, const QString& fieldNames) const
{
    return AppendHead(u"GFV"_s, tid) + AppendField(rowSpec) + AppendField(fieldNames);
}

QString KLVCmdBuilder::buildSFT(const QString& tid, const QString& rowSpec, const QString& fieldName,
                                const QString& piece) const
{
    return AppendHead(u"SFT"_s, tid) + AppendField(rowSpec) + AppendField(fieldName) + AppendField(piece);
}

QString KLVCmdBuilder::buildGFT(const QString& tid, const QString& rowSpec, const QString& fieldName,
                                const QString& mode, int readLength, int second) const
{
    return AppendHead(u"GFT"_s, tid) + AppendField(rowSpec) + AppendField(fieldName) + AppendField(mode) +
           AppendNumber(readLength) + AppendNumber(second);
}

QString KLVCmdBuilder::buildRFV(const QString& tid, const QString& rowSpec, const QString& fieldName) const
{
    return AppendHead(u"RFV"_s, tid) + AppendField(rowSpec) + AppendField(fieldName);
}

QString KLVCmdBuilder::buildRIN(const QString& tid, const QString& rowSpec) const
{
    return AppendHead(u"RIN"_s, tid) + AppendField(rowSpec);
}

QString KLVCmdBuilder::buildRDL(const QString& tid, const QString& rowSpec) const
{
    return AppendHead(u"RDL"_s, tid) + AppendField(rowSpec);
}

QString KLVCmdBuilder::buildRMV(const QString& tid, const QString& fromRows, const QString& toRow) const
{
    return AppendHead(u"RMV"_s, tid) + AppendField(fromRows) + AppendField(toRow);
}
