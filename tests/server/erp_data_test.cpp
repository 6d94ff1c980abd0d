// The sample ERP as the server loads it: the data file, its value rules, the generated table,
// and the changes the editor makes.
#include "KlvErpData.h"
#include "KlvErpTemplate.h"
#include "KlvServer.h"

#include <QTemporaryDir>

#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// Failures show the texts, not their bytes.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
using Ref = KlvErpData::Ref;

namespace {
class ErpData : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(data.load(KlvErpData::builtInDataFile(), 1000)) << qPrintable(data.errorString());
    }
    KlvErpData data;
};

QString writeFile(const QTemporaryDir& dir, const QByteArray& text)
{
    const QString name = dir.filePath(u"erp.json"_s);
    QFile f(name);
    f.open(QIODevice::WriteOnly);
    f.write(text);
    return name;
}
} // namespace

TEST_F(ErpData, theBuiltInDataHoldsTheTablesTheBlockEdgesNeed)
{
    EXPECT_EQ(data.recordCount(1, 1), 120);
    EXPECT_EQ(data.recordCount(2, 1), 260);
    EXPECT_EQ(data.recordCount(3, 2), 0);
    EXPECT_EQ(data.recordCount(90, 1), 1000);
    EXPECT_EQ(data.value(Ref{1, 1, 1}, u"bemerk"_s).size(), 45000);
    EXPECT_TRUE(data.value(Ref{1, 1, 1}, u"bemerk"_s).contains(u'\n'));
    // Settings, templates and information-system definitions the viewer reads by number.
    EXPECT_EQ(data.value(Ref{12, 11, 1}, u"name"_s), u"admin");
    EXPECT_EQ(data.value(Ref{12, 11, 4}, u"bezeich"_s), QString());
    EXPECT_EQ(data.value(Ref{12, 24, 1}, u"num12"_s), u"1:1");
    EXPECT_EQ(data.infosystems().size(), 3);
    for (const char* name : {"A2", "A48", "A72", "A73", "A158", "A159"})
        EXPECT_TRUE(data.enumeration(QString::fromLatin1(name))) << name;
    EXPECT_EQ(data.messageText(u"cc"_s, 5406, u"D"_s), u"nummer");
}

TEST_F(ErpData, valueRulesMakeDeterministicRecordsAndFileRecordsOverrideThem)
{
    EXPECT_EQ(data.value(Ref{1, 1, 5}, u"nummer"_s), u"10005");
    EXPECT_EQ(data.value(Ref{1, 1, 5}, u"gruendung"_s), u"20040125"); // 1485 days after 2000-01-01
    EXPECT_EQ(data.value(Ref{1, 1, 1}, u"name"_s), u"Müller GmbH");
    EXPECT_EQ(data.value(Ref{1, 1, 2}, u"name"_s), u"Meier | Söhne \\ Partner");
    // Filed records by rule: every 20th customer.
    EXPECT_EQ(data.record(Ref{1, 1, 19})->alive, 2);
    EXPECT_EQ(data.record(Ref{1, 1, 20})->alive, 1);
    // Rows: article n has n % 4 rows.
    EXPECT_EQ(data.rowCount(Ref{2, 1, 7}), 3);
    EXPECT_EQ(data.value(Ref{2, 1, 7}, u"abmenge"_s, 2), u"20");
    EXPECT_EQ(data.rowCount(Ref{2, 1, 8}), 0);
    // An alias shows its field.
    EXPECT_EQ(data.value(Ref{1, 1, 7}, u"kundennr"_s), u"10007");
}

TEST(ErpTemplate, rulesExpandAndBadRulesSayWhy)
{
    QString error;
    EXPECT_EQ(KlvErpTemplate::expand(u"K{pad 4 n * 3}-{pick n:a|b|c}-{dec2 -5}"_s, 7, 0, &error), u"K0021-b--0.05");
    EXPECT_EQ(KlvErpTemplate::expand(u"{ref 2:1 (n + r) % 3}/{date 31}"_s, 4, 1, &error), u"(2,1,2)/20000201");
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(KlvErpTemplate::expand(u"{n / 0}"_s, 1, 0, &error), QString());
    EXPECT_FALSE(error.isEmpty());
    error.clear();
    KlvErpTemplate::expand(u"{n + }"_s, 1, 0, &error);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(KlvErpTemplate::text(1234, 3).size(), 1234);
}

TEST_F(ErpData, generatedRecordsAreMadeOnTheFlyAndCannotBeChanged)
{
    EXPECT_EQ(data.value(Ref{90, 1, 999}, u"nummer"_s), u"999");
    EXPECT_EQ(data.value(Ref{90, 1, 1001}, u"nummer"_s), QString());
    EXPECT_EQ(data.record(Ref{90, 1, 3})->head.value(u"kunde"_s), u"(1,1,4)");
    EXPECT_FALSE(data.setValue(Ref{90, 1, 3}, u"name"_s, u"x"_s));
    EXPECT_FALSE(data.deleteRecord(Ref{90, 1, 3}));
    EXPECT_FALSE(data.createRecord(90, 1, {}));
}

TEST_F(ErpData, createCopyChangeAndDeleteRecords)
{
    KlvErpData::Record values;
    values.head.insert(u"name"_s, u"Neukunde"_s);
    const std::optional<Ref> created = data.createRecord(1, 1, values);
    ASSERT_TRUE(created);
    EXPECT_EQ(*created, (Ref{1, 1, 121}));
    EXPECT_EQ(data.value(*created, u"nummer"_s), u"10121"); // next free number
    EXPECT_EQ(data.recordCount(1, 1), 121);

    const std::optional<Ref> copy = data.copyRecord(Ref{2, 1, 7});
    ASSERT_TRUE(copy);
    EXPECT_EQ(data.value(*copy, u"name"_s), data.value(Ref{2, 1, 7}, u"name"_s));
    EXPECT_NE(data.value(*copy, u"nummer"_s), data.value(Ref{2, 1, 7}, u"nummer"_s));
    EXPECT_EQ(data.rowCount(*copy), 3);

    EXPECT_TRUE(data.setValue(*created, u"ort"_s, u"Kiel"_s));
    EXPECT_EQ(data.value(*created, u"ort"_s), u"Kiel");
    EXPECT_TRUE(data.deleteRecord(*created));
    EXPECT_FALSE(data.record(*created));
    EXPECT_FALSE(data.deleteRecord(*created));
    // Numbers are never given out twice, even after a delete.
    EXPECT_EQ(data.createRecord(1, 1, {})->number, 122);
}

TEST_F(ErpData, rowsAreInsertedDeletedAndMoved)
{
    const Ref r{2, 1, 7}; // rows 10, 20, 30
    EXPECT_TRUE(data.insertRow(r, 2));
    EXPECT_EQ(data.rowCount(r), 4);
    EXPECT_EQ(data.value(r, u"abmenge"_s, 2), QString());
    EXPECT_TRUE(data.setValue(r, u"abmenge"_s, u"15"_s, 2));
    EXPECT_TRUE(data.moveRow(r, 4, 1));
    EXPECT_EQ(data.value(r, u"abmenge"_s, 1), u"30");
    EXPECT_EQ(data.value(r, u"abmenge"_s, 3), u"15");
    EXPECT_TRUE(data.deleteRow(r, 1));
    EXPECT_EQ(data.value(r, u"abmenge"_s, 1), u"10");
    EXPECT_FALSE(data.deleteRow(r, 4));
    EXPECT_FALSE(data.insertRow(r, 5));
    EXPECT_FALSE(data.moveRow(r, 1, 9));
    EXPECT_FALSE(data.insertRow(Ref{1, 1, 1}, 1)); // customers have no table part
}

TEST_F(ErpData, aRecordOpenedForChangeBelongsToOneOwner)
{
    const Ref r{1, 1, 3};
    EXPECT_TRUE(data.lockRecord(r, 1));
    EXPECT_TRUE(data.lockRecord(r, 1));
    EXPECT_FALSE(data.lockRecord(r, 2));
    EXPECT_EQ(data.holder(r), 1);
    data.unlockRecord(r, 2); // not the holder: nothing happens
    EXPECT_EQ(data.holder(r), 1);
    data.unlockAll(1);
    EXPECT_TRUE(data.lockRecord(r, 2));
}

TEST_F(ErpData, readersAndAWriterInOtherThreadsSeeWholeRecords)
{
    // The server's thread and a test's thread both use the data: a row is never seen half
    // inserted, and nothing breaks (the sanitizer build watches this).
    const Ref r{2, 1, 8}; // no rows at first
    std::atomic<bool> done{false};
    std::atomic<int> bad{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 3; ++i) {
        readers.emplace_back([&] {
            while (!done) {
                const std::optional<KlvErpData::Record> rec = data.record(r);
                if (!rec)
                    ++bad;
                for (const auto& row : rec->rows) {
                    if (row.value(u"abmenge"_s) != row.value(u"gueltig"_s))
                        ++bad;
                }
                data.value(r, u"abmenge"_s, 1);
            }
        });
    }
    for (int i = 1; i <= 300; ++i) {
        KlvErpData::Record values = *data.record(r);
        values.rows.append({{u"abmenge"_s, QString::number(i)}, {u"gueltig"_s, QString::number(i)}});
        ASSERT_TRUE(data.replaceRecord(r, values));
        ASSERT_TRUE(data.moveRow(r, int(values.rows.size()), 1));
    }
    done = true;
    for (std::thread& t : readers)
        t.join();
    EXPECT_EQ(bad, 0);
    EXPECT_EQ(data.rowCount(r), 300);
}

TEST_F(ErpData, recordsAreFoundByNumberOrSearchWord)
{
    EXPECT_EQ(data.findByNumberOrSearchWord(1, u"10005"_s), (Ref{1, 1, 5}));
    EXPECT_EQ(data.findByNumberOrSearchWord(1, u"mueller"_s), (Ref{1, 1, 1}));
    EXPECT_EQ(data.findByNumberOrSearchWord(65, u"2"_s), (Ref{65, 1, 2}));
    EXPECT_FALSE(data.findByNumberOrSearchWord(1, u"nobody"_s));
    EXPECT_EQ(data.findGroup(u"Customer:Customer"_s)->id(), u"1:1");
    EXPECT_EQ(data.findGroup(u"12:24"_s)->name.de, u"Selektionsvorlage");
    EXPECT_FALSE(data.findGroup(u"7:1"_s));
    EXPECT_EQ(Ref::parse(u" ( 1, 2 ,3)"_s), (Ref{1, 2, 3}));
    EXPECT_FALSE(Ref::parse(u"(1,2)"_s));
    EXPECT_FALSE(Ref::parse(u"(1,x,3)"_s));
}

TEST_F(ErpData, referenceTypesNameTheirTargets)
{
    const auto one = data.refTargets(u"P1:1"_s);
    ASSERT_EQ(one.size(), 1);
    EXPECT_EQ(one.first().db, 1);
    EXPECT_EQ(one.first().group, 1);
    EXPECT_EQ(data.refTargets(u"PS2"_s).first().group, -1);
    EXPECT_EQ(data.refTargets(u"C24"_s).first().db, 12);
    EXPECT_EQ(data.refTargets(u"VP7"_s).size(), 2);
    EXPECT_TRUE(data.refTargets(u"P77:1"_s).isEmpty());
    EXPECT_TRUE(data.refTargets(u"GL40"_s).isEmpty());
}

TEST(ErpDataFile, aBadFileIsRefusedWithTheReasonAndTheServerDoesNotStart)
{
    QTemporaryDir dir;
    KlvErpData data;
    EXPECT_FALSE(data.load(dir.filePath(u"missing.json"_s)));
    EXPECT_TRUE(data.errorString().contains(u"missing.json"));
    EXPECT_FALSE(data.load(writeFile(dir, "{ nope")));
    EXPECT_TRUE(data.errorString().contains(u"JSON"));
    EXPECT_FALSE(data.load(writeFile(dir, R"({"databases":[{"nr":1,"name":"A","groups":[{"nr":1,"name":"B",
        "fields":[{"name":"x","type":"GL4"}],"records":[{"nr":1,"head":{"y":"1"}}]}]}]})")));
    EXPECT_TRUE(data.errorString().contains(u"table 1:1")) << qPrintable(data.errorString());
    EXPECT_TRUE(data.errorString().contains(u"\"y\""));

    // Each mistake is named with its place.
    const struct
    {
        const char* file;
        const char* says;
    } mistakes[] = {
        {R"({"databases":[{"nr":1,"name":"A","groups":[{"nr":1,"name":"B","fields":[{"name":"x","type":"GL4",
            "alias":"y"}]}]}]})",
         "\"y\""},
        {R"({"databases":[{"nr":1,"name":"A","groups":[{"nr":1,"name":"B","fields":[{"name":"x","type":"GL4"}],
            "keys":[{"name":"k","fields":"x,z"}]}]}]})",
         "\"z\""},
        {R"({"databases":[{"nr":1,"name":"A","groups":[{"nr":1,"name":"B","fields":[{"name":"x","type":"GL4"}],
            "records":[{"nr":1,"rows":[{"x":"1"}]}]}]}]})",
         "table part"},
        {R"({"databases":[{"nr":1,"name":"A","groups":[{"nr":1,"name":"B","tablePart":true,
            "fields":[{"name":"x","type":"GL4","table":true}],"generate":{"count":2,"rows":{"count":"n +","values":{}}}}]}]})",
         "row count"},
        {R"({"databases":[{"nr":1,"name":"A","groups":[{"nr":1,"name":"B","fields":[{"name":"x","type":"GL4"}],
            "generate":{"count":2,"head":{"x":"{pick n}"}}}]}]})",
         "{pick n}"},
        {R"({"databases":[{"nr":0,"name":"A"}]})", "database 0"},
    };
    for (const auto& m : mistakes) {
        EXPECT_FALSE(data.load(writeFile(dir, m.file))) << m.says;
        EXPECT_TRUE(data.errorString().contains(QString::fromUtf8(m.says))) << qPrintable(data.errorString());
    }

    KlvServerOptions options;
    options.dataFile = dir.filePath(u"missing.json"_s);
    KlvServer server(options);
    EXPECT_FALSE(server.start());
    EXPECT_TRUE(server.errorString().contains(u"missing.json"));
}
