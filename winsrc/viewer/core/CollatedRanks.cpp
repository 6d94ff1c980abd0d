#include "CollatedRanks.h"

#include <QCollator>
#include <QHash>
#include <QMutex>
#include <QString>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <cctype>
#include <memory>

namespace {

// Weights of the ASCII characters the collator compares one by one; 0 for the others.
// Weights run from 1, so that 0 can stand for "past the end of the text".
struct AsciiWeights
{
    std::array<quint8, 128> weight{};
};

constexpr quint32 CheckEvery = 1u << 14;

bool isCancelled(const std::atomic<bool>* cancel)
{
    return cancel && cancel->load(std::memory_order_relaxed);
}

QCollator makeCollator(const QLocale& locale)
{
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

int sign(qsizetype v)
{
    return (v > 0) - (v < 0);
}

int weightCompare(const AsciiWeights& w, QByteArrayView a, QByteArrayView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const int d = int(w.weight[uchar(a[i])]) - int(w.weight[uchar(b[i])]);
        if (d != 0)
            return d;
    }
    return sign(a.size() - b.size());
}

// Weights for the characters of the alphabet, when the collator orders texts of them as
// strings of those weights; null when it does not (a character it ignores, letters it
// takes together, punctuation it skips).
std::shared_ptr<const AsciiWeights> weightsFor(const QCollator& collator, const QByteArray& alphabet)
{
    auto text = [](QByteArrayView bytes) { return QString::fromLatin1(bytes); };
    std::vector<char> chars(alphabet.begin(), alphabet.end());
    for (char c : chars) {
        if (collator.compare(text(QByteArrayView(&c, 1)), QString()) == 0)
            return nullptr;
    }
    std::stable_sort(chars.begin(), chars.end(), [&](char a, char b) {
        return collator.compare(text(QByteArrayView(&a, 1)), text(QByteArrayView(&b, 1))) < 0;
    });
    auto weights = std::make_shared<AsciiWeights>();
    int weight = 0;
    for (size_t i = 0; i < chars.size(); ++i) {
        if (i == 0 || collator.compare(text(QByteArrayView(&chars[i - 1], 1)), text(QByteArrayView(&chars[i], 1))) != 0)
            ++weight;
        weights->weight[uchar(chars[i])] = quint8(weight);
    }

    // Probes: every character alone, every pair of letters and digits (where contractions
    // show), and every other character between, before and after letters (where ignored
    // punctuation shows).
    QList<QByteArray> probes;
    for (char c : alphabet)
        probes.append(QByteArray(1, c));
    const QByteArray letters("abcdefghijklmnopqrstuvwxyz0123456789");
    for (char a : letters) {
        for (char b : letters)
            probes.append(QByteArray(1, a) + b);
    }
    for (char c : alphabet) {
        if (std::isalnum(uchar(c)))
            continue;
        probes.append("a" + QByteArray(1, c) + "b");
        probes.append("b" + QByteArray(1, c) + "a");
        probes.append(QByteArray(1, c) + "a");
        probes.append("a" + QByteArray(1, c));
        probes.append("ab" + QByteArray(1, c));
    }
    probes.append({"aB", "Ab", "AB", "aab", "abb", "Zz", "zZa"});
    std::sort(probes.begin(), probes.end(),
              [&](const QByteArray& a, const QByteArray& b) { return collator.compare(text(a), text(b)) < 0; });
    // Sorted by the collator, the probes must also be sorted by the weights, with the same
    // equal neighbours: then both order them alike.
    for (qsizetype i = 1; i < probes.size(); ++i) {
        const int byCollator = sign(collator.compare(text(probes[i - 1]), text(probes[i])));
        if (sign(weightCompare(*weights, probes[i - 1], probes[i])) != byCollator)
            return nullptr;
    }
    return weights;
}

// The weights of a locale, worked out once per locale.
std::shared_ptr<const AsciiWeights> weightsOf(const QLocale& locale)
{
    static QMutex mutex;
    static QHash<QString, std::shared_ptr<const AsciiWeights>> known;
    const QString key = locale.name();
    QMutexLocker lock(&mutex);
    const auto it = known.constFind(key);
    if (it != known.cend())
        return *it;
    const QCollator collator = makeCollator(locale);
    QByteArray printable;
    for (char c = 0x20; c < 0x7F; ++c)
        printable.append(c);
    // Tabs and line breaks too, where the collator weighs them like other characters.
    std::shared_ptr<const AsciiWeights> weights = weightsFor(collator, "\t\n\r" + printable);
    if (!weights)
        weights = weightsFor(collator, printable);
    known.insert(key, weights);
    return weights;
}

struct Item
{
    quint64 window; // eight weights from the current depth on, the first in the highest byte
    quint32 id;
};

quint64 windowAt(const AsciiWeights& w, QByteArrayView text, qsizetype depth)
{
    quint64 v = 0;
    for (qsizetype i = depth; i < depth + 8; ++i)
        v = (v << 8) | (i < text.size() ? w.weight[uchar(text[i])] : 0u);
    return v;
}

// Sorts the items by their texts' weights, eight characters per round from depth on (the
// texts agree before it): the items with the same eight weights are sorted again by the
// next eight, until their texts end. Marks in newClass each item whose text differs from
// the one before it. False when cancelled.
bool sortByWeights(const AsciiWeights& w, const CollatedRanks::TextAt& textAt, qsizetype depth,
                   std::vector<Item>& items, std::vector<char>& newClass, const std::atomic<bool>* cancel)
{
    struct Range
    {
        size_t begin;
        size_t end;
        qsizetype depth;
    };
    newClass.assign(items.size(), 0);
    if (items.empty())
        return true;
    newClass[0] = 1;
    for (Item& item : items)
        item.window = windowAt(w, textAt(item.id), depth);
    std::vector<Range> ranges{{0, items.size(), depth}};
    bool first = true;
    while (!ranges.empty()) {
        if (isCancelled(cancel))
            return false;
        const Range r = ranges.back();
        ranges.pop_back();
        if (!first) {
            for (size_t i = r.begin; i < r.end; ++i)
                items[i].window = windowAt(w, textAt(items[i].id), r.depth);
        }
        first = false;
        const auto begin = items.begin() + qsizetype(r.begin);
        const auto end = items.begin() + qsizetype(r.end);
        const auto byWindow = [](const Item& a, const Item& b) { return a.window < b.window; };
        // Texts that agree for long, or a column of one repeated text: nothing to move.
        if (!std::is_sorted(begin, end, byWindow))
            std::sort(begin, end, byWindow);
        size_t start = r.begin;
        for (size_t i = r.begin + 1; i <= r.end; ++i) {
            if (i < r.end && items[i].window == items[start].window)
                continue;
            if (start != r.begin)
                newClass[start] = 1;
            // A full window: the texts may go on.
            if (i - start > 1 && (items[start].window & 0xFF) != 0)
                ranges.push_back({start, i, r.depth + 8});
            start = i;
        }
    }
    return true;
}

} // namespace

bool CollatedRanks::HasAsciiWeights(const QLocale& locale)
{
    return weightsOf(locale) != nullptr;
}

quint32 CollatedRanks::Rank(quint32 count, const TextAt& textAt, const QLocale& locale, std::vector<quint32>& ranks,
                            const std::atomic<bool>* cancel)
{
    ranks.assign(count, 0);
    if (count == 0)
        return 0;
    const std::shared_ptr<const AsciiWeights> weights = weightsOf(locale);
    const QCollator collator = makeCollator(locale);

    // Split: texts of weighed characters only, and the others; the others once per text.
    // Of the weighed ones, how far they all agree: sorting starts behind that.
    std::vector<Item> fast;
    std::vector<quint32> slowOf; // per other text: its distinct text
    std::vector<quint32> slow;   // the other texts
    std::vector<QByteArrayView> slowDistinct;
    QHash<QByteArrayView, quint32> slowIndex;
    QByteArrayView firstFast;
    qsizetype common = -1;
    for (quint32 i = 0; i < count; ++i) {
        if (i % CheckEvery == 0 && isCancelled(cancel))
            return 0;
        const QByteArrayView text = textAt(i);
        bool weighed = weights != nullptr;
        for (qsizetype k = 0; weighed && k < text.size(); ++k)
            weighed = uchar(text[k]) < 0x80 && weights->weight[uchar(text[k])] != 0;
        if (weighed) {
            fast.push_back({0, i});
            if (common < 0) {
                firstFast = text;
                common = text.size();
            } else {
                qsizetype k = 0;
                while (k < common && k < text.size() &&
                       weights->weight[uchar(text[k])] == weights->weight[uchar(firstFast[k])])
                    ++k;
                common = k;
            }
            continue;
        }
        const auto known = slowIndex.constFind(text);
        if (known != slowIndex.cend()) {
            slowOf.push_back(*known);
        } else {
            slowOf.push_back(quint32(slowDistinct.size()));
            slowIndex.insert(text, quint32(slowDistinct.size()));
            slowDistinct.push_back(text);
        }
        slow.push_back(i);
    }
    slowIndex = {};

    // The weighed texts, and their classes of equal texts in order.
    std::vector<char> newClass;
    if (weights && !sortByWeights(*weights, textAt, std::max<qsizetype>(common, 0), fast, newClass, cancel))
        return 0;
    if (slow.empty()) {
        // The usual case: nothing to merge.
        quint32 rank = 0;
        for (size_t i = 0; i < fast.size(); ++i) {
            rank += i > 0 && newClass[i] ? 1 : 0;
            ranks[fast[i].id] = rank;
        }
        return rank + 1;
    }
    std::vector<quint32> fastFirst; // per class: its first item
    for (size_t i = 0; i < fast.size(); ++i) {
        if (newClass[i])
            fastFirst.push_back(quint32(i));
    }
    newClass = {};

    // The others, decoded once into one buffer and sorted by the collator.
    std::vector<QChar> buffer;
    std::vector<std::pair<quint32, quint32>> spans(slowDistinct.size());
    if (!slowDistinct.empty()) {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        qsizetype bytes = 0;
        for (QByteArrayView text : slowDistinct)
            bytes += decoder.requiredSpace(text.size());
        buffer.resize(size_t(bytes));
        QChar* out = buffer.data();
        for (size_t k = 0; k < slowDistinct.size(); ++k) {
            QChar* begin = out;
            out = decoder.appendToBuffer(out, slowDistinct[k]);
            spans[k] = {quint32(begin - buffer.data()), quint32(out - begin)};
        }
    }
    auto slowText = [&](size_t k) { return QStringView(buffer.data() + spans[k].first, spans[k].second); };
    std::vector<quint32> slowOrder(slowDistinct.size());
    for (size_t k = 0; k < slowOrder.size(); ++k)
        slowOrder[k] = quint32(k);
    std::sort(slowOrder.begin(), slowOrder.end(),
              [&](quint32 a, quint32 b) { return collator.compare(slowText(a), slowText(b)) < 0; });
    if (isCancelled(cancel))
        return 0;
    std::vector<quint32> slowFirst; // per class: its first position in slowOrder
    for (size_t k = 0; k < slowOrder.size(); ++k) {
        if (k == 0 || collator.compare(slowText(slowOrder[k - 1]), slowText(slowOrder[k])) != 0)
            slowFirst.push_back(quint32(k));
    }

    // Merge the two lists of classes by the collator: each class of the others finds its
    // place among the weighed ones, or the weighed class it equals.
    auto fastText = [&](size_t c) { return QString::fromLatin1(textAt(fast[fastFirst[c]].id)); };
    std::vector<quint32> fastRank(fastFirst.size());
    std::vector<quint32> slowRank(slowFirst.size());
    quint32 next = 0;
    size_t c = 0;
    for (size_t s = 0; s < slowFirst.size(); ++s) {
        const QStringView text = slowText(slowOrder[slowFirst[s]]);
        size_t lo = c;
        size_t hi = fastFirst.size();
        while (lo < hi) {
            const size_t mid = lo + (hi - lo) / 2;
            if (collator.compare(fastText(mid), text) < 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        for (; c < lo; ++c)
            fastRank[c] = next++;
        if (c < fastFirst.size() && collator.compare(fastText(c), text) == 0) {
            slowRank[s] = next;
            fastRank[c++] = next++;
        } else {
            slowRank[s] = next++;
        }
    }
    for (; c < fastFirst.size(); ++c)
        fastRank[c] = next++;

    for (size_t f = 0; f < fastFirst.size(); ++f) {
        const size_t end = f + 1 < fastFirst.size() ? fastFirst[f + 1] : fast.size();
        for (size_t i = fastFirst[f]; i < end; ++i)
            ranks[fast[i].id] = fastRank[f];
    }
    std::vector<quint32> distinctRank(slowDistinct.size());
    for (size_t s = 0; s < slowFirst.size(); ++s) {
        const size_t end = s + 1 < slowFirst.size() ? slowFirst[s + 1] : slowOrder.size();
        for (size_t k = slowFirst[s]; k < end; ++k)
            distinctRank[slowOrder[k]] = slowRank[s];
    }
    for (size_t k = 0; k < slow.size(); ++k)
        ranks[slow[k]] = distinctRank[slowOf[k]];
    return next;
}
