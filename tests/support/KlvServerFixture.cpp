#include "KlvServerFixture.h"

#include <atomic>

void KlvServerFixture::SetUp()
{
    m_server = std::make_unique<KlvServer>(serverOptions());
    ASSERT_TRUE(m_server->start()) << m_server->errorString().toStdString();
}

void KlvServerFixture::TearDown()
{
    m_server.reset();
}

void KlvServerFixture::answerOnce(const QString& prefix, std::function<void(KlvScriptReply&)> script)
{
    auto done = std::make_shared<std::atomic_bool>(false);
    m_server->setScript([=](int, const QString& line, bool greeting, KlvScriptReply& reply) {
        if (greeting || !line.startsWith(prefix) || done->exchange(true))
            return false;
        script(reply);
        return true;
    });
}

void KlvServerFixture::answerOnce(const QString& prefix, const QStringList& lines)
{
    answerOnce(prefix, [lines](KlvScriptReply& reply) {
        for (const QString& line : lines)
            reply.sendLine(line);
    });
}

QStringList column(const QList<QStringList>& rows, int n)
{
    QStringList values;
    for (const QStringList& row : rows)
        values.append(row.value(n - 1));
    return values;
}
