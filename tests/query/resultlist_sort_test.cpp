// The order of a result list's texts: the same as the collator of the locale gives, case
// aside, whichever way the texts take (plain ASCII by weights, the rest by the collator, and
// both merged), in locales that sort letters on their own, together ("ch", "aa") or with
// other rules for umlauts and dotted letters.
#include "CollatedRanks.h"

#include <gtest/gtest.h>

#include <QCollator>
#include <QRandomGenerator>
#include <QStringList>

#include <algorithm>
#include <numeric>

using namespace Qt::StringLiterals;

namespace {

// Texts made of pieces where locales differ, some behind a long shared start (sorted eight
// characters at a time), many repeated.
QList<QByteArray> sampleTexts(int count)
{
    const QStringList pieces{u"a"_s, u"b"_s, u"c"_s, u"h"_s,  u"ch"_s, u"aa"_s, u"z"_s, u"A"_s,  u"Z"_s, u"ä"_s,
                             u"Ä"_s, u"ö"_s, u"ß"_s, u"é"_s,  u"0"_s,  u"1"_s,  u"9"_s, u"10"_s, u" "_s, u"-"_s,
                             u"_"_s, u"."_s, u"&"_s, u"\t"_s, u"\n"_s, u"ı"_s,  u"İ"_s, u"日"_s, u"y"_s, u"v"_s};
    const QStringList starts{QString(), QString(), u"Messwert "_s, u"Lagerplatz Nord-"_s, u"LAGERPLATZ NORD-"_s};
    QRandomGenerator random(11);
    QList<QByteArray> texts;
    for (int i = 0; i < count; ++i) {
        QString text = starts[random.bounded(int(starts.size()))];
        const int length = random.bounded(0, 5);
        for (int k = 0; k < length; ++k)
            text += pieces[random.bounded(int(pieces.size()))];
        texts.append(text.toUtf8());
    }
    return texts;
}

std::vector<quint32> referenceRanks(const QList<QByteArray>& texts, const QLocale& locale)
{
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    QStringList decoded;
    for (const QByteArray& t : texts)
        decoded.append(QString::fromUtf8(t));
    std::vector<quint32> order(size_t(texts.size()));
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(),
              [&](quint32 a, quint32 b) { return collator.compare(decoded[a], decoded[b]) < 0; });
    std::vector<quint32> ranks(order.size());
    quint32 rank = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && collator.compare(decoded[order[i - 1]], decoded[order[i]]) != 0)
            ++rank;
        ranks[order[i]] = rank;
    }
    return ranks;
}

} // namespace

TEST(CollatedRanks, RanksAreTheCollatorsOrderInEveryLocale)
{
    const QList<QByteArray> texts = sampleTexts(3000);
    for (const char* name : {"C", "en_US", "de_DE", "cs_CZ", "da_DK", "sv_SE", "fr_FR", "tr_TR", "ja_JP"}) {
        const QLocale locale(QString::fromLatin1(name));
        std::vector<quint32> ranks;
        const quint32 count = CollatedRanks::Rank(
            quint32(texts.size()), [&](quint32 i) { return QByteArrayView(texts[i]); }, locale, ranks);
        const std::vector<quint32> expected = referenceRanks(texts, locale);
        EXPECT_EQ(count, expected.empty() ? 0 : *std::max_element(expected.begin(), expected.end()) + 1) << name;
        EXPECT_EQ(ranks, expected) << name;
    }
}

TEST(CollatedRanks, PlainTextTakesTheFastWayWhereTheCollatorAllowsIt)
{
    EXPECT_TRUE(CollatedRanks::HasAsciiWeights(QLocale(u"C"_s)));
    EXPECT_TRUE(CollatedRanks::HasAsciiWeights(QLocale(u"de_DE"_s)));
    EXPECT_TRUE(CollatedRanks::HasAsciiWeights(QLocale(u"en_US"_s)));
    // "ch" is a letter of its own in Czech, "aa" one in Danish.
    EXPECT_FALSE(CollatedRanks::HasAsciiWeights(QLocale(u"cs_CZ"_s)));
    EXPECT_FALSE(CollatedRanks::HasAsciiWeights(QLocale(u"da_DK"_s)));
}
