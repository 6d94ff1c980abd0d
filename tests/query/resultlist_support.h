#pragma once

// What the result list's widget tests share: the query window's wiring of a header click to
// the shell's sort, a click on a column's header as the user gives it, and the stand-in
// server's generated readings read into a list.

#include "Common.h"
#include "KLV.h"
#include "KLVQuery.h"
#include "KlvServer.h"
#include "ListViewHelpers.h"
#include "ResultFill.h"
#include "ResultListView.h"
#include "UserInput.h"

#include <QHeaderView>
#include <QSharedPointer>
#include <QTest>

#include <memory>

namespace ResultListTest {

// As the query window wires its result list: a click on a column's header sorts by it.
inline void sortOnHeaderClicks(ResultListView* view)
{
    QObject::connect(view->horizontalHeader(), &QHeaderView::sectionClicked, view,
                     [view](int section) { ListViewHelpers::SortListViewByColumn(view, section); });
}

using UserInput::clickHeader;

// The server's generated table "90:1" (record n: "nummer" n, "name" "Messwert n", "datum"
// and "betrag" made from n), read through a library session into a result list.
class Readings
{
public:
    explicit Readings(int rows)
    {
        KlvServerOptions options;
        options.generatedRows = rows;
        m_server = std::make_unique<KlvServer>(options);
    }

    ~Readings()
    {
        if (m_session)
            m_session->EndSession();
        m_server->stop();
    }

    // The fields as the list's columns (key, tag and caption from the name), then every record.
    bool read(ResultListView* view, const QStringList& fields)
    {
        if (!m_server->start())
            return false;
        Common::InitMessageLanguage(9);
        m_session = QSharedPointer<KLV>::create();
        if (!m_session->BeginSession(QStringLiteral("127.0.0.1"), m_server->port(), QStringLiteral("100"),
                                     QStringLiteral("secret")))
            return false;
        for (const QString& field : fields)
            view->addColumn(field + QStringLiteral("#0#S"), QStringLiteral("0:") + field, field, 1440);
        QSharedPointer<KLVQuery> query = m_session->CreateQuery();
        // As the query window asks: with the fields' descriptions, whose types the fill reads.
        query->setDatasetSize(200);
        query->setEnableQueryMetaData(true);
        if (!query->StartQuery(QStringLiteral("90:1"), fields.join(u',') + QStringLiteral(",+id")))
            return false;
        ResultFill fill(view);
        return fill.run(query, view->columnCount()) > 0 && fill.lastError().isEmpty();
    }

private:
    std::unique_ptr<KlvServer> m_server;
    QSharedPointer<KLV> m_session;
};

} // namespace ResultListTest
