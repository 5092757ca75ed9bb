#include "convert/capture_file_converter.h"

#include "convert/converter_line.h"
#include "convert/line_reader.h"
#include "platform/failure/failure_codes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

namespace corvane {

namespace {

constexpr qsizetype OutputBlockSize = 1 << 20;

// Same device and inode; a path that does not exist is no file at all.
bool isSameFile(const QString& first, const QString& second)
{
    std::error_code error;
    const bool same = std::filesystem::equivalent(
        QFile::encodeName(first).toStdString(), QFile::encodeName(second).toStdString(), error);
    return same && !error;
}

// The output file with a block buffer in front of it. Whatever was appended
// reaches the file also when a failure leaves the conversion early.
class OutputFile {
public:
    OutputFile(const QString& path, const QString& inputPath)
        : m_file(path)
    {
        const QFileInfo info(path);
        // By identity, not by name: a hard link or another spelling of the
        // input would otherwise be emptied before a line is read.
        if (isSameFile(path, inputPath))
            throw platform::failure::PathFileAccessError.make(
                path + QStringLiteral(": the input file itself"));
        if (!info.absoluteDir().exists())
            throw platform::failure::PathNotFound.make(path + QStringLiteral(": No such file or directory"));
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
            throw platform::failure::PathFileAccessError.make(
                path + QStringLiteral(": ") + m_file.errorString());
        m_pending.reserve(OutputBlockSize + 4096);
    }

    // Best effort only: this runs while another failure is on its way to
    // the user, and that one is what gets reported.
    ~OutputFile()
    {
        if (!m_pending.isEmpty())
            m_file.write(m_pending);
    }

    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void append(const ConverterValues& values)
    {
        appendConverterLine(m_pending, values);
        if (m_pending.size() >= OutputBlockSize)
            writePending();
    }

    void finish()
    {
        writePending();
        m_file.close();
    }

private:
    void writePending()
    {
        if (m_pending.isEmpty())
            return;
        if (m_file.write(m_pending) != m_pending.size())
            throw platform::failure::PathFileAccessError.make(
                m_file.fileName() + QStringLiteral(": ") + m_file.errorString());
        m_pending.resize(0); // keeps the capacity
    }

    QFile m_file;
    QByteArray m_pending;
};

} // namespace

CaptureFileConverter::CaptureFileConverter(QString inputPath, QString outputPath)
    : m_inputPath(std::move(inputPath))
    , m_outputPath(std::move(outputPath))
{
}

qint64 CaptureFileConverter::countLines() const
{
    LineReader reader(m_inputPath);
    qint64 count = 0;
    QByteArrayView line;
    while (reader.readLine(line))
        ++count;
    return count;
}

ConversionCounts CaptureFileConverter::convert(const Progress& progress) const
{
    // The input first: when it is missing the output is left alone.
    LineReader reader(m_inputPath);
    OutputFile output(m_outputPath, m_inputPath);
    ConversionCounts counts;
    QByteArrayView line;
    while (reader.readLine(line)) {
        ++counts.linesRead;
        if (const std::optional<ConverterValues> values = cutConverterLine(line)) {
            output.append(*values);
            ++counts.linesWritten;
        }
        if (progress)
            progress(counts.linesRead);
    }
    output.finish();
    return counts;
}

} // namespace corvane
