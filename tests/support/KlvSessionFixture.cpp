#include "KlvSessionFixture.h"

#include "Common.h"
#include "KLV.h"
#include "KLVQuery.h"

using namespace Qt::StringLiterals;

void KlvSessionFixture::SetUp()
{
    KlvServerFixture::SetUp();
    Common::InitMessageLanguage(9);
    session = QSharedPointer<KLV>::create();
    ASSERT_TRUE(logOn(*session)) << session->GetLastError().toStdString();
    query = session->CreateQuery();
    server().clearReceived();
}

void KlvSessionFixture::TearDown()
{
    server().setScript({});
    query.reset();
    session.reset();
    KlvServerFixture::TearDown();
}

bool KlvSessionFixture::logOn(KLV& other)
{
    return other.BeginSession(u"127.0.0.1"_s, port(), u"100"_s, u"secret"_s);
}
