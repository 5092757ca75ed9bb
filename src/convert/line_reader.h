#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>

namespace corvane {

// Reads a file line by line in large blocks, without copying each line. A
// line ends at CR LF, at LF or at a lone CR (files from any system read the
// same); the line end is not part of the line. The last line needs no line
// end; an empty file has no lines and a file ending in a line end has no
// empty line after it. Both converter passes read through this, so they
// always agree on the count.
class LineReader {
public:
    // Fails with 53 "File not found" when the file does not exist, 75
    // "Path/File access error" when it cannot be read.
    explicit LineReader(const QString& path, qsizetype blockSize = 1 << 20);

    // The next line, valid until the next call; false at the end of the file.
    // Fails with 75 when reading fails.
    bool readLine(QByteArrayView& line);

private:
    bool readMore();
    qsizetype nextLineEnd(qsizetype from);

    QFile m_file;
    qsizetype m_blockSize;
    QByteArray m_buffer;
    qsizetype m_pos = 0; // start of the unread data
    qsizetype m_end = 0; // end of the data in m_buffer
    bool m_atEnd = false;
    bool m_afterCr = false; // the last line ended at CR: an LF next belongs to it
    // The next CR and LF at or after the search start, m_end when the
    // buffer holds none; -1 when not searched since the buffer changed.
    // Searching each once per block keeps long runs without CR linear.
    qsizetype m_nextCr = -1;
    qsizetype m_nextLf = -1;
};

} // namespace corvane
