#pragma once

#include "KlvServerFixture.h"

#include <QSharedPointer>

class KLV;
class KLVQuery;

// A KlvServerFixture with a session of the library logged on to the server (Mandant "100",
// the library's texts in English) and a query of that session. The server's record of
// received lines starts after the logon; a script a test sets is taken away before the
// session ends.
class KlvSessionFixture : public KlvServerFixture
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Logs another session on as the fixture's own is; false with its error kept in it.
    bool logOn(KLV& other);

    QSharedPointer<KLV> session;
    QSharedPointer<KLVQuery> query;
};
