#include "convert/line_reader.h"

#include "platform/failure/failure_codes.h"

#include <QFileInfo>
#include <algorithm>
#include <cstring>

namespace corvane {

LineReader::LineReader(const QString& path, qsizetype blockSize)
    : m_file(path)
    , m_blockSize(std::max<qsizetype>(blockSize, 1))
{
    const QFileInfo info(path);
    if (!info.exists())
        throw platform::failure::FileNotFound.make(path);
    if (info.isDir())
        throw platform::failure::PathFileAccessError.make(path + QStringLiteral(": Is a directory"));
    // Unbuffered: the blocks are read straight into our own buffer.
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw platform::failure::PathFileAccessError.make(path + QStringLiteral(": ") + m_file.errorString());
}

bool LineReader::readLine(QByteArrayView& line)
{
    for (;;) {
        if (m_afterCr && m_pos < m_end) {
            if (m_buffer.at(m_pos) == '\n')
                ++m_pos;
            m_afterCr = false;
        }
        const qsizetype lineEnd = nextLineEnd(m_pos);
        if (lineEnd < m_end) {
            line = QByteArrayView(m_buffer.constData() + m_pos, lineEnd - m_pos);
            m_afterCr = m_buffer.at(lineEnd) == '\r';
            m_pos = lineEnd + 1;
            return true;
        }
        if (m_atEnd || !readMore()) {
            m_afterCr = false;
            if (m_pos >= m_end)
                return false;
            // The last line, without a line end.
            line = QByteArrayView(m_buffer.constData() + m_pos, m_end - m_pos);
            m_pos = m_end;
            return true;
        }
    }
}

// Moves the unread rest to the front and appends the next block; false at
// the end of the file.
bool LineReader::readMore()
{
    const qsizetype rest = m_end - m_pos;
    if (m_pos > 0 && rest > 0)
        std::memmove(m_buffer.data(), m_buffer.constData() + m_pos, static_cast<size_t>(rest));
    m_pos = 0;
    m_end = rest;
    // A line longer than a block grows the buffer.
    if (m_buffer.size() < rest + m_blockSize)
        m_buffer.resize(std::max(rest + m_blockSize, m_buffer.size() * 2));
    const qint64 got = m_file.read(m_buffer.data() + rest, m_buffer.size() - rest);
    m_nextCr = -1;
    m_nextLf = -1;
    if (got < 0)
        throw platform::failure::PathFileAccessError.make(
            m_file.fileName() + QStringLiteral(": ") + m_file.errorString());
    if (got == 0) {
        m_atEnd = true;
        return false;
    }
    m_end += got;
    return true;
}

qsizetype LineReader::nextLineEnd(qsizetype from)
{
    const auto find = [&](qsizetype& cached, char c) {
        if (cached < from) {
            const char* begin = m_buffer.constData();
            const void* hit = std::memchr(begin + from, c, static_cast<size_t>(m_end - from));
            cached = hit ? static_cast<const char*>(hit) - begin : m_end;
        }
        return cached;
    };
    return std::min(find(m_nextCr, '\r'), find(m_nextLf, '\n'));
}

} // namespace corvane
