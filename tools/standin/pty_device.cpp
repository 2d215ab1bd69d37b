#include "tools/standin/pty_device.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace standin {

PtyDevice::PtyDevice(QObject* parent) : QObject(parent) {}

PtyDevice::~PtyDevice() {
    close();
}

QString PtyDevice::devicePath() const {
    return linkPath_.isEmpty() ? slavePath_ : linkPath_;
}

bool PtyDevice::open(const QString& linkPath) {
    close();
    linkPath_ = linkPath;
    const int fd = posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0)
        return false;
    if (grantpt(fd) != 0 || unlockpt(fd) != 0) {
        ::close(fd);
        return false;
    }
    const char* name = ptsname(fd);
    if (!name) {
        ::close(fd);
        return false;
    }
    const QString path = QString::fromLocal8Bit(name);
    const int sfd = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (sfd < 0) {
        ::close(fd);
        return false;
    }
    termios tio{};
    if (tcgetattr(sfd, &tio) == 0) {
        cfmakeraw(&tio);
        cfsetispeed(&tio, B19200);
        cfsetospeed(&tio, B19200);
        tcsetattr(sfd, TCSANOW, &tio);
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    fcntl(fd, F_SETFD, FD_CLOEXEC);

    if (!linkPath_.isEmpty() && !placeLink(path)) {
        ::close(sfd);
        ::close(fd);
        return false;
    }
    masterFd_ = fd;
    slaveFd_ = sfd;
    slavePath_ = path;
    readNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(readNotifier_, &QSocketNotifier::activated, this, &PtyDevice::onReadable);
    writeNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    writeNotifier_->setEnabled(false);
    connect(writeNotifier_, &QSocketNotifier::activated, this, &PtyDevice::onWritable);
    return true;
}

void PtyDevice::close() {
    outQueue_.clear();
    delete readNotifier_;
    readNotifier_ = nullptr;
    delete writeNotifier_;
    writeNotifier_ = nullptr;
    removeLink();
    if (slaveFd_ >= 0)
        ::close(slaveFd_);
    if (masterFd_ >= 0)
        ::close(masterFd_);
    slaveFd_ = masterFd_ = -1;
    slavePath_.clear();
}

bool PtyDevice::placeLink(const QString& target) {
    const QByteArray link = QFile::encodeName(linkPath_);
    struct stat st {};
    if (lstat(link.constData(), &st) == 0) {
        if (!S_ISLNK(st.st_mode))
            return false; // never replace a real file
        ::unlink(link.constData());
    }
    return ::symlink(QFile::encodeName(target).constData(), link.constData()) == 0;
}

void PtyDevice::removeLink() {
    if (linkPath_.isEmpty())
        return;
    const QByteArray link = QFile::encodeName(linkPath_);
    struct stat st {};
    if (lstat(link.constData(), &st) == 0 && S_ISLNK(st.st_mode)) {
        // Only our own link: another stand-in may have moved it meanwhile.
        char buf[4096];
        const ssize_t n = ::readlink(link.constData(), buf, sizeof buf - 1);
        if (n >= 0 && QFile::decodeName(QByteArray(buf, n)) == slavePath_)
            ::unlink(link.constData());
    }
}

void PtyDevice::send(const QByteArray& bytes) {
    if (masterFd_ < 0 || bytes.isEmpty())
        return;
    outQueue_.append(bytes);
    flushOut();
}

void PtyDevice::flushOut() {
    while (!outQueue_.isEmpty() && masterFd_ >= 0) {
        const ssize_t n = ::write(masterFd_, outQueue_.constData(), size_t(outQueue_.size()));
        if (n > 0) {
            outQueue_.remove(0, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break; // full (EAGAIN) or gone: wait for the notifier
    }
    if (writeNotifier_)
        writeNotifier_->setEnabled(!outQueue_.isEmpty());
}

void PtyDevice::onWritable() {
    flushOut();
    if (outQueue_.isEmpty())
        emit drained();
}

void PtyDevice::onReadable() {
    char buf[4096];
    for (;;) {
        if (masterFd_ < 0)
            return; // a slot closed us
        const ssize_t n = ::read(masterFd_, buf, sizeof buf);
        if (n > 0) {
            emit received(QByteArray(buf, n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EIO && readNotifier_) {
            // No slave open at all (cannot happen while we hold ours); avoid a busy loop.
            readNotifier_->setEnabled(false);
        }
        return;
    }
}

} // namespace standin
