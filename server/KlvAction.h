#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// One step of what a connection does in answer to a line. A test script's reply and a
// command handler's answer are both lists of these, run in order by the connection.
struct KlvAction
{
    enum class Kind {
        SendLine,      // text, encoded in the connection's character set at the time it goes out
        SendRaw,       // bytes exactly as given
        Delay,         // pause for ms before the next step; BRQ cuts it short
        Close,         // close the connection once everything before it is written
        DefaultAnswer, // the server's normal answer to the line being answered
        Call,          // run call at this point (e.g. switch the character set after the ACK)
        Wait,          // try attempt now and on every wake-up until it returns true; after ms
                       // (when not negative) run call instead; BRQ cuts it short
    };

    Kind kind = Kind::SendLine;
    QString text;
    QByteArray bytes;
    int ms = 0;
    std::function<void()> call;
    std::function<bool()> attempt;

    static KlvAction sendLine(const QString& line) { return {Kind::SendLine, line, {}, 0, {}, {}}; }
    static KlvAction sendRaw(const QByteArray& bytes) { return {Kind::SendRaw, {}, bytes, 0, {}, {}}; }
    static KlvAction delay(int ms) { return {Kind::Delay, {}, {}, ms, {}, {}}; }
    static KlvAction close() { return {Kind::Close, {}, {}, 0, {}, {}}; }
    static KlvAction defaultAnswer() { return {Kind::DefaultAnswer, {}, {}, 0, {}, {}}; }
    static KlvAction callback(std::function<void()> fn) { return {Kind::Call, {}, {}, 0, std::move(fn), {}}; }
    static KlvAction wait(std::function<bool()> attempt, int timeoutMs, std::function<void()> onTimeout)
    {
        return {Kind::Wait, {}, {}, timeoutMs, std::move(onTimeout), std::move(attempt)};
    }
};
