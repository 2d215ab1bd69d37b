// Appending to the recording file so that every record is whole on disk or not there at all, and
// noticing a file that lost its name. The system calls go through a table tests can replace.
#pragma once

#include <QByteArray>
#include <QString>
#include <sys/types.h>

class QFile;

namespace recordfile {

enum class Outcome {
    Written, // on disk, synced
    Failed,  // not written; the file is cut back to what it held before
    Deleted, // written, but the file no longer has a name: everything in it goes at close
};

struct Result {
    Outcome outcome = Outcome::Written;
    QString reason; // the system's words for a failure
};

// Writes `line` at the end of the open file and syncs it.
Result append(QFile& file, const QByteArray& line);
// True when the open file has been deleted (no name left in any folder).
bool deleted(const QFile& file);
// Syncs the folder that holds `path`, so that a new file's name survives a power cut.
// False with the system's reason when it cannot.
bool syncFolder(const QString& path, QString* reason = nullptr);

struct SystemCalls {
    ssize_t (*write)(int fd, const void* data, size_t size);
    int (*fdatasync)(int fd);
    int (*fsync)(int fd);
};
// The calls in use; tests swap entries to inject failures and put the table back after.
SystemCalls& systemCalls();
SystemCalls defaultSystemCalls();

} // namespace recordfile
