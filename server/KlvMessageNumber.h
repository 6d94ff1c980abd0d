#pragma once

// Numbers of the server's own messages in E and NAK lines.
namespace KlvMessageNumber {
constexpr int UnknownCommand = 1001;
constexpr int NotLoggedOn = 1002;
constexpr int UnknownMandant = 1003;
constexpr int LogonRefused = 1004;
constexpr int UnknownOption = 1005;
constexpr int InvalidValue = 1006;
constexpr int ReadOnlyOption = 1007;
constexpr int TransactionState = 1008;
constexpr int Locked = 1009;
constexpr int InvalidLock = 1010;
constexpr int RequestBroken = 1011;
constexpr int MissingField = 1012;
constexpr int UnknownTransaction = 1013;
constexpr int AlreadyLoggedOn = 1014;
constexpr int LockWait = 1015;
constexpr int LineTooLong = 1016;
constexpr int Greeting = 2797;
} // namespace KlvMessageNumber
