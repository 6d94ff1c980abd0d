#pragma once

// Numbers of the sample ERP's own messages in E and NAK lines. Their texts, German and
// English, are in the dictionary "cc" of the data file (KlvErpData::serverText).
namespace KlvErpMessage {
constexpr int UnknownTable = 1101;
constexpr int UnknownField = 1102;
constexpr int UnknownKey = 1103;
constexpr int UnknownEnumeration = 1104;
constexpr int UnknownDatabase = 1105;
constexpr int NoSuchRecord = 1106;
constexpr int NoOpenQuery = 1107;
constexpr int BadSelection = 1108;
constexpr int KeyStorageKind = 1109;
constexpr int UnknownRefType = 1110;
constexpr int TypeMissing = 1111;
constexpr int NotANumber = 1112;
constexpr int NotADate = 1113;
constexpr int TooLong = 1114;
constexpr int NotAPosition = 1115;
constexpr int NoRecordFor = 1116;
constexpr int Negative = 1117;
constexpr int UnknownInfosystem = 1118;
constexpr int EmptyReference = 1119;
constexpr int TooManyDigits = 1120;
constexpr int NotABoolean = 1121;
constexpr int NotATime = 1122;
constexpr int BadMessageNumber = 1123;
constexpr int MissingParameter = 1124;
} // namespace KlvErpMessage
