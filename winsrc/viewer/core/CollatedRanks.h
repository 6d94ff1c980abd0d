#pragma once

#include <QByteArrayView>
#include <QLocale>

#include <atomic>
#include <functional>
#include <vector>

// Ranks texts in the order the viewer's lists sort them: as a collator of the locale
// compares them, case aside. Texts the collator finds equal share a rank.
//
// A collator compares a pair of texts in tens of nanoseconds, but a million texts sorted
// pair by pair take a second. For most locales the collator orders plain ASCII text
// character by character, each character with a weight of its own: such texts become
// strings of weights and are sorted eight characters at a time, without the collator. The
// weights come from the collator itself, and are used only when it is seen to agree with
// them on a set of probes (a locale where "ch" or "aa" sorts as one letter, or where
// punctuation is ignored, does not). Texts with other characters are compared by the
// collator, and merged into the others by it.
class CollatedRanks
{
public:
    using TextAt = std::function<QByteArrayView(quint32 index)>;

    // ranks[i] := the rank (from 0) of the UTF-8 text textAt(i), for i below count. Returns
    // the number of ranks. Checks cancel now and then, and returns 0 when it was set.
    static quint32 Rank(quint32 count, const TextAt& textAt, const QLocale& locale, std::vector<quint32>& ranks,
                        const std::atomic<bool>* cancel = nullptr);

    // Whether the locale's texts of plain ASCII take the fast way (for tests).
    static bool HasAsciiWeights(const QLocale& locale);
};
