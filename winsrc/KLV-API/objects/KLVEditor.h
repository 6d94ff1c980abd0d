#pragma once

// One edit transaction at the server: creating, changing, deleting, showing or otherwise
// working on one data object. The session makes editors (KLV::CreateEditor); a Begin
// operation opens the transaction, the field, free-text and row operations work inside it,
// and EndEditSave or EndEditCancel end it. Every request goes through the editor's own
// result set on the session's connection and carries the editor's transaction id.
//
// Rows are addressed in two forms: a row number (0 the head, n table row n), or, in the
// members whose names end in "2" (and a few others that say so), a row selection text that
// goes to the server unchanged ("*" all rows).
//
// Arrays are QStringList / QList with element 0 standing for entry 1.
//
// Like every class of the library, used from one thread: the one it was made in (debug
// builds stop at a command or a move of the record pointer called from another).

#include "KLVEnums.h"
#include "KLVError.h"
#include "KLVMessageCollectors.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

class KLV;
class KLVBoundEditField;
class KLVCmdBuilder;
class KLVEditField;
class KLVEditFieldList;
class KLVEditObject;
class KLVResultSet;
class KLVSockComm;

using KLVEditFieldListArray = QList<QSharedPointer<KLVEditFieldList>>;

class KLVEditor : public QObject, public QEnableSharedFromThis<KLVEditor>
{
    Q_OBJECT
    Q_PROPERTY(QSharedPointer<KLVMessageCollector> ErrorMessageCollector READ ErrorMessageCollector WRITE
                   setErrorMessageCollector)
    Q_PROPERTY(QSharedPointer<KLVMessageCollector> StatusMessageCollector READ StatusMessageCollector WRITE
                   setStatusMessageCollector)
    Q_PROPERTY(QSharedPointer<KLVMessageCollector> TextMessageCollector READ TextMessageCollector WRITE
                   setTextMessageCollector)

public:
    explicit KLVEditor(QObject* parent = nullptr);
    ~KLVEditor() override;

    // Beginning a transaction: true when the server opened it.
    Q_INVOKABLE bool BeginEditNew(const QString& DatabaseName, const QString& GroupName = QString());
    Q_INVOKABLE bool BeginEditNewCopy(const QString& TemplateRefID, const QString& DatabaseName = QString());
    Q_INVOKABLE bool BeginEdit(const QString& RefID, const QString& DatabaseName = QString());
    Q_INVOKABLE bool BeginDelete(const QString& RefID, const QString& DatabaseName = QString());
    Q_INVOKABLE bool BeginView(const QString& RefID, const QString& DatabaseName = QString());
    // Ending it.
    Q_INVOKABLE bool EndEditSave();
    Q_INVOKABLE bool EndEditCancel();

    Q_INVOKABLE bool SetFieldVal(const QString& FieldName, const QString& FieldVal, int Row = 0);
    Q_INVOKABLE QString GetFieldVal(const QString& FieldName, int Row = 0);
    Q_INVOKABLE QString GetOldFieldVal(const QString& FieldName, int Row = 0);
    Q_INVOKABLE bool ResetFieldVal(const QString& FieldName, int Row = 0);
    Q_INVOKABLE bool FieldIsModified(const QString& FieldName, int Row = 0);
    Q_INVOKABLE bool InsertRow(int RowNumber);
    Q_INVOKABLE bool DeleteRow(int RowNumber);
    Q_INVOKABLE bool MoveRow(int FromRow, int ToRow);
    Q_INVOKABLE int GetRowCount();
    Q_INVOKABLE bool IsModified();
    Q_INVOKABLE QString GetEditRef();
    Q_INVOKABLE QString GetEditID();
    Q_INVOKABLE QString GetLastError() const;
    Q_INVOKABLE QSharedPointer<KLV> Session() const;
    // Goes out at once without waiting, also while another request of the editor waits.
    Q_INVOKABLE void Break();
    // Free texts go to the server in pieces of 2000 characters.
    Q_INVOKABLE bool SetFText(const QString& FieldName, const QString& FText, int Row = 0);
    Q_INVOKABLE bool SetFTextFromFile(const QString& FieldName, const QString& FileName, int Row = 0);
    // ReadLength 0 reads the whole text. The last error is cleared first: an error after the
    // call means the text was cut short.
    Q_INVOKABLE QString GetFText(const QString& FieldName, int Row = 0, int ReadLength = 0);
    Q_INVOKABLE bool GetFTextIntoFile(const QString& FieldName, const QString& FileName, int Row = 0);
    Q_INVOKABLE bool FieldIsModifiable(const QString& FieldName, int Row = 0);
    Q_INVOKABLE QString GetFieldTAVArt(const QString& FieldName, int Row = 0);
    Q_INVOKABLE QSharedPointer<KLVEditField> GetEditField(const QString& FieldName, int Row = 0);
    // An empty list (or one empty name) reads every field of the row.
    Q_INVOKABLE QSharedPointer<KLVEditFieldList> GetEditFieldListA(const QStringList& FieldList, int Row = 0);
    // FieldList: names joined by ",".
    Q_INVOKABLE QSharedPointer<KLVEditFieldList> GetEditFieldList(const QString& FieldList = QString(), int Row = 0);
    // Sends nothing.
    Q_INVOKABLE QSharedPointer<KLVEditFieldList> CreateEditFieldListA(const QStringList& FieldList, int Row = 0);
    // A new list read from the server; the given one stays as it is.
    Q_INVOKABLE QSharedPointer<KLVEditFieldList>
    RefreshEditFieldList(const QSharedPointer<KLVEditFieldList>& FieldList);
    // Sends every new value of the list in one batch. The new values are cleared only when
    // the server took them all. Reload: returns the list read again (null on failure);
    // otherwise the given list.
    Q_INVOKABLE QSharedPointer<KLVEditFieldList> UpdateEditFields(const QSharedPointer<KLVEditFieldList>& FieldList,
                                                                  bool Reload = false);
    // Throws KLVRuntimeError (subscript out of range) for an EditAction or EditRefType outside
    // its enumeration, before anything is sent.
    Q_INVOKABLE bool BeginEditOperation(KLVActiveX::Edit_Action EditAction, const QString& DatabaseName,
                                        const QString& GroupName, KLVActiveX::Edit_RefType EditRefType,
                                        const QString& EditRefID);
    Q_INVOKABLE bool BeginEditCmd(const QString& EditCmd, const QString& CmdArgs);
    // True while the server reports an open edit transaction.
    Q_INVOKABLE bool IsActive();
    // A field with NewValue as its new value (also when empty); sends nothing.
    Q_INVOKABLE QSharedPointer<KLVEditField> CreateEditField(const QString& FieldName, int Row = 0,
                                                             const QString& NewValue = QString());
    QSharedPointer<KLVMessageCollector> ErrorMessageCollector() const { return m_collectors.error; }
    void setErrorMessageCollector(const QSharedPointer<KLVMessageCollector>& c) { m_collectors.error = c; }
    QSharedPointer<KLVMessageCollector> StatusMessageCollector() const { return m_collectors.status; }
    void setStatusMessageCollector(const QSharedPointer<KLVMessageCollector>& c) { m_collectors.status = c; }
    QSharedPointer<KLVMessageCollector> TextMessageCollector() const { return m_collectors.text; }
    void setTextMessageCollector(const QSharedPointer<KLVMessageCollector>& c) { m_collectors.text = c; }
    // TableFieldList, when it holds a QStringList, gives the object a table part with RowNumber
    // empty rows. Both send nothing.
    Q_INVOKABLE QSharedPointer<KLVEditObject> CreateEditObjectA(const QStringList& HeaderFieldList,
                                                                const QVariant& TableFieldList = QVariant(),
                                                                int RowNumber = 0);
    Q_INVOKABLE QSharedPointer<KLVEditObject> CreateEditObjectL(const QSharedPointer<KLVEditFieldList>& HeaderFieldList,
                                                                const QVariant& TableFieldList = QVariant(),
                                                                int RowNumber = 0);
    // Names joined by ","; TableFieldList, when it holds a text, names the table fields.
    Q_INVOKABLE QSharedPointer<KLVEditObject> GetEditObject(const QString& HeaderFieldList = QString(),
                                                            const QVariant& TableFieldList = QVariant());
    // TableFieldList, when it holds a QStringList, names the table fields to read.
    Q_INVOKABLE QSharedPointer<KLVEditObject> GetEditObjectA(const QStringList& HeaderFieldList,
                                                             const QVariant& TableFieldList = QVariant());
    Q_INVOKABLE QSharedPointer<KLVEditObject> RefreshEditObject(const QSharedPointer<KLVEditObject>& EditObject);
    // Sends the new values of the head and of every row, inserting the rows the server lacks.
    // The first failure stays the last error.
    Q_INVOKABLE QSharedPointer<KLVEditObject> UpdateEditObject(const QSharedPointer<KLVEditObject>& EditObject,
                                                               bool Reload = false);
    Q_INVOKABLE bool HasTablePart();
    Q_INVOKABLE int GetRowFromRowSpec(const QString& RowSpec);
    Q_INVOKABLE QSharedPointer<KLVEditField> GetEditField2(const QString& FieldName,
                                                           const QString& RowSpec = QString());
    Q_INVOKABLE QSharedPointer<KLVEditFieldList> GetEditFieldListA2(const QStringList& FieldList,
                                                                    const QString& RowSpec = QString());
    Q_INVOKABLE QSharedPointer<KLVEditFieldList> GetEditFieldList2(const QString& FieldList,
                                                                   const QString& RowSpec = QString());
    Q_INVOKABLE bool InsertRow2(const QString& RowSpec = QString());
    Q_INVOKABLE bool DeleteRows(const QString& RowSpec);
    Q_INVOKABLE bool DeleteAllRows();
    // A QVariant holding a bool.
    Q_INVOKABLE QVariant MoveRows(const QString& FromRows, const QString& ToRow);
    Q_INVOKABLE bool BeginEditOperationM(KLVActiveX::Edit_Action EditAction, const QString& DatabaseName,
                                         const QString& GroupName, KLVActiveX::Edit_RefType EditRefType,
                                         const QString& EditRefID, const QString& MenuChoice = QString(),
                                         const QString& AppParam = QString());
    Q_INVOKABLE QString GetFieldKLVType(const QString& FieldName, int Row = 0);
    Q_INVOKABLE int GetFieldLength(const QString& FieldName, int Row = 0);
    Q_INVOKABLE bool FieldIsSkip(const QString& FieldName, int Row = 0);
    // A new editor on a sub-screen of this one's object; null when the server refuses.
    Q_INVOKABLE QSharedPointer<KLVEditor> OpenSubEditor(const QString& SubeditButton,
                                                        const QString& RowSpec = QString());
    // One list per row of the answer. FieldList: names joined by ",".
    Q_INVOKABLE KLVEditFieldListArray GetEditRows(const QString& FieldList, const QString& RowSpec);
    Q_INVOKABLE KLVEditFieldListArray GetEditRowsA(const QStringList& FieldList, const QString& RowSpec);
    // IsInitialValue: set the value only if the field has not been set yet.
    Q_INVOKABLE bool SetFieldValI(const QString& FieldName, const QString& FieldVal, int Row = 0,
                                  bool IsInitialValue = false);
    // Sends nothing; a missing value counts as empty.
    Q_INVOKABLE QSharedPointer<KLVEditFieldList> CreateEditFieldListAW(const QStringList& FieldList,
                                                                       const QStringList& FieldValues, int Row = 0);
    Q_INVOKABLE bool IsSubEditor() const;
    Q_INVOKABLE QSharedPointer<KLVEditor> GetParentEditor() const;
    Q_INVOKABLE bool SetFieldVal2(const QString& FieldName, const QString& FieldVal,
                                  const QString& RowSpec = QString());
    Q_INVOKABLE bool SetFieldValI2(const QString& FieldName, const QString& FieldVal,
                                   const QString& RowSpec = QString(), bool IsInitialValue = false);
    Q_INVOKABLE bool SetFText2(const QString& FieldName, const QString& FText, const QString& RowSpec = QString());
    Q_INVOKABLE bool SetFTextFromFile2(const QString& FieldName, const QString& FileName,
                                       const QString& RowSpec = QString());
    Q_INVOKABLE QString GetFieldVal2(const QString& FieldName, const QString& RowSpec = QString());
    Q_INVOKABLE QString GetFText2(const QString& FieldName, const QString& RowSpec = QString(), int ReadLength = 0);
    Q_INVOKABLE bool GetFTextIntoFile2(const QString& FieldName, const QString& FileName,
                                       const QString& RowSpec = QString());
    Q_INVOKABLE QString GetOldFieldVal2(const QString& FieldName, const QString& RowSpec = QString());
    Q_INVOKABLE bool ResetFieldVal2(const QString& FieldName, const QString& RowSpec = QString());
    Q_INVOKABLE bool FieldIsModified2(const QString& FieldName, const QString& RowSpec = QString());
    Q_INVOKABLE bool FieldIsModifiable2(const QString& FieldName, const QString& RowSpec = QString());
    Q_INVOKABLE QString GetFieldTAVArt2(const QString& FieldName, const QString& RowSpec = QString());
    Q_INVOKABLE QString GetFieldKLVType2(const QString& FieldName, const QString& RowSpec = QString());
    Q_INVOKABLE int GetFieldLength2(const QString& FieldName, const QString& RowSpec = QString());
    Q_INVOKABLE bool FieldIsSkip2(const QString& FieldName, const QString& RowSpec = QString());
    Q_INVOKABLE int GetCurrentRow();
    Q_INVOKABLE QString GetEditorStatus(const QString& StatusName);
    // Saves and loads the object again into this editor.
    Q_INVOKABLE bool SaveReload();
    Q_INVOKABLE KLVActiveX::KLV_ScreenProtection GetFieldScrProtection(const QString& FieldName, int Row = 0);
    Q_INVOKABLE KLVActiveX::KLV_ScreenProtection GetFieldScrProtection2(const QString& FieldName,
                                                                        const QString& RowSpec = QString());
    Q_INVOKABLE QString GetFieldPrioDisp(const QString& FieldName, int Row = 0);
    Q_INVOKABLE QString GetFieldPrioDisp2(const QString& FieldName, const QString& RowSpec = QString());
    Q_INVOKABLE QString GetFieldPrioEdit(const QString& FieldName, int Row = 0);
    Q_INVOKABLE QString GetFieldPrioEdit2(const QString& FieldName, const QString& RowSpec = QString());
    Q_INVOKABLE bool FieldIsCustom(const QString& FieldName, int Row = 0);
    Q_INVOKABLE bool FieldIsCustom2(const QString& FieldName, const QString& RowSpec = QString());
    Q_INVOKABLE bool FieldIsAlias(const QString& FieldName, int Row = 0);
    Q_INVOKABLE bool FieldIsAlias2(const QString& FieldName, const QString& RowSpec = QString());
    // A field that can write itself back; it holds a null field when reading it failed.
    Q_INVOKABLE QSharedPointer<KLVBoundEditField> GetBoundEditField(const QString& FieldName,
                                                                    const QString& RowSpec = QString());
    Q_INVOKABLE QString GetEditDatabaseNr();
    Q_INVOKABLE QString GetEditGroupNr();
    Q_INVOKABLE QString GetEditScreenNr();
    Q_INVOKABLE QString GetEditPrio();
    Q_INVOKABLE KLVActiveX::KLV_UpdateMode GetUpdateMode();
    Q_INVOKABLE bool SetUpdateMode(KLVActiveX::KLV_UpdateMode Mode);
    // The row mode of the edit action "STORE".
    Q_INVOKABLE KLVActiveX::KLV_StoreRowMode GetStoreRowMode();
    Q_INVOKABLE bool SetStoreRowMode(KLVActiveX::KLV_StoreRowMode Mode);
    Q_INVOKABLE QString GetEditorOption(const QString& OptionName);
    Q_INVOKABLE bool SetEditorOption(const QString& OptionName, const QString& Value);
    // Whether too long input into text fields is cut.
    Q_INVOKABLE bool IsTruncateTextValues();
    Q_INVOKABLE bool SetTruncateTextValues(bool Mode);
    // Whether real numbers are rounded automatically.
    Q_INVOKABLE bool IsAutoround();
    Q_INVOKABLE bool SetAutoround(bool Mode);
    // Errors recorded from now on carry ContextStr; the server gets it too.
    Q_INVOKABLE bool SetMessageContext(const QString& ContextStr);
    Q_INVOKABLE QString GetMessageContext();
    Q_INVOKABLE QSharedPointer<KLVError> GetLastKLVError() const { return m_lastError; }

    // Library-internal.
    void SetConnection(KLVSockComm* connection);
    void SetSession(KLV* session);
    QSharedPointer<KLVEditor> ParentEditor() const { return m_parentEditor; }
    void setParentEditor(const QSharedPointer<KLVEditor>& parent) { m_parentEditor = parent; }
    QString EditTID() const { return m_editTid; }
    void setEditTID(const QString& tid) { m_editTid = tid; }
    static QString RefTypeKeyword(const QString& database);
    static KLV_ScreenProtection ScrProtectionFromText(const QString& text);
    // The field's property row as the result set's current record; false when the field is
    // unknown to the server or the request failed (the last error says which). Throws
    // KLVRuntimeError 31 for an empty field name.
    bool GetFieldProperty(const QString& fieldName, const QString& rowSpec);
    // Column n of the field's property row; empty when there is none.
    QString GetFieldPropertyColumn(const QString& rowSpec, const QString& fieldName, int column);
    // A field made from the result set's current property row.
    QSharedPointer<KLVEditField> BuildEditField(const QString& name) const;
    KLVResultSet* resultSet() const { return m_result; }
    bool messageReporting() const { return m_messageReporting; }

Q_SIGNALS:
    void ErrorMessage(QString& MessageText, int& MessageNumber, int& MessageFldRow, QString& MessageFldName);
    void StatusMessage(QString& MessageText, int& MessageNumber);
    void TextMessage(QString Message);
    void MessageReceived(QSharedPointer<KLVMessage>& Message);

private:
    KLVCmdBuilder& builder();
    void ClearLastError();
    void SetApiError(const QString& message, int number, const QString& context, const KLVMessageList& messages = {});
    void setApiErrorCode(int code);
    void setFileError(int code, const QString& description);
    void takeCurrentError();
    bool hasLastError() const;
    // Sends line with tid and reads its answer; on failure the result set's error becomes
    // the last error.
    bool request(const QString& line, const QString& tid);
    bool request(const QString& line) { return request(line, m_editTid); }
    bool ExecuteBeginCommand(const QString& line);
    QString GetTAStatus(const QString& key);
    // False when the request failed or its answer held no record.
    bool readTAStatus(const QString& key, QString& value);
    // The server's text as an integer: empty gives 0, other text that is no number gives 0
    // and records an unexpected answer.
    int integerFromAnswer(const QString& text);
    bool SendFText(const QString& fieldName, const QString& text, const QString& rowSpec, bool sendEmpty);
    // One piece of a free text; false when the request failed or its answer held no record.
    bool DoGetFText(const QString& fieldName, const QString& rowSpec, QString& piece, int length, bool first);
    static QString JoinFieldList(const QStringList& names);
    KLVEditFieldListArray LoadEditRows(const QStringList& fieldList, const QString& rowSpec);
    void BuildEditObjectRows(KLVEditObject& object, const QStringList& tableNames);
    void BuildEditObjectRowsByRow(KLVEditObject& object, const QStringList& tableNames);
    bool HasTablePartCompat();
    bool versionAtLeast(const QString& version) const;
    // Sends the list's new values; true when there was nothing to send or the server took
    // them all.
    bool updateFields(KLVEditFieldList& list);
    QSharedPointer<KLVEditor> newSiblingEditor() const;
    void routeMessage(const QSharedPointer<KLVMessage>& message);

    QString m_editTid = QStringLiteral("0");
    QSharedPointer<KLVError> m_lastError;
    bool m_messageReporting = true;
    KLVSockComm* m_connection = nullptr;
    // The session stays alive while an editor of it lives; the weak pointer also covers a
    // session that no shared pointer owns.
    QPointer<KLV> m_session;
    QSharedPointer<KLV> m_sessionRef;
    bool m_hadSession = false;
    QSharedPointer<KLVEditor> m_parentEditor;
    KLVCmdBuilder* m_builder = nullptr;
    KLVResultSet* m_result;
    KLVMessageCollectors m_collectors;
};
