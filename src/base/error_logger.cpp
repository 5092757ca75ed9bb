#include "base/error_logger.h"

#include "platform/db/write_protection.h"
#include "platform/dialogs/mouse_pointer.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>
#include <exception>
#include <fcntl.h>
#include <limits>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace corvane {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}
bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

// Reads delimited items the way the log was written: one at a time, each
// ended by a comma, a line end or the end of the file.
class ItemReader {
public:
    explicit ItemReader(const QByteArray& data)
        : m_data(data)
    {
    }

    // The next item, or nothing at the end of the file.
    std::optional<QByteArray> next()
    {
        while (m_pos < m_data.size() && (isBlank(at(m_pos)) || isLineEnd(at(m_pos))))
            ++m_pos;
        if (m_pos >= m_data.size())
            return std::nullopt;
        QByteArray item = at(m_pos) == '"' ? quoted() : unquoted();
        skipDelimiter();
        return item;
    }

private:
    char at(qsizetype pos) const { return m_data.at(pos); }

    // A quote closes the item only where a delimiter follows it, so an old
    // entry with a bare quote inside still reads back whole.
    bool closesItem(qsizetype quote) const
    {
        qsizetype pos = quote + 1;
        while (pos < m_data.size() && isBlank(at(pos)))
            ++pos;
        return pos >= m_data.size() || at(pos) == ',' || isLineEnd(at(pos));
    }

    QByteArray quoted()
    {
        QByteArray item;
        ++m_pos; // the opening quote
        while (m_pos < m_data.size()) {
            const char c = at(m_pos);
            if (c == '"') {
                if (m_pos + 1 < m_data.size() && at(m_pos + 1) == '"') {
                    item.append('"');
                    m_pos += 2;
                    continue;
                }
                if (closesItem(m_pos)) {
                    ++m_pos;
                    break;
                }
            }
            item.append(c);
            ++m_pos;
        }
        return item; // an unclosed quote runs to the end of the file
    }

    QByteArray unquoted()
    {
        const qsizetype start = m_pos;
        while (m_pos < m_data.size() && at(m_pos) != ',' && !isLineEnd(at(m_pos)))
            ++m_pos;
        return m_data.mid(start, m_pos - start).trimmed();
    }

    void skipDelimiter()
    {
        while (m_pos < m_data.size() && isBlank(at(m_pos)))
            ++m_pos;
        if (m_pos >= m_data.size())
            return;
        if (at(m_pos) == ',') {
            ++m_pos;
        } else if (at(m_pos) == '\r') {
            ++m_pos;
            if (m_pos < m_data.size() && at(m_pos) == '\n')
                ++m_pos;
        } else if (at(m_pos) == '\n') {
            ++m_pos;
        }
    }

    const QByteArray& m_data;
    qsizetype m_pos = 0;
};

// The count: decimal digits only; any other item counts as no entries.
qint64 countOf(const QByteArray& item)
{
    if (item.isEmpty())
        return 0;
    for (const char c : item) {
        if (c < '0' || c > '9')
            return 0;
    }
    bool ok = false;
    const qint64 count = item.toLongLong(&ok);
    // Too large to be a real count: no file holds that many entries.
    return ok ? count : std::numeric_limits<qint64>::max();
}

// The counted entries, or nothing when the log is empty or holds fewer
// entries than its count says.
std::optional<std::vector<QByteArray>> readEntries(const QByteArray& data)
{
    ItemReader reader(data);
    const std::optional<QByteArray> countItem = reader.next();
    if (!countItem)
        return std::nullopt;
    const qint64 count = countOf(*countItem);
    std::vector<QByteArray> entries;
    for (qint64 i = 0; i < count; ++i) {
        std::optional<QByteArray> entry = reader.next();
        if (!entry)
            return std::nullopt;
        entries.push_back(std::move(*entry));
    }
    return entries;
}

void appendQuoted(QByteArray& out, const QByteArray& text)
{
    out.append('"');
    for (const char c : text) {
        if (c == '"')
            out.append('"');
        out.append(c);
    }
    out.append("\"\r\n");
}

// Writes all of data, through short writes and interrupted calls.
bool writeAll(int fd, const QByteArray& data)
{
    const char* next = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, next, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        next += written;
        left -= written;
    }
    return true;
}

// Replaces the file at path by data, or leaves it as it was. A full disk may
// show only at the sync or the close, so every step is checked before the
// rename: renaming a short copy over the log would empty it for good.
bool replaceFile(const QByteArray& path, const QByteArray& data)
{
    struct stat old { };
    if (::stat(path.constData(), &old) != 0)
        return false;
    QByteArray tempPath = path + ".XXXXXX";
    const int fd = ::mkostemp(tempPath.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    // The log is shared by the service user and a group of window users:
    // the copy keeps its group where the process may set it, then its mode
    // (after the chown, which may clear bits).
    bool ok = (::fchown(fd, static_cast<uid_t>(-1), old.st_gid) == 0 || errno == EPERM)
        && ::fchmod(fd, old.st_mode & 0777) == 0 && writeAll(fd, data) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(tempPath.constData(), path.constData()) == 0;
    if (!ok)
        ::unlink(tempPath.constData());
    return ok;
}

} // namespace

ErrorLogger::ErrorLogger(QString programFolder, platform::Dialogs& dialogs)
    : m_programFolder(std::move(programFolder))
    , m_dialogs(dialogs)
{
}

QString ErrorLogger::logPath() const
{
    return m_programFolder + QLatin1Char('/') + ErrorLogFileName;
}

QString ErrorLogger::failureMessage(const platform::Failure& failure)
{
    return UnexpectedErrorPrefix + QString::number(failure.number()) + QStringLiteral(": ")
        + failure.description() + UnexpectedErrorSuffix;
}

void ErrorLogger::LogError(const platform::Failure& failure) const
{
    // Ends a busy pointer the failing handler had set.
    platform::setArrowPointer();

    const QString message = failureMessage(failure);
    // Shown before the log is written: its words stand even when writing fails.
    m_dialogs.messageBox(
        { message, UnexpectedErrorTitle, platform::MessageIcon::Critical, platform::MessageButtons::Ok });

    bool logged = false;
    try {
        logged = appendToLog(message);
    } catch (const std::exception&) {
        logged = false; // out of memory while rewriting: reported like any write failure
    }
    if (!logged)
        m_dialogs.showMessage(ErrorWritingLogText, ApplicationTitle);
}

bool ErrorLogger::logQuietly(const platform::Failure& failure) const
{
    try {
        return appendToLog(failureMessage(failure));
    } catch (const std::exception&) {
        return false;
    }
}

bool ErrorLogger::appendToLog(const QString& message) const
{
    const QString path = logPath();
    const QFileInfo logInfo(path);
    // The program never creates its log.
    if (!logInfo.isFile())
        return false;

    QByteArray data;
    {
        QFile in(path);
        if (!in.open(QIODevice::ReadOnly))
            return false;
        data = in.readAll();
        if (in.error() != QFileDevice::NoError)
            return false;
    }
    const std::optional<std::vector<QByteArray>> entries = readEntries(data);
    if (!entries)
        return false;

    // A log the user marked read-only stays untouched, even for root.
    // Checked before anything is written: the rewrite replaces the file by a
    // rename, which a read-only file does not stop (nor a read-only folder
    // for root). A link to the log is followed: the file it names is the
    // one replaced.
    const QString target = logInfo.canonicalFilePath();
    if (target.isEmpty() || platform::db::isWriteProtected(logInfo)
        || platform::db::isWriteProtected(QFileInfo(QFileInfo(target).absolutePath())))
        return false;

    QByteArray out = QByteArray::number(static_cast<qint64>(entries->size()) + 1) + "\r\n";
    for (const QByteArray& entry : *entries)
        appendQuoted(out, entry);
    appendQuoted(out, message.toUtf8());

    // Written beside the log and renamed over it only once stored, so a
    // failed write leaves the old log whole.
    return replaceFile(QFile::encodeName(target), out);
}

} // namespace corvane
