#include "KLVEditor.h"
#include "AnsiCodec.h"
#include "Common.h"
#include "KLV.h"
#include "KLVBoundEditField.h"
#include "KLVCmdBuilder.h"
#include "KLVEditField.h"
#include "KLVEditFieldList.h"
#include "KLVEditFieldProperties.h"
#include "KLVEditObject.h"
#include "KLVResultSet.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

// Index = Edit_Action - 1.
const char16_t* const kActionKeywords[] = {
    u"NEW",      u"UPDATE",    u"DELETE",   u"VIEW", u"GET",  u"RELEASE", u"DELIVERY", u"INVOICE", u"PAYMENT",
    u"REVERSAL", u"CALCULATE", u"TRANSFER", u"DO",   u"DONE", u"STORE",   u"REMOVE",   u"COPY",    u"MODIFY",
};
// Index = Edit_RefType - 1.
const char16_t* const kRefTypeKeywords[] = {u"EMPTY", u"NUMSW", u"REF"};

constexpr int kFTextPiece = 2000;
constexpr int kFTextReadPiece = 20000;

// The leading number of a text, 0 when it has none ("12 rows" is 12), rounded half to even.
int leadingNumber(const QString& text)
{
    static const QRegularExpression number(u"^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?"_s);
    const QRegularExpressionMatch match = number.match(text);
    if (!match.hasMatch())
        return 0;
    const double value = std::nearbyint(match.captured(0).trimmed().toDouble());
    if (!std::isfinite(value) || value > double(std::numeric_limits<int>::max()) ||
        value < double(std::numeric_limits<int>::min()))
        return 0;
    return int(value);
}

bool isFlagSet(const QString& text)
{
    return text == u"1"_s;
}

// A table-field list given as a variant counts only when it holds an array of text.
bool stringListFrom(const QVariant& value, QStringList& names)
{
    if (value.typeId() == QMetaType::QStringList) {
        names = value.toStringList();
        return true;
    }
    if (value.typeId() == QMetaType::QVariantList) {
        names.clear();
        for (const QVariant& element : value.toList())
            names.append(element.toString());
        return true;
    }
    return false;
}

// Free-text files are UTF-8 here; files written by the Windows program are Windows-1252.
QString decodeFileText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError())
        text = AnsiCodec::decode(bytes);
    return text;
}

// Length of the next free-text piece from position, never ending between the two halves of
// a surrogate pair, which would arrive at the server as two broken characters.
qsizetype pieceLength(const QString& text, qsizetype position)
{
    qsizetype length = std::min<qsizetype>(kFTextPiece, text.size() - position);
    const qsizetype end = position + length;
    if (length > 1 && end < text.size() && text.at(end - 1).isHighSurrogate() && text.at(end).isLowSurrogate())
        --length;
    return length;
}

} // namespace

KLVEditor::KLVEditor(QObject* parent)
    : QObject(parent), m_lastError(QSharedPointer<KLVError>::create()), m_result(new KLVResultSet(this))
{
    connect(m_result, &KLVResultSet::MessageReceived, this, &KLVEditor::routeMessage);
}

KLVEditor::~KLVEditor()
{
    delete m_builder;
}

// ---------------------------------------------------------------------------------------------
// Creation, errors, requests

void KLVEditor::SetConnection(KLVSockComm* connection)
{
    m_connection = connection;
    m_result->SetConnection(connection);
}

void KLVEditor::SetSession(KLV* session)
{
    m_session = session;
    m_sessionRef = session ? session->sharedFromThis() : QSharedPointer<KLV>();
    m_hadSession = session != nullptr;
}

QSharedPointer<KLV> KLVEditor::Session() const
{
    if (m_sessionRef)
        return m_sessionRef;
    return m_session ? m_session->sharedFromThis() : QSharedPointer<KLV>();
}

KLVCmdBuilder& KLVEditor::builder()
{
    if (!m_builder)
        m_builder = new KLVCmdBuilder;
    return *m_builder;
}

void KLVEditor::ClearLastError()
{
    m_lastError = QSharedPointer<KLVError>::create();
}

void KLVEditor::SetApiError(const QString& message, int number, const QString& context, const KLVMessageList& messages)
{
    ClearLastError();
    m_lastError->SetError(number, message, context, messages);
}

void KLVEditor::setApiErrorCode(int code)
{
    SetApiError(Common::GetErrorText(code), 0, m_result->Context());
    m_lastError->setApiErrorCode(code);
}

void KLVEditor::setFileError(int code, const QString& description)
{
    SetApiError(Common::GetErrorText(code) + u"\r\n"_s + description, 0, m_result->Context());
    m_lastError->setApiErrorCode(code);
}

void KLVEditor::takeCurrentError()
{
    m_lastError = m_result->GetCurrentError();
}

QString KLVEditor::GetLastError() const
{
    return m_lastError->Message();
}

bool KLVEditor::request(const QString& line, const QString& tid)
{
    // The connection belongs to the session: once the session is gone there is none.
    if (m_hadSession && !m_session) {
        setApiErrorCode(5);
        return false;
    }
    if (m_result->ProcessCommand(tid, line, QString(), true))
        return true;
    takeCurrentError();
    return false;
}

void KLVEditor::routeMessage(const QSharedPointer<KLVMessage>& message)
{
    if (!m_messageReporting)
        return;
    if (m_collectors.collect(message))
        return;
    QString text = message->Text();
    int number = message->Number();
    switch (message->MsgType()) {
    case messageTypeError: {
        int row = message->FieldRow();
        QString fieldName = message->FieldName();
        Q_EMIT ErrorMessage(text, number, row, fieldName);
        break;
    }
    case messageTypeStatus:
        Q_EMIT StatusMessage(text, number);
        break;
    default:
        Q_EMIT TextMessage(text);
    }
    QSharedPointer<KLVMessage> argument = message;
    Q_EMIT MessageReceived(argument);
}

bool KLVEditor::versionAtLeast(const QString& version) const
{
    // Without a session the library speaks its newest protocol.
    return !m_session || m_session->ClientKLVVersion().compare(version) >= 0;
}

int KLVEditor::integerFromAnswer(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return 0;
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    if (!ok || !std::isfinite(value) || std::abs(value) > double(std::numeric_limits<int>::max())) {
        SetApiError(Common::GetErrorText(1) + u"\r\n"_s + text, 0, m_result->Context());
        return 0;
    }
    return int(std::nearbyint(value));
}

// ---------------------------------------------------------------------------------------------
// Transactions

QString KLVEditor::RefTypeKeyword(const QString& database)
{
    return database.isEmpty() ? u"REF"_s : u"NUMSW"_s;
}

bool KLVEditor::ExecuteBeginCommand(const QString& line)
{
    m_editTid = u"0"_s;
    ClearLastError();
    m_parentEditor.reset();
    if (!request(line, u"0"_s))
        return false;
    m_editTid = m_result->getTID();
    return true;
}

bool KLVEditor::BeginEditNew(const QString& DatabaseName, const QString& GroupName)
{
    Common::CallTrace trace("Editor.", "BeginEditNew");
    return ExecuteBeginCommand(builder().buildNEW(u"0"_s, DatabaseName, GroupName, u"EMPTY"_s, QString()));
}

bool KLVEditor::BeginEditNewCopy(const QString& TemplateRefID, const QString& DatabaseName)
{
    Common::CallTrace trace("Editor.", "BeginEditNewCopy");
    return ExecuteBeginCommand(
        builder().buildNEW(u"0"_s, DatabaseName, QString(), RefTypeKeyword(DatabaseName), TemplateRefID));
}

bool KLVEditor::BeginEdit(const QString& RefID, const QString& DatabaseName)
{
    Common::CallTrace trace("Editor.", "BeginEdit");
    return ExecuteBeginCommand(builder().buildUPD(u"0"_s, DatabaseName, RefID));
}

bool KLVEditor::BeginDelete(const QString& RefID, const QString& DatabaseName)
{
    Common::CallTrace trace("Editor.", "BeginDelete");
    return ExecuteBeginCommand(builder().buildDEL(u"0"_s, DatabaseName, RefID));
}

bool KLVEditor::BeginView(const QString& RefID, const QString& DatabaseName)
{
    Common::CallTrace trace("Editor.", "BeginView");
    return ExecuteBeginCommand(builder().buildVIE(u"0"_s, DatabaseName, RefID));
}

bool KLVEditor::BeginEditOperation(Edit_Action EditAction, const QString& DatabaseName, const QString& GroupName,
                                   Edit_RefType EditRefType, const QString& EditRefID)
{
    return BeginEditOperationM(EditAction, DatabaseName, GroupName, EditRefType, EditRefID, QString(), QString());
}

bool KLVEditor::BeginEditOperationM(Edit_Action EditAction, const QString& DatabaseName, const QString& GroupName,
                                    Edit_RefType EditRefType, const QString& EditRefID, const QString& MenuChoice,
                                    const QString& AppParam)
{
    Common::CallTrace trace("Editor.", "BeginEditOperation");
    if (int(EditAction) < editNew || int(EditAction) > editModify || int(EditRefType) < refTypeEmpty ||
        int(EditRefType) > refTypeRef)
        throw KLVRuntimeError(9, u"Subscript out of range"_s);
    const QString action = QString::fromUtf16(kActionKeywords[int(EditAction) - 1]);
    const QString refType = QString::fromUtf16(kRefTypeKeywords[int(EditRefType) - 1]);
    return ExecuteBeginCommand(
        builder().buildEDI(u"0"_s, action, DatabaseName, GroupName, refType, EditRefID, MenuChoice, AppParam));
}

bool KLVEditor::BeginEditCmd(const QString& EditCmd, const QString& CmdArgs)
{
    Common::CallTrace trace("Editor.", "BeginEditCmd");
    return ExecuteBeginCommand(
        builder().buildEDI(u"0"_s, u"DO"_s, EditCmd, QString(), QString(), CmdArgs, QString(), QString()));
}

bool KLVEditor::EndEditSave()
{
    Common::CallTrace trace("Editor.", "EndEditSave");
    ClearLastError();
    return request(builder().buildCOM(m_editTid));
}

bool KLVEditor::EndEditCancel()
{
    Common::CallTrace trace("Editor.", "EndEditCancel");
    ClearLastError();
    return request(builder().buildCAN(m_editTid));
}

bool KLVEditor::SaveReload()
{
    Common::CallTrace trace("Editor.", "SaveReload");
    ClearLastError();
    return request(builder().buildSAV(m_editTid));
}

void KLVEditor::Break()
{
    Common::CallTrace trace("Editor.", "Break");
    if (m_hadSession && !m_session) {
        setApiErrorCode(5);
        return;
    }
    // A request of this editor that waits (a save, a record locked elsewhere) is broken off:
    // the server ends it early or has done it already, and its answer, which ends the
    // request, says which.
    const bool answerAwaited = m_result->breakRunning() == KLVDispatch::BreakOutcome::AfterSending;
    m_result->SendCommandLine(builder().buildBRQ(m_editTid), m_editTid, false);
    if (!answerAwaited)
        takeCurrentError();
}

QSharedPointer<KLVEditor> KLVEditor::newSiblingEditor() const
{
    if (m_session)
        return m_session->CreateEditor();
    auto editor = QSharedPointer<KLVEditor>::create();
    editor->SetConnection(m_connection);
    return editor;
}

QSharedPointer<KLVEditor> KLVEditor::OpenSubEditor(const QString& SubeditButton, const QString& RowSpec)
{
    Common::CallTrace trace("Editor.", "OpenSubEditor");
    QSharedPointer<KLVEditor> sub = newSiblingEditor();
    sub->setParentEditor(sharedFromThis());
    sub->setEditTID(u"0"_s);
    // The line carries the new editor's id ("0"); this editor's own id travels as a field.
    const QString line = builder().buildSUB(sub->EditTID(), m_editTid, RowSpec, SubeditButton);
    if (!request(line, u"0"_s))
        return {};
    sub->setEditTID(m_result->getTID());
    return sub;
}

bool KLVEditor::IsSubEditor() const
{
    return !m_parentEditor.isNull();
}

QSharedPointer<KLVEditor> KLVEditor::GetParentEditor() const
{
    return m_parentEditor;
}

// ---------------------------------------------------------------------------------------------
// Status and options

bool KLVEditor::readTAStatus(const QString& key, QString& value)
{
    value.clear();
    if (!request(builder().buildGTS(m_editTid, key)))
        return false;
    if (!m_result->SetCurrRecord(1, true)) {
        setApiErrorCode(16);
        return false;
    }
    value = m_result->GetFieldVal(2);
    return true;
}

QString KLVEditor::GetTAStatus(const QString& key)
{
    QString value;
    readTAStatus(key, value);
    return value;
}

QString KLVEditor::GetEditorStatus(const QString& StatusName)
{
    ClearLastError();
    return GetTAStatus(StatusName);
}

bool KLVEditor::IsActive()
{
    ClearLastError();
    return GetTAStatus(u"TATYPE"_s) == u"EDIT"_s && GetTAStatus(u"STATE"_s) == u"ACTIVE"_s;
}

bool KLVEditor::HasTablePart()
{
    return isFlagSet(GetEditorStatus(u"HASTABLE"_s));
}

int KLVEditor::GetRowCount()
{
    return leadingNumber(GetEditorStatus(u"NUMROWS"_s));
}

int KLVEditor::GetCurrentRow()
{
    return integerFromAnswer(GetEditorStatus(u"ROW"_s));
}

bool KLVEditor::IsModified()
{
    return isFlagSet(GetEditorStatus(u"MODIFIED"_s));
}

QString KLVEditor::GetEditRef()
{
    return GetEditorStatus(u"REF"_s);
}

QString KLVEditor::GetEditID()
{
    return GetEditorStatus(u"NUM"_s);
}

QString KLVEditor::GetEditDatabaseNr()
{
    return GetEditorStatus(u"EDITDBNR"_s);
}

QString KLVEditor::GetEditGroupNr()
{
    return GetEditorStatus(u"EDITGRPNR"_s);
}

QString KLVEditor::GetEditScreenNr()
{
    return GetEditorStatus(u"SCRNR"_s);
}

QString KLVEditor::GetEditPrio()
{
    return GetEditorStatus(u"PRIO"_s);
}

QString KLVEditor::GetEditorOption(const QString& OptionName)
{
    ClearLastError();
    if (!request(builder().buildSHO(m_editTid, OptionName, QString(), false)))
        return {};
    if (!m_result->SetCurrRecord(1, true)) {
        setApiErrorCode(16);
        return {};
    }
    return m_result->GetFieldVal(2);
}

bool KLVEditor::SetEditorOption(const QString& OptionName, const QString& Value)
{
    ClearLastError();
    return request(builder().buildSET(m_editTid, OptionName, Value, QString()));
}

KLV_UpdateMode KLVEditor::GetUpdateMode()
{
    return Common::UpdateModeFromWord(GetEditorOption(u"UPDATEMODE"_s));
}

bool KLVEditor::SetUpdateMode(KLV_UpdateMode Mode)
{
    return SetEditorOption(u"UPDATEMODE"_s, Common::UpdateModeWord(Mode));
}

KLV_StoreRowMode KLVEditor::GetStoreRowMode()
{
    return Common::StoreRowModeFromWord(GetEditorOption(u"STOREROWMODE"_s));
}

bool KLVEditor::SetStoreRowMode(KLV_StoreRowMode Mode)
{
    return SetEditorOption(u"STOREROWMODE"_s, Common::StoreRowModeWord(Mode));
}

bool KLVEditor::IsTruncateTextValues()
{
    return Common::ParseBool(GetEditorOption(u"TRUNCTEXT"_s));
}

bool KLVEditor::SetTruncateTextValues(bool Mode)
{
    return SetEditorOption(u"TRUNCTEXT"_s, Common::BoolToFlag(Mode));
}

bool KLVEditor::IsAutoround()
{
    return Common::ParseBool(GetEditorOption(u"AUTOROUND"_s));
}

bool KLVEditor::SetAutoround(bool Mode)
{
    return SetEditorOption(u"AUTOROUND"_s, Common::BoolToFlag(Mode));
}

bool KLVEditor::SetMessageContext(const QString& ContextStr)
{
    m_result->setContext(ContextStr);
    return SetEditorOption(u"CONTEXT"_s, ContextStr);
}

QString KLVEditor::GetMessageContext()
{
    return GetEditorOption(u"CONTEXT"_s);
}

// ---------------------------------------------------------------------------------------------
// Field values

KLV_ScreenProtection KLVEditor::ScrProtectionFromText(const QString& text)
{
    if (text.isEmpty())
        return klvScrProtModifiable;
    return KLV_ScreenProtection(leadingNumber(text));
}

bool KLVEditor::GetFieldProperty(const QString& fieldName, const QString& rowSpec)
{
    ClearLastError();
    if (fieldName.isEmpty())
        throw KLVRuntimeError(31, u"GetFieldProperty: "_s + Common::GetErrorText(31));
    if (!request(builder().buildGFV(m_editTid, rowSpec, fieldName)))
        return false;
    if (!m_result->SetCurrRecord(1, true) || m_result->GetFieldVal(7) == u"-"_s) {
        setApiErrorCode(16);
        return false;
    }
    return true;
}

QString KLVEditor::GetFieldPropertyColumn(const QString& rowSpec, const QString& fieldName, int column)
{
    if (!GetFieldProperty(fieldName, rowSpec))
        return {};
    return m_result->GetFieldVal(column);
}

bool KLVEditor::SetFieldVal(const QString& FieldName, const QString& FieldVal, int Row)
{
    return SetFieldValI2(FieldName, FieldVal, QString::number(Row), false);
}

bool KLVEditor::SetFieldVal2(const QString& FieldName, const QString& FieldVal, const QString& RowSpec)
{
    return SetFieldValI2(FieldName, FieldVal, RowSpec, false);
}

bool KLVEditor::SetFieldValI(const QString& FieldName, const QString& FieldVal, int Row, bool IsInitialValue)
{
    return SetFieldValI2(FieldName, FieldVal, QString::number(Row), IsInitialValue);
}

bool KLVEditor::SetFieldValI2(const QString& FieldName, const QString& FieldVal, const QString& RowSpec,
                              bool IsInitialValue)
{
    ClearLastError();
    return request(builder().buildSFV(m_editTid, RowSpec, FieldName, FieldVal, IsInitialValue));
}

bool KLVEditor::ResetFieldVal(const QString& FieldName, int Row)
{
    return ResetFieldVal2(FieldName, QString::number(Row));
}

bool KLVEditor::ResetFieldVal2(const QString& FieldName, const QString& RowSpec)
{
    ClearLastError();
    return request(builder().buildRFV(m_editTid, RowSpec, FieldName));
}

QString KLVEditor::GetFieldVal(const QString& FieldName, int Row)
{
    return GetFieldVal2(FieldName, QString::number(Row));
}

QString KLVEditor::GetFieldVal2(const QString& FieldName, const QString& RowSpec)
{
    return GetFieldPropertyColumn(RowSpec, FieldName, 3);
}

QString KLVEditor::GetOldFieldVal(const QString& FieldName, int Row)
{
    return GetOldFieldVal2(FieldName, QString::number(Row));
}

QString KLVEditor::GetOldFieldVal2(const QString& FieldName, const QString& RowSpec)
{
    return GetFieldPropertyColumn(RowSpec, FieldName, 4);
}

bool KLVEditor::FieldIsModifiable(const QString& FieldName, int Row)
{
    return FieldIsModifiable2(FieldName, QString::number(Row));
}

bool KLVEditor::FieldIsModifiable2(const QString& FieldName, const QString& RowSpec)
{
    return isFlagSet(GetFieldPropertyColumn(RowSpec, FieldName, 5));
}

bool KLVEditor::FieldIsModified(const QString& FieldName, int Row)
{
    return FieldIsModified2(FieldName, QString::number(Row));
}

bool KLVEditor::FieldIsModified2(const QString& FieldName, const QString& RowSpec)
{
    return isFlagSet(GetFieldPropertyColumn(RowSpec, FieldName, 6));
}

QString KLVEditor::GetFieldTAVArt(const QString& FieldName, int Row)
{
    return GetFieldTAVArt2(FieldName, QString::number(Row));
}

QString KLVEditor::GetFieldTAVArt2(const QString& FieldName, const QString& RowSpec)
{
    return GetFieldPropertyColumn(RowSpec, FieldName, 7);
}

QString KLVEditor::GetFieldKLVType(const QString& FieldName, int Row)
{
    return GetFieldKLVType2(FieldName, QString::number(Row));
}

QString KLVEditor::GetFieldKLVType2(const QString& FieldName, const QString& RowSpec)
{
    return GetFieldPropertyColumn(RowSpec, FieldName, 8);
}

int KLVEditor::GetFieldLength(const QString& FieldName, int Row)
{
    return GetFieldLength2(FieldName, QString::number(Row));
}

int KLVEditor::GetFieldLength2(const QString& FieldName, const QString& RowSpec)
{
    if (!GetFieldProperty(FieldName, RowSpec))
        return 0;
    return integerFromAnswer(m_result->GetFieldVal(9));
}

bool KLVEditor::FieldIsSkip(const QString& FieldName, int Row)
{
    return FieldIsSkip2(FieldName, QString::number(Row));
}

bool KLVEditor::FieldIsSkip2(const QString& FieldName, const QString& RowSpec)
{
    return isFlagSet(GetFieldPropertyColumn(RowSpec, FieldName, 10));
}

KLV_ScreenProtection KLVEditor::GetFieldScrProtection(const QString& FieldName, int Row)
{
    return GetFieldScrProtection2(FieldName, QString::number(Row));
}

KLV_ScreenProtection KLVEditor::GetFieldScrProtection2(const QString& FieldName, const QString& RowSpec)
{
    return ScrProtectionFromText(GetFieldPropertyColumn(RowSpec, FieldName, 11));
}

QString KLVEditor::GetFieldPrioDisp(const QString& FieldName, int Row)
{
    return GetFieldPrioDisp2(FieldName, QString::number(Row));
}

QString KLVEditor::GetFieldPrioDisp2(const QString& FieldName, const QString& RowSpec)
{
    return GetFieldPropertyColumn(RowSpec, FieldName, 12);
}

QString KLVEditor::GetFieldPrioEdit(const QString& FieldName, int Row)
{
    return GetFieldPrioEdit2(FieldName, QString::number(Row));
}

QString KLVEditor::GetFieldPrioEdit2(const QString& FieldName, const QString& RowSpec)
{
    return GetFieldPropertyColumn(RowSpec, FieldName, 13);
}

bool KLVEditor::FieldIsCustom(const QString& FieldName, int Row)
{
    return FieldIsCustom2(FieldName, QString::number(Row));
}

bool KLVEditor::FieldIsCustom2(const QString& FieldName, const QString& RowSpec)
{
    return isFlagSet(GetFieldPropertyColumn(RowSpec, FieldName, 14));
}

bool KLVEditor::FieldIsAlias(const QString& FieldName, int Row)
{
    return FieldIsAlias2(FieldName, QString::number(Row));
}

bool KLVEditor::FieldIsAlias2(const QString& FieldName, const QString& RowSpec)
{
    return isFlagSet(GetFieldPropertyColumn(RowSpec, FieldName, 15));
}

int KLVEditor::GetRowFromRowSpec(const QString& RowSpec)
{
    // The request only translates the row selection: its messages concern nobody.
    struct ReportingOff
    {
        explicit ReportingOff(bool& flag) : m_flag(flag) { m_flag = false; }
        ~ReportingOff() { m_flag = true; }
        bool& m_flag;
    } off(m_messageReporting);
    const QString probe = versionAtLeast(u"3.09"_s) ? u"zn"_s : u"tabnr,id"_s;
    return leadingNumber(GetFieldPropertyColumn(RowSpec, probe, 1));
}

// ---------------------------------------------------------------------------------------------
// Free texts

bool KLVEditor::SendFText(const QString& fieldName, const QString& text, const QString& rowSpec, bool sendEmpty)
{
    if (text.isEmpty() && !sendEmpty)
        return true;
    qsizetype position = 0;
    do {
        const qsizetype length = pieceLength(text, position);
        if (!request(builder().buildSFT(m_editTid, rowSpec, fieldName, text.mid(position, length))))
            return false;
        position += length;
    } while (position < text.size());
    return true;
}

bool KLVEditor::SetFText(const QString& FieldName, const QString& FText, int Row)
{
    return SetFText2(FieldName, FText, QString::number(Row));
}

bool KLVEditor::SetFText2(const QString& FieldName, const QString& FText, const QString& RowSpec)
{
    ClearLastError();
    return SendFText(FieldName, FText, RowSpec, true);
}

bool KLVEditor::SetFTextFromFile(const QString& FieldName, const QString& FileName, int Row)
{
    return SetFTextFromFile2(FieldName, FileName, QString::number(Row));
}

bool KLVEditor::SetFTextFromFile2(const QString& FieldName, const QString& FileName, const QString& RowSpec)
{
    Common::CallTrace trace("Editor.", "SetFTextFromFile");
    ClearLastError();
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly)) {
        setFileError(20, file.errorString());
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        setFileError(21, file.errorString());
        return false;
    }
    file.close();
    return SendFText(FieldName, decodeFileText(bytes), RowSpec, false);
}

bool KLVEditor::DoGetFText(const QString& fieldName, const QString& rowSpec, QString& piece, int length, bool first)
{
    piece.clear();
    const QString mode = first ? u"START"_s : u"NEXT"_s;
    if (!request(builder().buildGFT(m_editTid, rowSpec, fieldName, mode, length, 0)))
        return false;
    if (!m_result->SetCurrRecord(1, true)) {
        setApiErrorCode(16);
        return false;
    }
    piece = m_result->GetFieldVal(1);
    return true;
}

QString KLVEditor::GetFText(const QString& FieldName, int Row, int ReadLength)
{
    return GetFText2(FieldName, QString::number(Row), ReadLength);
}

QString KLVEditor::GetFText2(const QString& FieldName, const QString& RowSpec, int ReadLength)
{
    // Cleared first, so that an error after the call says the text is incomplete: a piece
    // that could not be read ends the text as the empty piece of its end does.
    ClearLastError();
    QString text;
    qsizetype total = 0;
    int want = kFTextReadPiece;
    bool first = true;
    while (ReadLength == 0 || total < ReadLength) {
        if (ReadLength != 0 && total + want > ReadLength)
            want = int(ReadLength - total);
        QString piece;
        if (!DoGetFText(FieldName, RowSpec, piece, want, first) || piece.isEmpty())
            break;
        text += piece;
        first = false;
        total += piece.size();
    }
    return ReadLength > 0 ? text.left(ReadLength) : text;
}

bool KLVEditor::GetFTextIntoFile(const QString& FieldName, const QString& FileName, int Row)
{
    return GetFTextIntoFile2(FieldName, FileName, QString::number(Row));
}

bool KLVEditor::GetFTextIntoFile2(const QString& FieldName, const QString& FileName, const QString& RowSpec)
{
    Common::CallTrace trace("Editor.", "GetFTextIntoFile");
    ClearLastError();
    // Written aside and put in place at the end, so a failed read leaves no half text behind.
    QSaveFile file(FileName);
    if (!file.open(QIODevice::WriteOnly)) {
        setFileError(22, file.errorString());
        return false;
    }
    QStringEncoder utf8(QStringEncoder::Utf8);
    QString piece;
    bool first = true;
    for (;;) {
        if (!DoGetFText(FieldName, RowSpec, piece, kFTextReadPiece, first)) {
            file.cancelWriting();
            return false;
        }
        first = false;
        if (piece.isEmpty())
            break;
        const QByteArray bytes = utf8(piece);
        if (file.write(bytes) != bytes.size()) {
            setFileError(23, file.errorString());
            file.cancelWriting();
            return false;
        }
    }
    if (!file.commit()) {
        setFileError(23, file.errorString());
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Table rows

bool KLVEditor::InsertRow(int RowNumber)
{
    return InsertRow2(QString::number(RowNumber));
}

bool KLVEditor::InsertRow2(const QString& RowSpec)
{
    ClearLastError();
    return request(builder().buildRIN(m_editTid, RowSpec));
}

bool KLVEditor::DeleteRow(int RowNumber)
{
    return DeleteRows(QString::number(RowNumber));
}

bool KLVEditor::DeleteRows(const QString& RowSpec)
{
    ClearLastError();
    return request(builder().buildRDL(m_editTid, RowSpec));
}

bool KLVEditor::DeleteAllRows()
{
    return DeleteRows(u"*"_s);
}

bool KLVEditor::MoveRow(int FromRow, int ToRow)
{
    return MoveRows(QString::number(FromRow), QString::number(ToRow)).toBool();
}

QVariant KLVEditor::MoveRows(const QString& FromRows, const QString& ToRow)
{
    ClearLastError();
    return QVariant(request(builder().buildRMV(m_editTid, FromRows, ToRow)));
}

// ---------------------------------------------------------------------------------------------
// Fields and field lists

QSharedPointer<KLVEditField> KLVEditor::BuildEditField(const QString& name) const
{
    const auto column = [this](int n) { return m_result->GetFieldVal(n); };
    auto field = QSharedPointer<KLVEditField>::create();
    field->SetRow(Common::ToLong(column(1)));
    field->SetName(name);
    KLVEditFieldProperties& p = *field->GetProperties();
    p.setTrueName(column(2));
    p.setVal(column(3));
    p.setOldVal(column(4));
    p.setIsModifiable(isFlagSet(column(5)));
    p.setIsModified(isFlagSet(column(6)));
    p.setWEXAArt(column(7));
    p.setKLVType(column(8));
    p.setLength(Common::ToLong(column(9)));
    p.setIsSkip(isFlagSet(column(10)));
    p.setScrProtection(ScrProtectionFromText(column(11)));
    p.setPrioDisp(column(12));
    p.setPrioEdit(column(13));
    p.setIsCustom(isFlagSet(column(14)));
    p.setIsAlias(isFlagSet(column(15)));
    return field;
}

QString KLVEditor::JoinFieldList(const QStringList& names)
{
    return names.join(u',');
}

QSharedPointer<KLVEditField> KLVEditor::CreateEditField(const QString& FieldName, int Row, const QString& NewValue)
{
    auto field = QSharedPointer<KLVEditField>::create();
    field->SetName(FieldName);
    field->SetRow(Row);
    field->setNewVal(NewValue);
    return field;
}

QSharedPointer<KLVEditField> KLVEditor::GetEditField(const QString& FieldName, int Row)
{
    return GetEditField2(FieldName, QString::number(Row));
}

QSharedPointer<KLVEditField> KLVEditor::GetEditField2(const QString& FieldName, const QString& RowSpec)
{
    ClearLastError();
    if (!request(builder().buildGFV(m_editTid, RowSpec, FieldName)))
        return {};
    if (!m_result->SetCurrRecord(1, true)) {
        setApiErrorCode(16);
        return {};
    }
    return BuildEditField(FieldName);
}

QSharedPointer<KLVBoundEditField> KLVEditor::GetBoundEditField(const QString& FieldName, const QString& RowSpec)
{
    QSharedPointer<KLVEditField> field = GetEditField2(FieldName, RowSpec);
    auto bound = QSharedPointer<KLVBoundEditField>::create();
    bound->InitBoundField(sharedFromThis(), field);
    return bound;
}

QSharedPointer<KLVEditFieldList> KLVEditor::GetEditFieldListA(const QStringList& FieldList, int Row)
{
    return GetEditFieldListA2(FieldList, QString::number(Row));
}

QSharedPointer<KLVEditFieldList> KLVEditor::GetEditFieldList(const QString& FieldList, int Row)
{
    return GetEditFieldList2(FieldList, QString::number(Row));
}

QSharedPointer<KLVEditFieldList> KLVEditor::GetEditFieldList2(const QString& FieldList, const QString& RowSpec)
{
    return GetEditFieldListA2(Common::SplitList(FieldList), RowSpec);
}

QSharedPointer<KLVEditFieldList> KLVEditor::GetEditFieldListA2(const QStringList& FieldList, const QString& RowSpec)
{
    ClearLastError();
    if (!request(builder().buildGFV(m_editTid, RowSpec, JoinFieldList(FieldList))))
        return {};
    const bool allFields = Common::IsEmptyList(FieldList);
    auto list = QSharedPointer<KLVEditFieldList>::create();
    qsizetype nameIndex = 0;
    int lastRow = 0;
    for (int record = 1; m_result->SetCurrRecord(record, true); ++record) {
        const int row = Common::ToLong(m_result->GetFieldVal(1));
        if (record == 1) {
            list->SetRow(row);
        } else {
            // The answer may go on into the next row: this list is one row's.
            if (row != lastRow)
                break;
            if (!allFields && ++nameIndex >= FieldList.size())
                break;
        }
        const QString name = allFields ? m_result->GetFieldVal(2) : FieldList[nameIndex];
        QSharedPointer<KLVEditField> field = BuildEditField(name);
        lastRow = field->Row();
        list->AddField(field);
    }
    return list;
}

QSharedPointer<KLVEditFieldList> KLVEditor::CreateEditFieldListA(const QStringList& FieldList, int Row)
{
    auto list = QSharedPointer<KLVEditFieldList>::create();
    list->InitFromNames(FieldList, Row);
    return list;
}

QSharedPointer<KLVEditFieldList> KLVEditor::CreateEditFieldListAW(const QStringList& FieldList,
                                                                  const QStringList& FieldValues, int Row)
{
    auto list = QSharedPointer<KLVEditFieldList>::create();
    list->InitFromNamesAndValues(FieldList, FieldValues, Row);
    return list;
}

QSharedPointer<KLVEditFieldList> KLVEditor::RefreshEditFieldList(const QSharedPointer<KLVEditFieldList>& FieldList)
{
    if (!FieldList) {
        ClearLastError();
        return {};
    }
    return GetEditFieldListA(FieldList->FieldNames(), FieldList->Row());
}

bool KLVEditor::updateFields(KLVEditFieldList& list)
{
    // A name held twice stands for one field: it is sent once.
    QList<QSharedPointer<KLVEditField>> pending;
    QSet<const KLVEditField*> seen;
    for (int i = 1; i <= list.FieldCount(); ++i) {
        QSharedPointer<KLVEditField> field = list.GetFieldByNumber(i);
        if (field && field->HasNewVal() && !seen.contains(field.data())) {
            seen.insert(field.data());
            pending.append(field);
        }
    }
    if (pending.isEmpty())
        return true;
    // The result set takes at most this many lines for one batch; a part of the changes
    // must not go out alone.
    if (pending.size() > KLVResultSet::MaxBatchCommands || (m_hadSession && !m_session)) {
        setApiErrorCode(26);
        return false;
    }
    const QString rowSpec = QString::number(list.Row());
    for (const QSharedPointer<KLVEditField>& field : pending)
        m_result->SendCommandLineBatch(builder().buildSFV(m_editTid, rowSpec, field->Name(), field->NewVal(), false),
                                       true);
    if (!m_result->FinishBatchCommands(m_editTid)) {
        SetApiError(Common::GetErrorText(26), 0, m_result->Context(), m_result->GetCurrentError()->ErrorMessages());
        return false;
    }
    // Only now are the values at the server; until then the caller may send them again.
    for (const QSharedPointer<KLVEditField>& field : pending)
        field->ClearNewVal();
    return true;
}

QSharedPointer<KLVEditFieldList> KLVEditor::UpdateEditFields(const QSharedPointer<KLVEditFieldList>& FieldList,
                                                             bool Reload)
{
    Common::CallTrace trace("Editor.", "UpdateEditFields");
    ClearLastError();
    if (!FieldList)
        return {};
    if (!updateFields(*FieldList))
        return Reload ? QSharedPointer<KLVEditFieldList>() : FieldList;
    return Reload ? RefreshEditFieldList(FieldList) : FieldList;
}

KLVEditFieldListArray KLVEditor::LoadEditRows(const QStringList& fieldList, const QString& rowSpec)
{
    KLVEditFieldListArray rows;
    if (!request(builder().buildGFV(m_editTid, rowSpec, JoinFieldList(fieldList))))
        return rows;
    const bool allFields = Common::IsEmptyList(fieldList);
    QSharedPointer<KLVEditFieldList> current;
    qsizetype nameIndex = 0;
    int previousRow = 0;
    for (int record = 1; m_result->SetCurrRecord(record, true); ++record) {
        const int row = Common::ToLong(m_result->GetFieldVal(1));
        if (!current || row != previousRow) {
            current = QSharedPointer<KLVEditFieldList>::create();
            current->SetRow(row);
            rows.append(current);
            nameIndex = 0;
        } else {
            ++nameIndex;
        }
        previousRow = row;
        if (allFields)
            current->AddField(BuildEditField(m_result->GetFieldVal(2)));
        else if (nameIndex < fieldList.size())
            current->AddField(BuildEditField(fieldList[nameIndex]));
        // A row answering more fields than were asked for: the extra ones have no name here.
    }
    return rows;
}

KLVEditFieldListArray KLVEditor::GetEditRows(const QString& FieldList, const QString& RowSpec)
{
    return LoadEditRows(Common::SplitList(FieldList), RowSpec);
}

KLVEditFieldListArray KLVEditor::GetEditRowsA(const QStringList& FieldList, const QString& RowSpec)
{
    return LoadEditRows(FieldList, RowSpec);
}

// ---------------------------------------------------------------------------------------------
// Edit objects

bool KLVEditor::HasTablePartCompat()
{
    if (versionAtLeast(u"3.03"_s))
        return HasTablePart();
    return GetRowCount() >= 1;
}

void KLVEditor::BuildEditObjectRows(KLVEditObject& object, const QStringList& tableNames)
{
    const int count = GetRowCount();
    if (count > 0) {
        const KLVEditFieldListArray rows = LoadEditRows(tableNames, u"*"_s);
        for (qsizetype i = 0; i < std::min<qsizetype>(count, rows.size()); ++i)
            object.AddRowFieldList(rows[i]);
    }
    // Also when the rows could not be read: the object has a table part.
    if (!object.HasTablePart())
        object.InitRows(tableNames, 0);
}

void KLVEditor::BuildEditObjectRowsByRow(KLVEditObject& object, const QStringList& tableNames)
{
    QSharedPointer<KLVEditFieldList> list = GetEditFieldListA(tableNames, 1);
    if (!list)
        return;
    object.InitRows(list->FieldNames(), 0);
    object.AddRowFieldList(list);
    const int count = GetRowCount();
    for (int row = 2; row <= count; ++row) {
        list = GetEditFieldListA(tableNames, row);
        if (!list)
            break;
        object.AddRowFieldList(list);
    }
}

QSharedPointer<KLVEditObject> KLVEditor::CreateEditObjectA(const QStringList& HeaderFieldList,
                                                           const QVariant& TableFieldList, int RowNumber)
{
    auto object = QSharedPointer<KLVEditObject>::create();
    object->InitHeadFromNames(HeaderFieldList);
    QStringList tableNames;
    if (stringListFrom(TableFieldList, tableNames))
        object->InitRows(tableNames, RowNumber);
    return object;
}

QSharedPointer<KLVEditObject> KLVEditor::CreateEditObjectL(const QSharedPointer<KLVEditFieldList>& HeaderFieldList,
                                                           const QVariant& TableFieldList, int RowNumber)
{
    auto object = QSharedPointer<KLVEditObject>::create();
    object->InitHead(HeaderFieldList);
    QStringList tableNames;
    if (stringListFrom(TableFieldList, tableNames))
        object->InitRows(tableNames, RowNumber);
    return object;
}

QSharedPointer<KLVEditObject> KLVEditor::GetEditObject(const QString& HeaderFieldList, const QVariant& TableFieldList)
{
    const QStringList header = Common::SplitList(HeaderFieldList);
    if (TableFieldList.typeId() == QMetaType::QString && HasTablePartCompat())
        return GetEditObjectA(header, QVariant(Common::SplitList(TableFieldList.toString())));
    return GetEditObjectA(header, QVariant());
}

QSharedPointer<KLVEditObject> KLVEditor::GetEditObjectA(const QStringList& HeaderFieldList,
                                                        const QVariant& TableFieldList)
{
    Common::CallTrace trace("Editor.", "GetEditObjectA");
    ClearLastError();
    QSharedPointer<KLVEditFieldList> head = GetEditFieldListA(HeaderFieldList, 0);
    if (!head)
        return {};
    auto object = QSharedPointer<KLVEditObject>::create();
    object->InitHead(head);
    QStringList tableNames;
    if (stringListFrom(TableFieldList, tableNames) && HasTablePartCompat()) {
        if (versionAtLeast(u"3.06"_s))
            BuildEditObjectRows(*object, tableNames);
        else
            BuildEditObjectRowsByRow(*object, tableNames);
    }
    return object;
}

QSharedPointer<KLVEditObject> KLVEditor::RefreshEditObject(const QSharedPointer<KLVEditObject>& EditObject)
{
    if (!EditObject) {
        ClearLastError();
        return {};
    }
    const QVariant tableNames = EditObject->HasTablePart() ? QVariant(EditObject->TableFieldNames()) : QVariant();
    return GetEditObjectA(EditObject->HeaderFieldNames(), tableNames);
}

QSharedPointer<KLVEditObject> KLVEditor::UpdateEditObject(const QSharedPointer<KLVEditObject>& EditObject, bool Reload)
{
    Common::CallTrace trace("Editor.", "UpdateEditObject");
    ClearLastError();
    if (!EditObject)
        return {};
    // Each step starts with a clean last error; the first failure is what the caller sees.
    QSharedPointer<KLVError> firstError;
    const auto note = [&](bool ok) {
        if (!ok && !firstError)
            firstError = m_lastError;
        return ok;
    };

    note(updateFields(*EditObject->GetFields(0)));

    ClearLastError();
    QString count;
    // Without the server's row count, inserting rows would put them at a guess.
    if (note(readTAStatus(u"NUMROWS"_s, count))) {
        const int serverRows = leadingNumber(count);
        for (int row = 1; row <= EditObject->RowCount(); ++row) {
            // A row that could not be inserted shifts every later one: stop there.
            if (serverRows < row && !note(InsertRow(row)))
                break;
            ClearLastError();
            note(updateFields(*EditObject->GetFields(row)));
        }
    }

    QSharedPointer<KLVEditObject> result = Reload ? RefreshEditObject(EditObject) : EditObject;
    if (firstError)
        m_lastError = firstError;
    return result;
}
