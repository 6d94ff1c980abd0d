// The command parser on arbitrary lines: code, transaction id and fields read on the text and
// on the bytes must agree, and fields escaped by the command builder must read back as they
// were. The first byte picks the character set and the field limit.
#include "AnsiCodec.h"
#include "KLVCmdBuilder.h"
#include "KLVCmdParser.h"

#include <QByteArray>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

QString decode(QByteArrayView bytes, bool unicode)
{
    return unicode ? QString::fromUtf8(bytes) : AnsiCodec::decode(bytes);
}

void check(bool holds)
{
    if (!holds)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const bool unicode = data[0] & 1;
    const int limit = 1 + (data[0] >> 1);
    const QByteArrayView bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const QString line = decode(bytes, unicode);

    // The parts of a line, on the text and on the bytes.
    check(KLVCmdParser::GetCMD(line) == decode(KLVCmdParser::CodeBytes(bytes), unicode));
    check(KLVCmdParser::getTID(line) == decode(KLVCmdParser::TidBytes(bytes), unicode));
    check(KLVCmdParser::GetCmdLineFields(line) == decode(KLVCmdParser::FieldBytes(bytes), unicode));

    // The fields, split on the text and cut on the bytes.
    QStringList fields;
    const int count = KLVCmdParser::GetFieldsArray(line, fields, true, limit);
    std::vector<KLVFieldSpan> spans;
    std::vector<char> unescaped;
    check(KLVCmdParser::SplitFieldBytes(bytes, spans, unescaped, limit, unicode) == count);
    for (int i = 0; i < count; ++i) {
        const KLVFieldSpan& s = spans[size_t(i)];
        const QByteArrayView field =
            s.unescaped ? QByteArrayView(unescaped.data() + s.offset, s.length) : bytes.sliced(s.offset, s.length);
        check(decode(field, unicode) == fields[i]);
    }

    // Built and read back: every field the builder escapes comes back as it was, but the
    // empty last one, which the protocol does not carry.
    QString built = KLVCmdBuilder::AppendHead(QStringLiteral("D"), QStringLiteral("0"));
    for (const QString& f : fields)
        built += KLVCmdBuilder::AppendField(f);
    QStringList back;
    KLVCmdParser::GetFieldsArray(KLVCmdParser::GetCmdLineFieldsView(built), back, true);
    QStringList sent = fields;
    while (!sent.isEmpty() && sent.last().isEmpty())
        sent.removeLast();
    while (!back.isEmpty() && back.last().isEmpty())
        back.removeLast();
    check(back == sent);
    return 0;
}
