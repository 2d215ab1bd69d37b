// A data file opened from the disk: the item reader over the file's bytes as they come in chunks,
// and each item split into the file list's grid cells.
//
// Input: one byte chooses the chunk size; the rest is the file.
#include "front_panel/item_reader.h"
#include "platform/grid.h"
#include "tests/fuzz/fuzz_check.h"

#include <QApplication>
#include <cstdlib>

namespace {
// Made once and never destroyed: Qt's own globals are gone by the time static destructors run.
QApplication* app = nullptr;
platform::Grid* grid = nullptr;
constexpr int kCols = 3; // the file list's columns
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app = new QApplication(*argc, *argv);
    grid = new platform::Grid;
    grid->setCols(kCols);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const qsizetype chunk = data[0] + 1;
    const QByteArray file = fuzzBytes(data + 1, size - 1);

    bool openQuote = false;
    const QStringList whole = ReadItems(file, &openQuote);

    // As the file is opened: read in chunks, an item cut at a chunk's end read again with more.
    QByteArray buffer;
    qsizetype pos = 0, read = 0;
    bool atEnd = false, endedInQuote = false;
    QStringList items;
    for (int guard = 0;; ++guard) {
        FUZZ_CHECK(guard <= 4 * file.size() + 16);
        const NextItemResult r = NextItem(buffer, pos, atEnd);
        if (r.status == NextItemResult::Item) {
            FUZZ_CHECK(r.next > pos && r.next <= buffer.size());
            items.append(QString::fromLatin1(r.item));
            pos = r.next;
            continue;
        }
        if (r.status == NextItemResult::End)
            break;
        if (r.status == NextItemResult::OpenQuote) {
            endedInQuote = true;
            break;
        }
        FUZZ_CHECK(!atEnd);
        buffer.remove(0, pos);
        pos = 0;
        const qsizetype take = std::min(std::max(chunk, buffer.size()), file.size() - read);
        buffer.append(file.mid(read, take));
        read += take;
        if (take == 0)
            atEnd = true;
    }
    FUZZ_CHECK(items == whole && endedInQuote == openQuote);

    // Every item after the first is one row of the file list, cut at its TABs.
    grid->setRows(1);
    for (qsizetype i = 1; i < items.size(); ++i) {
        grid->addItem(items[i]);
        const int row = grid->rows() - 1;
        FUZZ_CHECK(row == i && grid->cols() == kCols);
        const QStringList cells = items[i].split(QLatin1Char('\t'));
        for (int c = 0; c < kCols; ++c)
            FUZZ_CHECK(grid->textAt(row, c) == (c < cells.size() ? cells[c] : QString()));
    }
    return 0;
}
