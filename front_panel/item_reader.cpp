#include "front_panel/item_reader.h"

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
        r.item = data.sliced(first + 1, close - first - 1).toByteArray();
        return r;
    }

    qsizetype end = 0;
    if (!findItemEnd(data, pos, atEnd, end, r.next)) {
        r.status = NextItemResult::NeedMore;
        return r;
    }
    r.status = NextItemResult::Item;
    r.item = data.sliced(pos, end - pos).toByteArray();
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
        items << QString::fromLatin1(r.item);
        pos = r.next;
    }
}
