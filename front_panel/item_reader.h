// The item reader of data files: an item runs to the next comma or the end of the line; an item
// that opens with a double quote runs to the closing quote. The program's own files hold neither,
// so for them an item is a whole line, TABs included.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>
#include <functional>

class QIODevice;

struct NextItemResult {
    enum Status {
        Item,      // `item` holds the next item; the next one starts at `next`
        End,       // no more items
        NeedMore,  // the item may go on past the bytes given: call again with more
        OpenQuote, // the data ends inside a quoted item
    };
    Status status = End;
    QByteArrayView item; // within the data given
    qsizetype next = 0;
};

// Reads the item that starts at `pos` in `data`. `atEnd` says that `data` holds the rest of the
// file. Blanks before an opening quote are skipped, and what follows the closing quote up to the
// comma or line end is dropped; unquoted items keep their blanks and TABs. A line end is CR LF,
// LF or CR. An empty line gives no item.
NextItemResult NextItem(QByteArrayView data, qsizetype pos, bool atEnd);

// Every item of a whole file's bytes (ANSI), in order; `openQuote` tells whether the data ends
// inside a quoted item (which is dropped).
QStringList ReadItems(QByteArrayView data, bool* openQuote = nullptr);

// How a read of a device's items ended.
struct DeviceItemsRead {
    enum Status {
        End,       // every item was read
        OpenQuote, // the data ends inside a quoted item, which is dropped
        ReadError, // the device failed; `error` tells why
        Stopped,   // the sink asked to stop
        TooLong,   // an item grew past the longest allowed, or past the memory to hold it
    };
    Status status = End;
    qint64 items = 0; // items handed to the sink (the one that stopped it included)
    QString error;
};

// Reads the items of `device` from its current position, `chunk` bytes at a time (more when an
// item is longer), and hands each item's bytes to `sink`, valid during the call only. The sink
// returns false to stop the read there. An item is not read past `longest` bytes.
DeviceItemsRead ReadDeviceItems(QIODevice& device, qint64 chunk, qint64 longest,
                                const std::function<bool(QByteArrayView)>& sink);
