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
        qsizetype p = close + 1;
        while (p < size && data[p] != ',' && !isLineEnd(data[p]))
            ++p;
        if (p == size && !atEnd) {
            r.status = NextItemResult::NeedMore;
            return r;
        }
        if (p < size) {
            if (data[p] == ',')
                ++p;
            else if (!skipLineEnd(data, p, atEnd)) {
                r.status = NextItemResult::NeedMore;
                return r;
            }
        }
        r.status = NextItemResult::Item;
        r.item = data.sliced(first + 1, close - first - 1).toByteArray();
        r.next = p;
        return r;
    }

    qsizetype p = pos;
    while (p < size && data[p] != ',' && !isLineEnd(data[p]))
        ++p;
    if (p == size && !atEnd) {
        r.status = NextItemResult::NeedMore;
        return r;
    }
    r.item = data.sliced(pos, p - pos).toByteArray();
    if (p < size) {
        if (data[p] == ',')
            ++p;
        else if (!skipLineEnd(data, p, atEnd)) {
            r.status = NextItemResult::NeedMore;
            return r;
        }
    }
    r.status = NextItemResult::Item;
    r.next = p;
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
