#include "KlvAnsiCodec.h"

namespace {
// 0x80 to 0x9F; the rest of the code page is Latin-1.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

int byteFor(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == c)
            return 0x80 + i;
    }
    return -1;
}
} // namespace

QString KlvAnsiCodec::decode(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* dst = out.data();
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        *dst++ = QChar(u >= 0x80 && u < 0xA0 ? kHighControls[u - 0x80] : char16_t(u));
    }
    return out;
}

QByteArray KlvAnsiCodec::encode(QStringView text, bool* ok)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    char* dst = out.data();
    bool all = true;
    for (const QChar c : text) {
        const int b = byteFor(c.unicode());
        if (b < 0)
            all = false;
        *dst++ = static_cast<char>(b < 0 ? '?' : b);
    }
    if (ok)
        *ok = all;
    return out;
}
