#include "KlvServerFixture.h"

void KlvServerFixture::SetUp()
{
    m_server = std::make_unique<KlvServer>(serverOptions());
    ASSERT_TRUE(m_server->start()) << m_server->errorString().toStdString();
}

void KlvServerFixture::TearDown()
{
    m_server.reset();
}
