#pragma once

#include "KlvServer.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// A GoogleTest fixture with a running stand-in server on 127.0.0.1 and a free port.
// Override serverOptions() to start it differently.
class KlvServerFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;
    virtual KlvServerOptions serverOptions() const { return {}; }

    KlvServer& server() { return *m_server; }
    quint16 port() const { return m_server->port(); }

    // Answers the first line that starts with prefix by script, the rest as the server does.
    void answerOnce(const QString& prefix, std::function<void(KlvScriptReply&)> script);
    // The same with the given lines.
    void answerOnce(const QString& prefix, const QStringList& lines);

private:
    std::unique_ptr<KlvServer> m_server;
};

// Field n (from 1) of every record; "" where a record is shorter.
QStringList column(const QList<QStringList>& rows, int n);
