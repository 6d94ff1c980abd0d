#pragma once

#include <QString>

// The protocol log the session writes when logging is on. The session opens it itself and
// runs without a log when it cannot, telling nobody; the viewer asks here first, so that the
// user learns why there is no log.
class ProtocolLogFile
{
public:
    // Why the session could not open path as its log ("" when it can): the system's reason,
    // or that it is not a file of the user's own. The session takes only a regular file of the
    // user's that is no link, and makes it when it is not there; so does this check.
    static QString Problem(const QString& path);
};
