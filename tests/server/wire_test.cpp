// The server's own line handling without a socket: escaping, taking lines apart, the ANSI
// table, cutting long records into DC lines, the lock table and option values.
#include "KlvAnsiCodec.h"
#include "KlvAnswer.h"
#include "KlvBlockWriter.h"
#include "KlvCommandLine.h"
#include "KlvLockTable.h"
#include "KlvOptionTable.h"
#include "KlvWire.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {
QStringList sentLines(std::vector<KlvAction> actions)
{
    QStringList lines;
    for (const KlvAction& a : actions) {
        if (a.kind == KlvAction::Kind::SendLine)
            lines.append(a.text);
    }
    return lines;
}
} // namespace

TEST(ServerWire, EveryEscapedCharacterReadsBackEqual)
{
    const QString value = u"a|b\\c\nd\re"_s + QChar(0) + u"f"_s;
    const QString escaped = KlvWire::escapeField(value);
    EXPECT_EQ(escaped, u"a\\|b\\\\c\\nd\\re\\0f"_s);
    EXPECT_EQ(KlvWire::splitFields(escaped), QStringList{value});
}

TEST(ServerWire, SplittingKeepsEmptyFieldsAndAStrayBackslash)
{
    EXPECT_EQ(KlvWire::splitFields(u"CONTEXT|"), (QStringList{u"CONTEXT"_s, QString()}));
    EXPECT_EQ(KlvWire::splitFields(u"|12||x"), (QStringList{QString(), u"12"_s, QString(), u"x"_s}));
    EXPECT_EQ(KlvWire::splitFields(u"a\\"), QStringList{u"a\\"_s});
    EXPECT_EQ(KlvWire::splitFields(u"\\q"), QStringList{u"q"_s});
}

TEST(ServerWire, CommandLineIsTakenApartLikeTheClientDoes)
{
    const KlvCommandLine set = KlvCommandLine::parse(u"SET|0|TESTFLAG|12|1"_s);
    EXPECT_EQ(set.word, u"SET");
    EXPECT_EQ(set.tid, u"0");
    EXPECT_EQ(set.fields, (QStringList{u"TESTFLAG"_s, u"12"_s, u"1"_s}));

    const KlvCommandLine end = KlvCommandLine::parse(u"END|7"_s);
    EXPECT_EQ(end.word, u"END");
    EXPECT_EQ(end.tid, u"7");
    EXPECT_TRUE(end.fields.isEmpty());

    const KlvCommandLine bare = KlvCommandLine::parse(u"garbage"_s);
    EXPECT_EQ(bare.word, u"garbage");
    EXPECT_TRUE(bare.tid.isEmpty());
    EXPECT_TRUE(bare.field(5).isEmpty());
}

TEST(ServerWire, AnsiIsWindows1252)
{
    EXPECT_EQ(KlvAnsiCodec::encode(u"\u00e4\u20ac\u00ff"), QByteArray("\xe4\x80\xff"));
    EXPECT_EQ(KlvAnsiCodec::decode("\xe4\x80\x9f"), u"\u00e4\u20ac\u0178"_s);
    // The unassigned bytes survive a round trip.
    EXPECT_EQ(KlvAnsiCodec::encode(KlvAnsiCodec::decode("\x81\x8d\x8f\x90\x9d")), QByteArray("\x81\x8d\x8f\x90\x9d"));
    bool ok = true;
    EXPECT_EQ(KlvAnsiCodec::encode(u"a\u4e2d", &ok), QByteArray("a?"));
    EXPECT_FALSE(ok);
}

TEST(ServerWire, LongRecordsGoOnInDcLinesThatJoinToTheRecord)
{
    // Backslashes and a character outside the BMP sit where a naive cut would split them.
    QString value;
    for (int i = 0; i < 40; ++i)
        value += u"ab|\\\U0001F600x"_s;
    KlvAnswer answer(u"5"_s, QString(), 16);
    answer.records(u"SHO"_s, {{u"KEY"_s, value}});
    const QStringList lines = sentLines(answer.take());

    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines.first(), u"BOD|5|SHO|1");
    EXPECT_EQ(lines.last(), u"EOD|5|SHO|1|1");
    QString joined;
    for (qsizetype i = 1; i < lines.size() - 1; ++i) {
        const QString prefix = i == 1 ? u"D|5|"_s : u"DC|5|"_s;
        ASSERT_TRUE(lines[i].startsWith(prefix)) << lines[i].toStdString();
        const QString piece = lines[i].mid(prefix.size());
        EXPECT_LE(piece.size(), 16);
        EXPECT_FALSE(piece.back().isHighSurrogate());
        // Each piece reads alone: no escape is cut in two.
        qsizetype trailing = 0;
        for (qsizetype k = piece.size() - 1; k >= 0 && piece[k] == u'\\'; --k)
            ++trailing;
        EXPECT_EQ(trailing % 2, 0) << piece.toStdString();
        joined += piece;
    }
    EXPECT_EQ(KlvWire::splitFields(joined), (QStringList{u"KEY"_s, value}));

    // A query block cuts its records the same way.
    KlvBlockWriter block(u"5"_s, 16);
    block.begin(u"SHO"_s, 1);
    block.beginRecord();
    block.field(u"KEY");
    block.field(value);
    block.endRecord();
    block.end(u"SHO"_s, 1, true);
    EXPECT_EQ(block.take(), lines.join(u"\r\n"_s));
}

TEST(ServerLockTable, ReadersShareOneModifierJoinsThemExclusiveStandsAlone)
{
    using Mode = KlvLockTable::Mode;
    KlvLockTable locks;
    EXPECT_TRUE(locks.tryLock(u"k"_s, {1, Mode::ReadOnly, {}, {}}));
    EXPECT_TRUE(locks.tryLock(u"k"_s, {2, Mode::ReadOnly, {}, {}}));
    EXPECT_TRUE(locks.tryLock(u"k"_s, {3, Mode::Modify, {}, {}}));
    KlvLockTable::Holder blocker;
    EXPECT_FALSE(locks.tryLock(u"k"_s, {4, Mode::Modify, u"u4"_s, {}}, &blocker));
    EXPECT_EQ(blocker.connectionId, 3);
    EXPECT_FALSE(locks.tryLock(u"k"_s, {4, Mode::Exclusive, {}, {}}));
    // Nobody blocks himself: a lone holder may tighten its own lock.
    EXPECT_TRUE(locks.tryLock(u"other"_s, {1, Mode::ReadOnly, {}, {}}));
    EXPECT_TRUE(locks.tryLock(u"other"_s, {1, Mode::Exclusive, {}, {}}));

    EXPECT_FALSE(locks.unlock(u"k"_s, 4));
    EXPECT_TRUE(locks.releaseAll(3));
    EXPECT_TRUE(locks.tryLock(u"k"_s, {4, Mode::Modify, {}, {}}));
    EXPECT_TRUE(locks.unlock(u"other"_s, 1));
    EXPECT_FALSE(locks.unlock(u"other"_s, 1));
}

TEST(ServerOptionTable, ValuesAreCheckedAndStoredInOneSpelling)
{
    const auto value = [](const char16_t* keyword, const QString& v) {
        return KlvOptionTable::normalise(*KlvOptionTable::find(QString::fromUtf16(keyword)), v);
    };
    EXPECT_EQ(value(u"datemode", u"sort"_s), u"SORT"_s);
    EXPECT_EQ(value(u"VARLANG", u"EN"_s), u"en"_s);
    EXPECT_FALSE(value(u"DATEMODE", u"LONG"_s));
    EXPECT_EQ(value(u"FTMODE", u"text:0300"_s), u"TEXT:300"_s);
    EXPECT_EQ(value(u"FTMODE", u"TEXT"_s), u"TEXT"_s);
    EXPECT_FALSE(value(u"FTMODE", u"TEXT:x"_s));
    EXPECT_EQ(value(u"LOCKBEHAVIOR", u"WAIT:30"_s), u"WAIT:30"_s);
    EXPECT_FALSE(value(u"LOCKBEHAVIOR", u"WAIT:"_s));
    EXPECT_EQ(value(u"TRIMVALUES", u"ja"_s), u"1"_s);
    EXPECT_EQ(value(u"TRIMVALUES", u"0"_s), u"0"_s);
    EXPECT_FALSE(value(u"TRIMVALUES", u"maybe"_s));
    EXPECT_EQ(value(u"CHARSET", u"utf-8"_s), u"UTF-8"_s);
}
