#pragma once

#include "KlvAction.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

// What a test script does in answer to one received line. The steps run in the order they
// were given, after the script returns.
class KlvScriptReply
{
public:
    void sendLine(const QString& line);    // encoded in the connection's current character set, line end added
    void sendRaw(const QByteArray& bytes); // exact bytes (split lines, bad encodings, partial lines)
    void delay(int ms);                    // pause before the actions that follow
    void close();                          // close the connection after the actions before it
    void defaultAnswer();                  // the server's normal answer to the line, at this point

    bool isEmpty() const { return m_actions.empty(); }
    std::vector<KlvAction> takeActions();

private:
    std::vector<KlvAction> m_actions;
};

// Called in the server's thread for every complete line received (before the normal
// handling) and once per new connection with an empty line and isGreeting true, so the
// greeting can be scripted. Returning false means "not handled": the server answers as usual.
using KlvScript = std::function<bool(int connectionId, const QString& line, bool isGreeting, KlvScriptReply& reply)>;
