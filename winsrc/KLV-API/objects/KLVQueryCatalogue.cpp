// The catalogue, message-text, reference-type and value-check requests of a query: each
// one command whose answer the query's result set then reads.
#include "Common.h"
#include "KLV.h"
#include "KLVCmdBuilder.h"
#include "KLVQuery.h"
#include "KLVResultSet.h"
#include "KLVTAVArtInfo.h"

using namespace Qt::StringLiterals;

namespace {

QString groupListKeyword(int type)
{
    switch (type) {
    case klvGroupListTypeNew:
        return u"NEW"_s;
    case klvGroupListTypeAll:
        return u"ALL"_s;
    default:
        return {};
    }
}

QString fieldListKeyword(int type)
{
    switch (type) {
    case klvFieldListTypeEdit:
        return u"EDIT"_s;
    case klvFieldListTypeInfosys:
        return u"INFOSYS"_s;
    case klvFieldListTypeDBAll:
        return u"DBALL"_s;
    default:
        return u"QUERY"_s;
    }
}

QString infosysKeyword(int type)
{
    switch (type) {
    case klvInfosysTypeStandard:
        return u"STANDARD"_s;
    case klvInfosysTypeCustom:
        return u"CUSTOM"_s;
    default:
        return u"ALL"_s;
    }
}

// The most reference-type rows one answer is read into.
constexpr int MaxRefTypeRows = 10000;

} // namespace

// ---------------------------------------------------------------------------------------------
// Catalogue requests

bool KLVQuery::catalogueCommand(const QString& line)
{
    clearLastError();
    m_tid = u"0"_s;
    newResult();
    return openAnswer(line);
}

bool KLVQuery::GetTableNames(const QString& StartString)
{
    Common::CallTrace trace("Query.", "GetTableNames");
    return catalogueCommand(builder().buildGTN(m_tid, StartString, m_datasetSize, m_enableQueryMetaData));
}

bool KLVQuery::GetFieldNames(const QString& TableName, const QString& FieldList)
{
    return GetFieldNames2(TableName, FieldList, klvFieldListTypeQuery);
}

bool KLVQuery::GetFieldNames2(const QString& TableName, const QString& FieldList, int ListType)
{
    Common::CallTrace trace("Query.", "GetFieldNames2");
    return catalogueCommand(builder().buildGFN(m_tid, TableName, FieldList, m_datasetSize, fieldListKeyword(ListType),
                                               m_enableQueryMetaData));
}

bool KLVQuery::GetKeyNames(const QString& TableName, const QString& KeyName)
{
    Common::CallTrace trace("Query.", "GetKeyNames");
    return catalogueCommand(builder().buildGKN(m_tid, TableName, KeyName, m_datasetSize, m_enableQueryMetaData));
}

bool KLVQuery::GetDatabaseNames()
{
    return GetDatabaseNames2(QString());
}

bool KLVQuery::GetDatabaseNames2(const QString& DatabaseName)
{
    Common::CallTrace trace("Query.", "GetDatabaseNames2");
    return catalogueCommand(builder().buildGDN(m_tid, DatabaseName, m_enableQueryMetaData));
}

bool KLVQuery::GetGroupNames(const QString& DatabaseName)
{
    return GetGroupNames2(DatabaseName, klvGroupListTypeQuery).toBool();
}

bool KLVQuery::GetGroupNamesNew(const QString& DatabaseName)
{
    return GetGroupNames2(DatabaseName, klvGroupListTypeNew).toBool();
}

QVariant KLVQuery::GetGroupNames2(const QString& DatabaseName, int ListType)
{
    Common::CallTrace trace("Query.", "GetGroupNames2");
    return catalogueCommand(builder().buildGGN(m_tid, DatabaseName, groupListKeyword(ListType), m_enableQueryMetaData));
}

bool KLVQuery::GetEnumerations(const QString& EnumName)
{
    Common::CallTrace trace("Query.", "GetEnumerations");
    return catalogueCommand(builder().buildGAZ(m_tid, EnumName, u"HEAD"_s, false, m_enableQueryMetaData));
}

QVariant KLVQuery::GetEnumPos(const QString& EnumName, bool WithEmptyPos)
{
    Common::CallTrace trace("Query.", "GetEnumPos");
    if (EnumName.isEmpty()) {
        setApiError(25);
        return false;
    }
    return catalogueCommand(builder().buildGAZ(m_tid, EnumName, u"POS"_s, WithEmptyPos, m_enableQueryMetaData));
}

bool KLVQuery::GetInfosystemNames(const QString& SearchWord, const QString& WorkingDir)
{
    return catalogueCommand(
        builder().buildGIS(m_tid, SearchWord, WorkingDir, u"ALL"_s, m_datasetSize, m_enableQueryMetaData));
}

bool KLVQuery::GetInfosystemNamesT(const QString& InfosysName, int InfosysType)
{
    return catalogueCommand(builder().buildGIS(m_tid, InfosysName, QString(), infosysKeyword(InfosysType),
                                               m_datasetSize, m_enableQueryMetaData));
}

bool KLVQuery::getMessages(const QString& dictionaries, const QString& numbers, const QString& languages,
                           const QString& searchText, bool ignoreCase)
{
    Common::CallTrace trace("Query.", "doGetMessages");
    return catalogueCommand(
        builder().buildGMT(m_tid, dictionaries, numbers, languages, searchText, ignoreCase, m_enableQueryMetaData));
}

bool KLVQuery::firstMessageRow(QString& value, int column)
{
    if (m_result->MoveNext(true)) {
        value = m_result->GetFieldVal(column);
        return true;
    }
    const QSharedPointer<KLVError> current = m_result->GetCurrentError();
    if (!current->Message().isEmpty())
        m_lastError = current;
    else
        setApiError(16);
    return false;
}

QString KLVQuery::GetMessageText(const QString& Dictionary, int MsgNumber, const QString& Language)
{
    QString text;
    if (getMessages(Dictionary, QString::number(MsgNumber), Language, QString(), false))
        firstMessageRow(text, fldMsgText);
    return text;
}

bool KLVQuery::GetMessageTexts(const QString& Dictionary, const QList<int>& MsgNumbers, const QStringList& Languages)
{
    return getMessages(Dictionary, Common::JoinLongArray(MsgNumbers, u","_s), Languages.join(u','), QString(), false);
}

bool KLVQuery::GetMessageTexts2(const QString& Dictionary, int FromMsgNr, int ToMsgNr, const QString& Language)
{
    return getMessages(Dictionary, QString::number(FromMsgNr) + u'-' + QString::number(ToMsgNr), Language, QString(),
                       false);
}

bool KLVQuery::SearchMessageTexts(const QStringList& DictionaryList, const QString& SourceText,
                                  const QStringList& Languages, bool IgnoreCase)
{
    return getMessages(DictionaryList.join(u','), QString(), Languages.join(u','), SourceText, IgnoreCase);
}

int KLVQuery::GetMessageNumber(const QString& Dictionary, const QString& SourceText, bool IgnoreCase)
{
    QString number;
    if (getMessages(Dictionary, QString(), QString(), SourceText, IgnoreCase) && firstMessageRow(number, fldMsgNumber))
        return Common::ToLong(number);
    return 0;
}

bool KLVQuery::GetRefTypeInfo(const QString& TAVArt)
{
    Common::CallTrace trace("Query.", "GetRefTypeInfo");
    if (TAVArt.isEmpty()) {
        setApiError(28);
        return false;
    }
    return catalogueCommand(builder().buildGRI(m_tid, TAVArt, m_enableQueryMetaData));
}

KLVTAVArtInfoList KLVQuery::GetRefTypeInfoArray(const QString& TAVArt)
{
    Common::CallTrace trace("Query.", "GetRefTypeInfoArray");
    KLVTAVArtInfoList infos;
    if (!GetRefTypeInfo(TAVArt))
        return infos;
    while (infos.size() < MaxRefTypeRows && m_result->MoveNext(true)) {
        auto info = QSharedPointer<KLVTAVArtInfo>::create();
        info->InitFromRefTypeRow(
            Common::ToLong(m_result->GetFieldVal(fldRefTypeDBNr)), m_result->GetFieldVal(fldRefTypeDBName),
            Common::ToLong(m_result->GetFieldVal(fldRefTypeGrpNr)), m_result->GetFieldVal(fldRefTypeGrpName),
            m_result->GetFieldVal(fldRefTypeEchoType), Common::ToLong(m_result->GetFieldVal(fldRefTypeEchoLen)));
        infos.append(info);
    }
    return infos;
}

bool KLVQuery::serverVersionBelow(double version) const
{
    const double client = m_session ? m_session->ClientKLVVersion().trimmed().toDouble() : 0.0;
    return client < version;
}

QSharedPointer<KLVTAVArtInfo> KLVQuery::GetRefInfo(const QString& Ref)
{
    QString code;
    if (serverVersionBelow(3.01)) {
        // Older servers know the group only as the low bits of "grust".
        if (!ReadRecord(Ref, u"grust"_s))
            return {};
        QString grust = GetField(1);
        grust.remove(u' ');
        const int group = Common::ToLong(grust) & 31;
        const QString database = Ref.section(u',', 1, 1);
        code = u"P"_s + database + u':' + QString::number(group);
    } else {
        if (!ReadRecord(Ref, u"dnr,gruppe"_s))
            return {};
        code = u"P"_s + GetField(1) + u':' + GetField(2);
    }
    auto info = QSharedPointer<KLVTAVArtInfo>::create();
    info->ParseTypeCode(code);
    return info;
}

QSharedPointer<KLVError> KLVQuery::testFieldValue(const QString& typeCode, const QString& value, QString& prepared)
{
    m_tid = u"0"_s;
    m_metaData.reset();
    clearLastError();
    auto error = QSharedPointer<KLVError>::create();
    if (typeCode.isEmpty()) {
        error->SetError(0, Common::GetErrorText(29), m_result->Context());
        return error;
    }
    const QString line = builder().buildTFV(m_tid, typeCode, {value});
    newResult();
    if (m_result->ProcessCommand(m_tid, line, QString(), true) && m_result->MoveNext(true)) {
        if (Common::ParseBool(m_result->GetFieldVal(fldFldTestRC))) {
            prepared = m_result->GetFieldVal(fldFldTestValue);
            return {};
        }
        error->SetError(Common::ToLong(m_result->GetFieldVal(fldFldTestErrNr)), m_result->GetFieldVal(fldFldTestErrMsg),
                        m_result->Context());
        return error;
    }
    // A refusal, or an answer that tested nothing: the value is not known to be valid.
    error = m_result->GetCurrentError();
    if (error->Message().isEmpty()) {
        error = QSharedPointer<KLVError>::create();
        error->SetError(0, Common::GetErrorText(16), m_result->Context());
    }
    return error;
}

QString KLVQuery::TestFieldValue(const QString& WEXAArt, const QString& FieldValue)
{
    Common::CallTrace trace("Query.", "TestFieldValue");
    QString prepared;
    const QSharedPointer<KLVError> error = testFieldValue(WEXAArt, FieldValue, prepared);
    return error ? error->Message() : QString();
}

QSharedPointer<KLVMessage> KLVQuery::TestFieldValue2(const QString& WEXAArt, const QString& FieldValue)
{
    Common::CallTrace trace("Query.", "TestFieldValue2");
    QString prepared;
    const QSharedPointer<KLVError> error = testFieldValue(WEXAArt, FieldValue, prepared);
    if (!error)
        return {};
    return KLVMessage::create(messageTypeError, u"ERROR"_s, error->Message(), error->Number(), 0, QString(), QString());
}

QString KLVQuery::TestGetFieldValue(const QString& WEXAArt, const QString& FieldValue)
{
    Common::CallTrace trace("Query.", "TestGetFieldValue");
    QString prepared;
    if (testFieldValue(WEXAArt, FieldValue, prepared))
        return QString(QChar(u'\0'));
    return prepared;
}

bool KLVQuery::TestFieldValues(const QStringList& WEXAArten, const QStringList& FieldValues)
{
    Common::CallTrace trace("Query.", "TestFieldValues");
    return catalogueCommand(builder().buildTFV(m_tid, WEXAArten.join(u','), FieldValues));
}
