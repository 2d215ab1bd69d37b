#include "front_panel/record_file.h"

#include "platform/file_replace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace recordfile {
namespace {

#ifdef Q_OS_UNIX
QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}
#endif

} // namespace

SystemCalls defaultSystemCalls() {
#ifdef Q_OS_UNIX
    return {::write, ::fdatasync, ::fsync};
#else
    return {nullptr, nullptr, nullptr};
#endif
}

SystemCalls& systemCalls() {
    static SystemCalls calls = defaultSystemCalls();
    return calls;
}

#ifdef Q_OS_UNIX

Result append(QFile& file, const QByteArray& line) {
    const int fd = file.handle();
    struct stat before {};
    if (fd < 0 || ::fstat(fd, &before) != 0)
        return {Outcome::Failed, systemReason(fd < 0 ? EBADF : errno)};
    // Only regular files can be cut back; a device simply takes the bytes or refuses them.
    const bool regular = S_ISREG(before.st_mode);
    const SystemCalls& sys = systemCalls();

    int error = 0;
    qsizetype done = 0;
    while (done < line.size()) {
        const ssize_t n = sys.write(fd, line.constData() + done, static_cast<size_t>(line.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            error = n < 0 ? errno : ENOSPC; // a write that takes nothing is a full disk
            break;
        }
    }
    // Devices that cannot be synced (EINVAL) have nothing to sync.
    if (error == 0 && sys.fdatasync(fd) != 0 && errno != EINVAL)
        error = errno;
    if (error != 0) {
        // Half a record must not stay behind: the file ends at its last whole line again.
        if (regular && ::ftruncate(fd, before.st_size) == 0) {
            ::lseek(fd, before.st_size, SEEK_SET);
            sys.fdatasync(fd);
        }
        return {Outcome::Failed, systemReason(error)};
    }
    if (deleted(file))
        return {Outcome::Deleted, {}};
    return {};
}

bool deleted(const QFile& file) {
    struct stat st {};
    return file.handle() >= 0 && ::fstat(file.handle(), &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 0;
}

bool syncFolder(const QString& path, QString* reason) {
    const int error = platform::syncFolderOf(path, systemCalls().fsync);
    if (error != 0 && reason)
        *reason = systemReason(error);
    return error == 0;
}

#else

Result append(QFile& file, const QByteArray& line) {
    if (file.write(line) != line.size() || !file.flush())
        return {Outcome::Failed, file.errorString()};
    return {};
}

bool deleted(const QFile&) {
    return false;
}

bool syncFolder(const QString&, QString*) {
    return true;
}

#endif

} // namespace recordfile
