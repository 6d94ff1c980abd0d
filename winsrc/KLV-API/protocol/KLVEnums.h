#pragma once

// The enumerations of the KLVActiveX type library, with their published values. They live
// in a Qt namespace so that clients binding by name find every member through the
// meta-object system (KLVActiveX::staticMetaObject).

#include <QObject>

namespace KLVActiveX {
Q_NAMESPACE

enum KLV_DisplayMode : int { klvDispModeOperating = 0, klvDispModeOutput = 1, klvDispModeUniversal = 2 };
Q_ENUM_NS(KLV_DisplayMode)

enum KLV_VerwMode : int { klvVerwModeExt = 0, klvVerwModeRef = 1, klvVerwModeNum = 2, klvVerwModeSW = 3 };
Q_ENUM_NS(KLV_VerwMode)

enum KLV_DateMode : int { klvDateModeTAV = 0, klvDateModeTAV4 = 1, klvDateModeSort = 2 };
Q_ENUM_NS(KLV_DateMode)

enum KLV_Decimalpoint : int { klvDecimalPointPeriod = 0, klvDecimalPointComma = 1 };
Q_ENUM_NS(KLV_Decimalpoint)

enum KLV_FTMode : int {
    klvFTModeNone = -1,
    klvFTModeExt = 0,
    klvFTModeText = 1,
    klvFTModeTextCurrLen = 2,
    klvFTModeTextAll = 3
};
Q_ENUM_NS(KLV_FTMode)

enum KLV_NumMode : int { klvNumModeTAV = 0, klvNumModeRaw = 1, klvNumModeExt = 2 };
Q_ENUM_NS(KLV_NumMode)

enum KLV_BoolMode : int { klvBoolModeTAV = 0, klvBoolModeNum = 1 };
Q_ENUM_NS(KLV_BoolMode)

enum KLV_EnumMode : int { klvEnumModeText = 0, klvEnumModeCode = 1, klvEnumModeBriefDesc = 2 };
Q_ENUM_NS(KLV_EnumMode)

enum KLV_LineBreak : int { klvLineBreakLF = 0, klvLineBreakCRLF = 1 };
Q_ENUM_NS(KLV_LineBreak)

enum KLV_LockBehavior : int { klvLockBehaviorWaitInfinite = 0, klvLockBehaviorWait = 1, klvLockBehaviorNoWait = 2 };
Q_ENUM_NS(KLV_LockBehavior)

enum KLV_AppLock : int {
    klvAppLockSingleUser = 0,
    klvAppLockInterrupt = 1,
    klvAppLockBackup = 2,
    klvAppLockReadOnly = 3
};
Q_ENUM_NS(KLV_AppLock)

enum KLV_LockMode : int {
    klvLockModeExclusive = 0,
    klvLockModeModify = 1,
    klvLockModeReadOnly = 2,
    klvLockModeUnlock = -1
};
Q_ENUM_NS(KLV_LockMode)

enum KLV_UpdateMode : int {
    klvUpdateModeStandard = 0,
    klvUpdateModeBatch = 1,
    klvUpdateModeStrict = 2,
    klvUpdateModeErrAbort = 3
};
Q_ENUM_NS(KLV_UpdateMode)

enum KLV_StoreRowMode : int {
    klvStoreRowModeDeleteTail = 0,
    klvStoreRowModeDeleteTailModified = 1,
    klvStoreRowModeDeleteNone = 2
};
Q_ENUM_NS(KLV_StoreRowMode)

enum KLV_VariableLanguage : int { klvVarLangGerman = 0, klvVarLangEnglish = 1 };
Q_ENUM_NS(KLV_VariableLanguage)

enum KLV_Maxima : int { klvMaxQueryFields = 500, klvMaxKeys = 100 };
Q_ENUM_NS(KLV_Maxima)

enum Message_Type : int { messageTypeError = 0, messageTypeStatus = 1, messageTypeText = 2 };
Q_ENUM_NS(Message_Type)

enum KLV_AliveFlags : int {
    aliveFlagInternal = 0,
    aliveFlagAlive = 1,
    aliveFlagFiled = 2,
    aliveFlagBoth = 3,
    aliveFlagAll = 9
};
Q_ENUM_NS(KLV_AliveFlags)

enum Ref_EchoType : int { refEchoUnknown = -1, refEchoNum = 0, refEchoSW = 1, refEchoRef = 2 };
Q_ENUM_NS(Ref_EchoType)

enum KLV_GroupListTypes : int { klvGroupListTypeQuery = 0, klvGroupListTypeNew = 1, klvGroupListTypeAll = 2 };
Q_ENUM_NS(KLV_GroupListTypes)

enum KLV_FieldListTypes : int {
    klvFieldListTypeQuery = 0,
    klvFieldListTypeEdit = 1,
    klvFieldListTypeInfosys = 2,
    klvFieldListTypeDBAll = 3
};
Q_ENUM_NS(KLV_FieldListTypes)

enum KLV_InfosysTypes : int { klvInfosysTypeAll = 1, klvInfosysTypeStandard = 2, klvInfosysTypeCustom = 3 };
Q_ENUM_NS(KLV_InfosysTypes)

enum Edit_RefType : int { refTypeEmpty = 1, refTypeNumSW = 2, refTypeRef = 3 };
Q_ENUM_NS(Edit_RefType)

enum Edit_Action : int {
    editNew = 1,
    editUpdate = 2,
    editDelete = 3,
    editView = 4,
    editGet = 5,
    editRelease = 6,
    editDelivery = 7,
    editInvoice = 8,
    editPayment = 9,
    editReversal = 10,
    editCalculate = 11,
    editTransfer = 12,
    editDo = 13,
    editDone = 14,
    editStore = 15,
    editRemove = 16,
    editCopy = 17,
    editModify = 18
};
Q_ENUM_NS(Edit_Action)

enum KLV_ScreenProtection : int { klvScrProtProtected = 1, klvScrProtCoreControlled = 2, klvScrProtModifiable = 3 };
Q_ENUM_NS(KLV_ScreenProtection)

// Column numbers of the catalogue answers (1-based, as GetField takes them).
enum Database_Fields : int {
    fldDatabaseName = 1,
    fldDatabaseNr = 2,
    fldDatabaseEditFlag = 3,
    fldDatabaseIsMasterdata = 4,
    fldDatabaseIsAdditional = 5,
    fldDatabaseClassName = 6
};
Q_ENUM_NS(Database_Fields)

enum Group_Fields : int {
    fldGroupDBName = 1,
    fldGroupDBNr = 2,
    fldGroupName = 3,
    fldGroupNr = 4,
    fldGroupEditFlag = 5,
    fldGroupTableFlag = 6,
    fldGroupSearchExt = 7,
    fldGroupHeadIsPersistent = 8,
    fldGroupTableIsPersistent = 9,
    fldGroupHeadIsQuoted = 10,
    fldGroupTableIsQuoted = 11,
    fldGroupTableQuotesTable = 12,
    fldGroupHeadOrigDBNr = 13,
    fldGroupHeadOrigGrpNr = 14,
    fldGroupTableOrigDBNr = 15,
    fldGroupTableOrigGrpNr = 16,
    fldGroupIsSingleObject = 17,
    fldGroupClassName = 18
};
Q_ENUM_NS(Group_Fields)

enum Enum_Fields : int {
    fldEnumName = 1,
    fldEnumDesc = 2,
    fldEnumEmptyIsValid = 3,
    fldEnumMaxPosLen = 4,
    fldEnumClassName = 5,
    fldEnumMaxPosBDescLen = 6,
    fldEnumID = 7,
    fldEnumActType = 8,
    fldEnumIsBriefDesc = 9,
    fldEnumIsMenu = 10
};
Q_ENUM_NS(Enum_Fields)

enum EnumPos_Fields : int {
    fldEnumPosCode = 1,
    fldEnumPosText = 2,
    fldEnumPosBriefDesc = 3,
    fldEnumPosUniversal = 4,
    fldEnumPosIdentifier = 5
};
Q_ENUM_NS(EnumPos_Fields)

enum RefInfo_Fields : int {
    fldRefTypeDBNr = 1,
    fldRefTypeDBName = 2,
    fldRefTypeGrpNr = 3,
    fldRefTypeGrpName = 4,
    fldRefTypeEchoType = 5,
    fldRefTypeEchoLen = 6
};
Q_ENUM_NS(RefInfo_Fields)

enum FldTest_Fields : int { fldFldTestRC = 1, fldFldTestErrNr = 2, fldFldTestErrMsg = 3, fldFldTestValue = 4 };
Q_ENUM_NS(FldTest_Fields)

enum Table_Fields : int {
    fldTableName = 1,
    fldTableDesc = 2,
    fldTableNumID = 3,
    fldTableType = 4,
    fldTableTypeStr = 5,
    fldTableDBNr = 6,
    fldTableDBName = 7,
    fldTableGroupBits = 8,
    fldTableGroupNrs = 9,
    fldTableGroupNames = 10,
    fldTableTableFlag = 11,
    fldTableAliveFlag = 12
};
Q_ENUM_NS(Table_Fields)

enum Field_Fields : int {
    fldFieldName = 1,
    fldFieldType = 2,
    fldFieldLength = 3,
    fldFieldDesc = 4,
    fldFieldTAVType = 5,
    fldFieldInTab = 6,
    fldFieldIsSkip = 7,
    fldFieldEnglName = 8,
    fldFieldScrProtection = 9,
    fldFieldPrioDisp = 10,
    fldFieldPrioEdit = 11,
    fldFieldIsCustom = 12,
    fldFieldIsAlias = 13,
    fldFieldOrigName = 14,
    fldFieldMeaning = 15,
    fldFieldMeaningDic = 16,
    fldFieldMeaningMsgNr = 17,
    fldFieldPrompt = 18,
    fldFieldPromptDic = 19,
    fldFieldPromptMsgNr = 20,
    fldFieldHeadText = 21,
    fldFieldHeadTextDic = 22,
    fldFieldHeadTextMsgNr = 23
};
Q_ENUM_NS(Field_Fields)

enum Key_Fields : int {
    fldKeyName = 1,
    fldKeyRange = 2,
    fldKeyAliveRecs = 3,
    fldKeyFields = 4,
    fldKeyDBNr = 5,
    fldKeyGroupBits = 6,
    fldKeyGroupNames = 7,
    fldKeyCondType = 8,
    fldKeyIsTabKey = 9,
    fldKeyAliveFlag = 10,
    fldKeyNr = 11,
    fldKeyIsCustom = 12,
    fldKeyNamePrimaryLang = 13,
    fldKeyIdentifier = 14,
    fldKeyGroupNrs = 15,
    fldKeyKeyCount = 16
};
Q_ENUM_NS(Key_Fields)

enum Infosys_Fields : int {
    fldInfosysID = 1,
    fldInfosysNum = 2,
    fldInfosysSWD = 3,
    fldInfosysWorkingDir = 4,
    fldInfosysPrio = 5,
    fldInfosysIsStandard = 6,
    fldInfosysDesc = 7,
    fldInfosysClassName = 8
};
Q_ENUM_NS(Infosys_Fields)

enum Message_Fields : int { fldMsgDictionary = 1, fldMsgNumber = 2, fldMsgLangcode = 3, fldMsgText = 4 };
Q_ENUM_NS(Message_Fields)

// Published for older clients; the library itself does not use them.
enum Num_Fields : int {
    numDatabaseFields = 3,
    numGroupFields = 6,
    numEnumFields = 4,
    numEnumPosFields = 2,
    numTableFields = 3,
    numFieldFields = 6,
    numKeyFields = 4
};
Q_ENUM_NS(Num_Fields)

// There is no 14; the three catch-all kinds share 999.
enum KLV_DataType : int {
    klvLongInt = 0,
    klvInteger = 1,
    klvByte = 2,
    klvReal = 3,
    klvBool = 4,
    klvReference = 5,
    klvTime = 6,
    klvDate = 7,
    klvWeek = 8,
    klvButton = 9,
    klvFText = 10,
    klvEnumeration = 11,
    klvDateTime = 12,
    klvPeriod = 13,
    klvEnumReference = 15,
    klvRowReference = 16,
    klvString = 999,
    klvOther = 999,
    klvUnknown = 999
};
Q_ENUM_NS(KLV_DataType)

} // namespace KLVActiveX

using namespace KLVActiveX;
