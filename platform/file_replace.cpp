#include "platform/file_replace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QtGlobal>
#include <cerrno>
#include <utility>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QSaveFile>
#endif

namespace platform {

namespace {

constexpr qsizetype kBufferBytes = 64 * 1024;

std::function<int(const QString&)>& newFileRefusal() {
    static std::function<int(const QString&)> refusal;
    return refusal;
}

#ifdef Q_OS_UNIX
QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}
#endif

} // namespace

void FileReplace::setNewFileRefusal(std::function<int(const QString& folder)> refusal) {
    newFileRefusal() = std::move(refusal);
}

FileReplace::FileReplace(const QString& path) : path_(path), target_(path) {}

FileReplace::~FileReplace() {
    cancel();
}

bool FileReplace::fail(int err) {
    failed_ = true;
    error_ = qt_error_string(err);
    return false;
}

#ifdef Q_OS_UNIX

int syncFolderOf(const QString& path, int (*fsyncFn)(int)) {
    const QString folder = QFileInfo(path).absolutePath();
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int error = (fsyncFn ? fsyncFn : ::fsync)(fd) != 0 && errno != EINVAL ? errno : 0;
    ::close(fd);
    return error;
}

bool FileReplace::open() {
    // Through a link, the file it names is written and the link stays.
    const QFileInfo given(path_);
    if (given.isSymLink()) {
        const QString canonical = given.canonicalFilePath();
        target_ = canonical.isEmpty() ? given.symLinkTarget() : canonical;
    }
    struct stat st {};
    if (::stat(native(target_).constData(), &st) == 0) {
        // A device or pipe would be swapped for a plain file, or never take the rows.
        if (!S_ISREG(st.st_mode)) {
            failed_ = true;
            error_ = QStringLiteral("not a regular file");
            return false;
        }
        exists_ = true;
        oldMode_ = st.st_mode & 07777;
        oldUid_ = st.st_uid;
        oldGid_ = st.st_gid;
    } else if (errno != ENOENT) {
        return fail(errno);
    }

    // A new file beside the old one, unless the old one has other names that must see the save.
    int madeErr = 0;
    if (!exists_ || st.st_nlink <= 1) {
        const QFileInfo t(target_);
        const QString folder = t.absolutePath();
        const auto& refusal = newFileRefusal();
        madeErr = refusal ? refusal(folder) : 0;
        for (int attempt = 0; madeErr == 0 && fd_ < 0 && attempt < 100; ++attempt) {
            temp_ = QDir(folder).filePath(
                QStringLiteral(".%1.%2")
                    .arg(t.fileName())
                    .arg(QRandomGenerator::global()->generate() & 0xFFFFFF, 6, 16, QLatin1Char('0')));
            // An old file's permissions come at the end; until then only we may read the new one.
            fd_ = ::open(native(temp_).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                         exists_ ? 0600 : 0666);
            if (fd_ < 0 && errno != EEXIST)
                madeErr = errno;
        }
        if (fd_ < 0 && madeErr == 0)
            madeErr = EEXIST;
        if (fd_ >= 0) {
            mode_ = Mode::Replace;
            return true;
        }
        temp_.clear();
        if (!exists_)
            return fail(madeErr);
    }
    // In place: the old file is written over from its start and cut to the new length at the end.
    mode_ = Mode::InPlace;
    fd_ = ::open(native(target_).constData(), O_WRONLY | O_CLOEXEC);
    if (fd_ < 0)
        return fail(errno);
    struct stat now {};
    if (::fstat(fd_, &now) != 0 || !S_ISREG(now.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        failed_ = true;
        error_ = QStringLiteral("not a regular file");
        return false;
    }
    return true;
}

bool FileReplace::flushBuffer() {
    qsizetype done = 0;
    while (done < buffer_.size()) {
        const ssize_t n =
            ::write(fd_, buffer_.constData() + done, static_cast<size_t>(buffer_.size() - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            buffer_.remove(0, done);
            return fail(errno);
        }
        done += n;
        written_ += n;
    }
    buffer_.clear();
    return true;
}

bool FileReplace::write(QByteArrayView bytes) {
    if (fd_ < 0 || failed_) {
        finishFailed();
        return false;
    }
    buffer_.append(bytes);
    if (buffer_.size() >= kBufferBytes && !flushBuffer()) {
        finishFailed();
        return false;
    }
    return true;
}

bool FileReplace::commit() {
    if (fd_ < 0 || failed_ || !flushBuffer()) {
        finishFailed();
        return false;
    }
    if (mode_ == Mode::InPlace && ::ftruncate(fd_, written_) != 0) {
        fail(errno);
        finishFailed();
        return false;
    }
    // On the disk before it takes the old file's place: a full disk may tell only now.
    if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) {
        fail(errno);
        finishFailed();
        return false;
    }
    if (mode_ == Mode::Replace && exists_) {
        // Where the system lets us: the owner first, since a change of owner drops set-id bits.
        struct stat st {};
        if (::fstat(fd_, &st) == 0 && (st.st_uid != oldUid_ || st.st_gid != oldGid_)) {
            if (::fchown(fd_, oldUid_, oldGid_) != 0)
                (void)::fchown(fd_, static_cast<uid_t>(-1), oldGid_);
        }
        (void)::fchmod(fd_, oldMode_);
    }
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0 && errno != EINTR) {
        fail(errno);
        finishFailed();
        return false;
    }
    if (mode_ == Mode::Replace) {
        if (::rename(native(temp_).constData(), native(target_).constData()) != 0) {
            fail(errno);
            finishFailed();
            return false;
        }
        temp_.clear();
        // The new name on the disk as well. The file is replaced by now whatever this says.
        (void)syncFolderOf(target_);
    }
    return true;
}

void FileReplace::finishFailed() {
    failed_ = true;
    buffer_.clear();
    if (mode_ == Mode::InPlace && fd_ >= 0 && written_ > 0)
        (void)::ftruncate(fd_, written_); // what was written, not a mix with the old contents
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.isEmpty()) {
        ::unlink(native(temp_).constData());
        temp_.clear();
    }
}

void FileReplace::cancel() {
    if (fd_ >= 0 || !temp_.isEmpty())
        finishFailed();
}

#else // not Unix: the system's own safe save, every result checked

int syncFolderOf(const QString&, int (*)(int)) {
    return 0;
}

bool FileReplace::open() {
    const QFileInfo info(path_);
    if (info.exists() && !info.isFile()) {
        failed_ = true;
        error_ = QStringLiteral("not a regular file");
        return false;
    }
    fd_ = 0; // open; the bytes are kept until the commit
    return true;
}

bool FileReplace::flushBuffer() {
    return true;
}

bool FileReplace::write(QByteArrayView bytes) {
    if (fd_ < 0 || failed_)
        return false;
    buffer_.append(bytes);
    return true;
}

bool FileReplace::commit() {
    if (fd_ < 0 || failed_)
        return false;
    fd_ = -1;
    QSaveFile file(path_);
    const bool ok = file.open(QIODevice::WriteOnly) && file.write(buffer_) == buffer_.size() &&
                    file.flush() && file.error() == QFileDevice::NoError && file.commit();
    if (!ok) {
        failed_ = true;
        error_ = file.errorString();
        file.cancelWriting();
    }
    buffer_.clear();
    return ok;
}

void FileReplace::finishFailed() {
    failed_ = true;
    buffer_.clear();
    fd_ = -1;
}

void FileReplace::cancel() {
    finishFailed();
}

#endif

} // namespace platform
