// A data file opened from the disk: the program's own read step (the item reader over the file's
// bytes as they come in chunks, each item split into the file list's grid cells), checked against
// the items of the whole file read at once.
//
// Input: one byte chooses the chunk size; the rest is the file.
#include "front_panel/item_reader.h"
#include "front_panel/open_data_file.h"
#include "logger_data/list_plot_state.h"
#include "platform/grid.h"
#include "tests/fuzz/fuzz_check.h"

#include <QApplication>
#include <QBuffer>
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
    const qint64 chunk = data[0] + 1;
    QByteArray file = fuzzBytes(data + 1, size - 1);

    bool openQuote = false;
    const QStringList whole = ReadItems(file, &openQuote);

    grid->setRows(1);
    grid->setRow(0);
    grid->setCol(2);
    grid->setText(QStringLiteral("unset"));
    QBuffer device(&file);
    FUZZ_CHECK(device.open(QIODevice::ReadOnly));
    const DataFileRead read = ReadDataFile(device, *grid, {}, chunk);
    FUZZ_CHECK((read.status == DataFileRead::OpenQuote) == openQuote);
    FUZZ_CHECK(read.status == DataFileRead::End || read.status == DataFileRead::OpenQuote);

    // The first item decides the unit header; every later one is one row, cut at its TABs.
    const QString header = grid->textAt(0, 2);
    if (whole.isEmpty())
        FUZZ_CHECK(header == QStringLiteral("unset"));
    else
        FUZZ_CHECK(header == (IsMetricHeader(whole[0]) ? QStringLiteral("W/(M)2") : QStringLiteral("Btu/(ft)2.h")));
    const qsizetype rows = std::max<qsizetype>(0, whole.size() - 1);
    FUZZ_CHECK(grid->rows() == rows + 1 && read.rows == rows && grid->cols() == kCols);
    for (qsizetype i = 1; i < whole.size(); ++i) {
        const QStringList cells = whole[i].split(QLatin1Char('\t'));
        for (int c = 0; c < kCols; ++c)
            FUZZ_CHECK(grid->textAt(static_cast<int>(i), c) == (c < cells.size() ? cells[c] : QString()));
    }
    return 0;
}
