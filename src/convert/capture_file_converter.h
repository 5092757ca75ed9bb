#pragma once

#include <QString>
#include <functional>

namespace corvane {

struct ConversionCounts {
    qint64 linesRead = 0;
    qint64 linesWritten = 0; // lines holding all eleven keys
};

// Turns a text file of captured firewall lines into comma-separated lines,
// one output line per input line that holds all eleven keys (see
// cutConverterLine). Bytes are copied as they are, never decoded; lines end
// as LineReader reads them, output lines end in CR LF. Needs no window, so
// the parse tab and corvane-convert share it.
class CaptureFileConverter {
public:
    // Called after each input line with the number of lines read so far,
    // whether the line gave an output line or not.
    using Progress = std::function<void(qint64 linesRead)>;

    CaptureFileConverter(QString inputPath, QString outputPath);

    const QString& inputPath() const { return m_inputPath; }
    const QString& outputPath() const { return m_outputPath; }

    // The first pass: the number of lines in the input file. Fails with 53
    // "File not found" naming the file when it does not exist.
    qint64 countLines() const;

    // The second pass. Opens the input (53 as above), then creates or empties
    // the output: a missing folder fails with 76 "Path not found", any other
    // refusal (or the output being the input file under any name) with 75 "Path/File
    // access error", both with the system's reason and before anything is
    // written. A failing line stops the conversion there; the lines written
    // before it stay in the output.
    ConversionCounts convert(const Progress& progress = {}) const;

private:
    QString m_inputPath;
    QString m_outputPath;
};

} // namespace corvane
