// Received bytes cut into lines: line ends, lines split across reads, the character set in
// force when a line is taken, and lines of any length.
#include "KLVLineReader.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class LineReaderTest : public ::testing::TestWithParam<bool>
{
protected:
    KLVLineReader reader{GetParam()};

    QStringList takeAll()
    {
        QStringList lines;
        QString line;
        while (reader.takeLine(line))
            lines << line;
        return lines;
    }
};

} // namespace

TEST_P(LineReaderTest, BothLineEndsAreTakenAndALoneCarriageReturnStays)
{
    reader.append("ACK|0\r\nD|0|a\rb\nEOD|0");
    EXPECT_EQ(takeAll(), (QStringList{u"ACK|0"_s, u"D|0|a\rb"_s}));
    EXPECT_EQ(reader.pendingBytes(), 5);
    reader.append("|||T\n");
    EXPECT_EQ(takeAll(), QStringList{u"EOD|0|||T"_s});
    EXPECT_EQ(reader.pendingBytes(), 0);
}

TEST_P(LineReaderTest, LineComesOnlyWithItsLineFeed)
{
    QString line;
    reader.append("D|0|a");
    EXPECT_FALSE(reader.takeLine(line));
    reader.append("bc");
    EXPECT_FALSE(reader.takeLine(line));
    reader.append("\r");
    EXPECT_FALSE(reader.takeLine(line));
    reader.append("\n");
    ASSERT_TRUE(reader.takeLine(line));
    EXPECT_EQ(line, u"D|0|abc"_s);
}

TEST_P(LineReaderTest, EmptyLinesAreLinesAndLoseNothing)
{
    reader.append("\n\r\nACK|0\n\nNAK|0|x\n");
    EXPECT_EQ(takeAll(), (QStringList{QString(), QString(), u"ACK|0"_s, QString(), u"NAK|0|x"_s}));
}

TEST_P(LineReaderTest, Utf8CharacterSplitAcrossReadsIsDecodedWhole)
{
    reader.setUnicode(true);
    reader.append("D|0|Gr\xC3");
    reader.append("\xBC\xC3\x9F\n");
    EXPECT_EQ(takeAll(), QStringList{u"D|0|Grüß"_s});
}

TEST_P(LineReaderTest, EachLineIsDecodedInTheModeInForceWhenTaken)
{
    // The answer to the character-set switch and the first UTF-8 line arrive together.
    reader.append("ACK|0\r\nD|0|\xC3\xA4\r\nD|0|\xE4\r\n");
    QString line;
    ASSERT_TRUE(reader.takeLine(line));
    EXPECT_EQ(line, u"ACK|0"_s);
    reader.setUnicode(true);
    ASSERT_TRUE(reader.takeLine(line));
    EXPECT_EQ(line, u"D|0|ä"_s);
    reader.setUnicode(false);
    ASSERT_TRUE(reader.takeLine(line));
    EXPECT_EQ(line, u"D|0|ä"_s);
}

TEST_P(LineReaderTest, LinesOfAnyLength)
{
    const QByteArray field(1 << 20, 'x');
    QByteArray line = "D|0|" + field + "|end\r\n";
    for (qsizetype pos = 0; pos < line.size(); pos += 65536)
        reader.append(line.mid(pos, 65536));
    reader.append("ACK|0\n");
    const QStringList lines = takeAll();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0].size(), 4 + field.size() + 4);
    EXPECT_TRUE(lines[0].endsWith(u"x|end"_s));
    EXPECT_EQ(lines[1], u"ACK|0"_s);
}

TEST_P(LineReaderTest, ALineOfTheLongestLengthPassesHoweverItIsCutAndOneByteMoreDoesNot)
{
    reader.setMaxLineLength(8);
    // Cut before its line feed, the carriage return of a line of the longest length is no
    // ninth byte of the line.
    reader.append("D|0|abcd\r");
    reader.append("\n");
    EXPECT_EQ(takeAll(), QStringList{u"D|0|abcd"_s});
    EXPECT_FALSE(reader.overflowed());

    reader.append("D|0|abcde");
    EXPECT_FALSE(reader.overflowed()); // it may yet end in a carriage return
    reader.append("\n");
    EXPECT_TRUE(takeAll().isEmpty());
    EXPECT_TRUE(reader.overflowed());

    reader.clear();
    reader.append("D|0|abcde\r");
    EXPECT_TRUE(reader.overflowed());
}

TEST_P(LineReaderTest, ClearDropsEverything)
{
    reader.append("A|0\nB|0");
    reader.clear();
    reader.append("C|0\n");
    EXPECT_EQ(takeAll(), QStringList{u"C|0"_s});
}

TEST_P(LineReaderTest, LinesLookedAtAreTheLinesTakenLaterHoweverTheBytesWereCut)
{
    // Every cut of the text into three reads, with a line taken after the first: the look
    // shows exactly the complete lines that taking would give, says whether a partial line
    // follows them, and knows the last line when it lies within the last read.
    const QByteArray text = "BOD|7|GNR|2\r\nD|7|1|a\r\nD|7|2|b\nEOD|7|GNR|2|0\r\n";
    const QByteArray end = "EOD|7|GNR|2|0";
    const qsizetype endStart = text.size() - end.size() - 2;
    const auto check = [&](const KLVLineReader& r, qsizetype received, qsizetype lastRead) {
        QList<QByteArray> looked;
        const bool whole = r.peekLines([&looked](QByteArrayView line) {
            looked << line.toByteArray();
            return true;
        });
        EXPECT_EQ(whole, received == 0 || text.at(received - 1) == '\n');
        KLVLineReader copy = r;
        QList<QByteArray> took;
        QByteArrayView line;
        while (copy.takeLineView(line))
            took << line.toByteArray();
        EXPECT_EQ(looked, took);
        if (received == text.size()) {
            EXPECT_EQ(r.lastLine().toByteArray(), lastRead <= endStart ? end : QByteArray());
        } else if (!r.lastLine().isEmpty()) {
            EXPECT_EQ(r.lastLine().toByteArray(), took.value(took.size() - 1));
        }
    };
    for (qsizetype a = 0; a <= text.size(); ++a) {
        for (qsizetype b = a; b <= text.size(); ++b) {
            SCOPED_TRACE(testing::Message() << "cut at " << a << " and " << b);
            KLVLineReader r(GetParam());
            r.append(text.left(a));
            QByteArrayView first;
            r.takeLineView(first);
            r.append(text.mid(a, b - a));
            check(r, b, a < b ? a : 0);
            r.append(text.mid(b));
            check(r, text.size(), b < text.size() ? b : (a < b ? a : 0));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ChunkQueueAndSingleBuffer, LineReaderTest, ::testing::Bool());
