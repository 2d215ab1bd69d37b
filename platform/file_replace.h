// Writing a whole file over an old one of the same name. Where the folder takes a new file, the
// bytes go to a new file beside the old one, which takes the old one's place (its owner and
// permissions where the system lets us) only once every byte is on the disk: a failure leaves the
// old file as it was. A file with more than one name (hard links), or in a folder that takes no
// new file, is written in place instead, so that every name keeps seeing it and a file the user
// may write can still be saved; such a write that fails half-way leaves only the part written.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>

namespace platform {

// Puts a folder's names (a file made or renamed in it) on the disk. `path` names a file in the
// folder; `fsyncFn` stands in for fsync in tests. Returns 0 or the system's error number; a folder
// that cannot be synced (EINVAL) counts as done.
int syncFolderOf(const QString& path, int (*fsyncFn)(int) = nullptr);

class FileReplace {
public:
    enum class Mode {
        Replace, // a new file takes the old one's place
        InPlace, // the old file is written over and cut to the new length
    };

    explicit FileReplace(const QString& path);
    ~FileReplace(); // an open write not committed is cancelled
    FileReplace(const FileReplace&) = delete;
    FileReplace& operator=(const FileReplace&) = delete;

    // False, with errorString(), when the file cannot be written at all; nothing has changed then.
    bool open();
    // Every write's and the end's result counts: false, with errorString() (the system's reason),
    // once any byte failed to reach the file. A failed write or commit cancels the whole write.
    bool write(QByteArrayView bytes);
    bool commit();
    void cancel();

    Mode mode() const { return mode_; }
    // After a failure: whether a file of that name is still as it was before.
    bool oldFileIntact() const { return mode_ == Mode::Replace || written_ == 0; }
    QString errorString() const { return error_; }

    // For tests: asked before a new file is made in `folder`; an errno other than 0 makes the
    // making fail with it, as a folder the user may not write does.
    static void setNewFileRefusal(std::function<int(const QString& folder)> refusal);

private:
    bool fail(int err);
    bool flushBuffer();
    void finishFailed();

    QString path_;   // as given
    QString target_; // the file written, a link followed
    QString temp_;   // the new file beside it, in Replace mode
    Mode mode_ = Mode::Replace;
    int fd_ = -1;
    bool exists_ = false;
    bool failed_ = false;
    unsigned oldMode_ = 0;
    unsigned oldUid_ = 0;
    unsigned oldGid_ = 0;
    qint64 written_ = 0;
    QByteArray buffer_;
    QString error_;
};

} // namespace platform
