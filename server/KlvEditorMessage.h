#pragma once

#include <QString>
#include <QStringList>

// Numbers and texts of the editor's own refusals in E and NAK lines. The sample ERP's
// messages (unknown database, record not found, values it cannot read) keep their numbers
// from KlvErpMessage.
namespace KlvEditorMessage {
constexpr int NoTransaction = 1201;
constexpr int TransactionEnded = 1202;
constexpr int ReadOnly = 1203;
constexpr int NotModifiable = 1204;
constexpr int RecordLocked = 1205;
constexpr int AlreadyOpen = 1206;
constexpr int NotEditable = 1207;
constexpr int NoTablePart = 1208;
constexpr int NoSuchRow = 1209;
constexpr int BadRowSelection = 1210;
constexpr int UnknownAction = 1211;
constexpr int UnknownStatus = 1212;
constexpr int NotAText = 1213;
constexpr int SubOpen = 1214;
constexpr int NotASubscreen = 1215;
constexpr int ParentRowGone = 1216;
constexpr int UnknownRefType = 1217;
constexpr int NoReference = 1218;
constexpr int DeletionNotReloaded = 1219;
constexpr int NoNewGroup = 1220;
constexpr int MissingTarget = 1221;
constexpr int WaitingForRecord = 1222;
constexpr int UnknownCommand = 1223;
constexpr int RecordGone = 1224;
constexpr int TooManyDecimals = 1225;
constexpr int UnknownGroup = 1226;
constexpr int InfosystemFailed = 1227; // the text is the run's own

// The text of an editor message in the session's language ("D" German, "E" English), with
// %1.. filled in; empty for a number that is not the editor's.
QString text(int number, const QString& lang, const QStringList& args = {});
} // namespace KlvEditorMessage
