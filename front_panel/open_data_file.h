// "Open" on the main toolbar: reads a data file chosen by the user into a fresh file list.
#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>

class QIODevice;
struct LoggerContext;
namespace platform {
class Grid;
}

void OpenDataFile(LoggerContext& ctx);

// How reading a data file into a grid ended.
struct DataFileRead {
    enum Status {
        End,       // the whole file was read
        OpenQuote, // the file ends inside a quoted item
        ReadError, // the device failed; `error` tells why
        Full,      // the grid cannot hold the next row
    };
    Status status = End;
    qint64 rows = 0; // data rows added
    QString error;
};

// Reads a data file's items from `device` into the file list's `grid`: the first item decides the
// unit header (row 0, column 2), every later one becomes a row. Reads `chunk` bytes at a time and
// tells the view of the new rows only at the end, or when `progress` is called (with the rows so
// far) every few hundred ms of a long read.
DataFileRead ReadDataFile(QIODevice& device, platform::Grid& grid,
                          const std::function<void(qint64 rows)>& progress = {}, qint64 chunk = 1 << 20);
