#include "ExportFileWriter.h"

#include "ExportPrompt.h"
#include "ExportTemporaryFile.h"
#include "MainModul.h"

#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QSysInfo>

#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

constexpr int MsgNoFileName = 234;
constexpr int MsgFileExists = 233;
constexpr int MsgOverwrite = 239;
constexpr int MsgCannotCreate = 241;
constexpr int MsgReplacedChars = 295;

QString systemText(int errorNumber)
{
    return QString::fromLocal8Bit(std::strerror(errorNumber));
}

} // namespace

ExportFileWriter::ExportFileWriter(ExportJob job, QString fileName, int fileOption, Encoding encoding)
    : ExportWriter(std::move(job)), m_fileName(std::move(fileName)), m_fileOption(fileOption), m_encoding(encoding)
{}

ExportFileWriter::~ExportFileWriter()
{
    // Never finished: whatever was written goes with the temporary file.
    discard();
}

void ExportFileWriter::setDevice(QIODevice* device)
{
    m_device = device;
}

ExportCheck ExportFileWriter::checkTarget()
{
    if (m_fileName.isEmpty())
        return ExportCheck::Refused(GetMessageTextByNr(MsgNoFileName), m_fileOption);
    const QFileInfo info(m_fileName);
    if (info.isDir())
        return ExportCheck::Refused(ExportFailure{MsgCannotCreate, systemText(EISDIR), EISDIR}.text(), m_fileOption);
    if (const ExportCheck options = checkOptions(); !options.passed())
        return options;
    // A file that cannot be looked at counts as not there; an empty one is replaced silently.
    if (info.exists() && info.size() >= 1) {
        const QString question =
            GetMessageTextByNr(MsgFileExists) + u' ' + m_fileName + u"\r\n"_s + GetMessageTextByNr(MsgOverwrite);
        if (!prompt().ask(question, ExportPrompt::Choice::OkCancel))
            return ExportCheck::Declined();
    }
    return {};
}

bool ExportFileWriter::open(ExportFailure& failure)
{
    discard();
    m_failed = false;
    m_replaced = 0;
    if (!m_device) {
        m_temporary = std::make_unique<ExportTemporaryFile>(m_fileName);
        int error = 0;
        if (!m_temporary->create(error)) {
            failure = {MsgCannotCreate, systemText(error), error};
            m_temporary.reset();
            return false;
        }
        // Unbuffered: the pieces gathered here go to the system at once, so a failing write
        // is seen at that write.
        m_file = std::make_unique<QFile>();
        if (!m_file->open(m_temporary->handle(), QIODevice::WriteOnly | QIODevice::Unbuffered,
                          QFileDevice::DontCloseHandle)) {
            failure = {MsgCannotCreate, m_file->errorString(), int(m_file->error())};
            discard();
            return false;
        }
    }
    if (m_encoding == Encoding::Utf16LE)
        m_buffer.append(char16_t(0xFEFF));
    writeHead();
    if (m_buffer.size() >= BufferChars)
        flush();
    if (m_failed) {
        failure = m_failure;
        discard();
        return false;
    }
    return true;
}

ExportWriter::Step ExportFileWriter::writeRow(const QStringList& values, qint64 row, ExportFailure& failure)
{
    if (!m_failed) {
        writeRecord(values, row);
        if (m_buffer.size() >= BufferChars)
            flush();
    }
    if (m_failed) {
        failure = m_failure;
        return Step::Fail;
    }
    return Step::Continue;
}

bool ExportFileWriter::finish(ExportFailure& failure)
{
    if (!m_failed) {
        writeTail();
        flush();
    }
    if (!m_failed && m_temporary) {
        m_file.reset();
        int error = 0;
        if (!m_temporary->commit(error))
            fail(error);
        m_temporary.reset();
    }
    if (m_failed) {
        failure = m_failure;
        discard();
        return false;
    }
    return true;
}

void ExportFileWriter::discard()
{
    m_buffer.clear();
    m_file.reset();
    m_temporary.reset();
}

QStringList ExportFileWriter::endNotes() const
{
    if (m_replaced == 0)
        return {};
    return {FormatMessage(MsgReplacedChars, QString(), QString::number(m_replaced))};
}

ExportFileWriter::Buffer::Buffer()
    : m_data(std::make_unique_for_overwrite<char16_t[]>(BufferChars + 4096)), m_pos(m_data.get()),
      m_end(m_data.get() + BufferChars + 4096)
{}

void ExportFileWriter::Buffer::grow(qsizetype more)
{
    // A row longer than the buffer: it grows to hold it, as a string would.
    const qsizetype used = size();
    const qsizetype capacity = std::max<qsizetype>(2 * (m_end - m_data.get()), used + more);
    auto data = std::make_unique_for_overwrite<char16_t[]>(size_t(capacity));
    std::copy_n(m_data.get(), used, data.get());
    m_data = std::move(data);
    m_pos = m_data.get() + used;
    m_end = m_data.get() + capacity;
}

void ExportFileWriter::appendIndent(int indent)
{
    static constexpr char16_t blanks[] = u"                                                                ";
    constexpr int most = int(std::size(blanks)) - 1;
    while (indent > 0) {
        const int n = std::min(indent, most);
        m_buffer.append(QStringView(blanks, n));
        indent -= n;
    }
}

void ExportFileWriter::writeLine(QStringView text, int indent)
{
    appendIndent(indent);
    m_buffer.append(text);
    endLine();
}

bool ExportFileWriter::flush()
{
    if (m_failed)
        return false;
    if (m_buffer.size() == 0)
        return true;
    QIODevice* device = m_device ? m_device : m_file.get();
    const char* data = nullptr;
    qint64 size = 0;
    if (m_encoding == Encoding::Utf16LE && QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
        data = reinterpret_cast<const char*>(m_buffer.text().utf16());
        size = m_buffer.size() * qint64(sizeof(char16_t));
    } else {
        // Encoded into a buffer that is kept from piece to piece. A piece ends with a row, so
        // no surrogate pair is parted.
        QStringEncoder encoder(m_encoding == Encoding::Utf8 ? QStringEncoder::Utf8 : QStringEncoder::Utf16LE);
        m_bytes.resize(encoder.requiredSpace(m_buffer.size()));
        char* end = encoder.appendToBuffer(m_bytes.data(), m_buffer.text());
        data = m_bytes.constData();
        size = end - m_bytes.constData();
    }
    errno = 0;
    const qint64 written = device ? device->write(data, size) : -1;
    const int error = errno;
    m_buffer.clear();
    if (written != size) {
        // The system's own words for its error ("No space left on device"); a device of
        // another kind says what it can.
        if (error != 0)
            fail(error);
        else
            fail(device && qobject_cast<QFileDevice*>(device) ? int(static_cast<QFileDevice*>(device)->error()) : EIO,
                 device ? device->errorString() : QString());
        return false;
    }
    return true;
}

void ExportFileWriter::fail(int errorNumber, const QString& description)
{
    if (m_failed)
        return;
    m_failed = true;
    m_failure = {MsgCannotCreate, description.isEmpty() ? systemText(errorNumber) : description, errorNumber};
}
