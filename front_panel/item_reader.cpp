#include "front_panel/item_reader.h"

#include "platform/ansi_text.h"

#include <QIODevice>
#include <algorithm>
#include <new>

namespace {

bool isLineEnd(char c) {
    return c == '\n' || c == '\r';
}

// Past the line end at `pos`; NeedMore when a CR is last in the data and an LF may follow.
bool skipLineEnd(QByteArrayView data, qsizetype& pos, bool atEnd) {
    if (data[pos] == '\r') {
        if (pos + 1 == data.size() && !atEnd)
            return false;
        if (pos + 1 < data.size() && data[pos + 1] == '\n')
            ++pos;
    }
    ++pos;
    return true;
}

// From `from`, finds where the item's text ends (a comma, a line end or the data's end) and where
// the next item starts, past that comma or line end. False when the data may go on.
bool findItemEnd(QByteArrayView data, qsizetype from, bool atEnd, qsizetype& end, qsizetype& next) {
    const qsizetype size = data.size();
    qsizetype p = from;
    while (p < size && data[p] != ',' && !isLineEnd(data[p]))
        ++p;
    if (p == size && !atEnd)
        return false;
    end = p;
    if (p < size) {
        if (data[p] == ',')
            ++p;
        else if (!skipLineEnd(data, p, atEnd))
            return false;
    }
    next = p;
    return true;
}

} // namespace

NextItemResult NextItem(QByteArrayView data, qsizetype pos, bool atEnd) {
    NextItemResult r;
    const qsizetype size = data.size();
    // Empty lines give no item.
    while (pos < size && isLineEnd(data[pos])) {
        if (!skipLineEnd(data, pos, atEnd)) {
            r.status = NextItemResult::NeedMore;
            return r;
        }
    }
    if (pos >= size) {
        r.status = atEnd ? NextItemResult::End : NextItemResult::NeedMore;
        return r;
    }

    qsizetype first = pos;
    while (first < size && data[first] == ' ')
        ++first;
    if (first < size && data[first] == '"') {
        const qsizetype close = data.indexOf('"', first + 1);
        if (close < 0) {
            r.status = atEnd ? NextItemResult::OpenQuote : NextItemResult::NeedMore;
            return r;
        }
        qsizetype end = 0;
        if (!findItemEnd(data, close + 1, atEnd, end, r.next)) {
            r.status = NextItemResult::NeedMore;
            return r;
        }
        r.status = NextItemResult::Item;
        r.item = data.sliced(first + 1, close - first - 1);
        return r;
    }

    qsizetype end = 0;
    if (!findItemEnd(data, pos, atEnd, end, r.next)) {
        r.status = NextItemResult::NeedMore;
        return r;
    }
    r.status = NextItemResult::Item;
    r.item = data.sliced(pos, end - pos);
    return r;
}

QStringList ReadItems(QByteArrayView data, bool* openQuote) {
    QStringList items;
    qsizetype pos = 0;
    if (openQuote)
        *openQuote = false;
    for (;;) {
        const NextItemResult r = NextItem(data, pos, true);
        if (r.status != NextItemResult::Item) {
            if (openQuote)
                *openQuote = r.status == NextItemResult::OpenQuote;
            return items;
        }
        items << platform::fromAnsi(r.item);
        pos = r.next;
    }
}

DeviceItemsRead ReadDeviceItems(QIODevice& device, qint64 chunk, qint64 longest,
                                const std::function<bool(QByteArrayView)>& sink) {
    DeviceItemsRead out;
    chunk = std::max<qint64>(1, chunk);
    // An item cut at a chunk's end is scanned again from its start with the next chunk added; a
    // chunk at least as large as the kept tail keeps a very long item linear.
    QByteArray buffer;
    qsizetype pos = 0;
    bool atEnd = false;
    for (;;) {
        const NextItemResult r = NextItem(buffer, pos, atEnd);
        if (r.status == NextItemResult::Item) {
            ++out.items;
            if (!sink(r.item)) {
                out.status = DeviceItemsRead::Stopped;
                return out;
            }
            pos = r.next;
            continue;
        }
        if (r.status == NextItemResult::End)
            return out;
        if (r.status == NextItemResult::OpenQuote) {
            out.status = DeviceItemsRead::OpenQuote;
            return out;
        }
        buffer.remove(0, pos);
        pos = 0;
        const qsizetype have = buffer.size();
        if (have > longest) {
            out.status = DeviceItemsRead::TooLong;
            return out;
        }
        const qint64 want = std::max<qint64>(chunk, have);
        try {
            buffer.resize(have + want);
        } catch (const std::bad_alloc&) {
            out.status = DeviceItemsRead::TooLong;
            return out;
        }
        const qint64 got = device.read(buffer.data() + have, want);
        buffer.resize(have + std::max<qint64>(got, 0));
        if (got < 0) {
            out.status = DeviceItemsRead::ReadError;
            out.error = device.errorString();
            return out;
        }
        if (got == 0)
            atEnd = true;
    }
}
