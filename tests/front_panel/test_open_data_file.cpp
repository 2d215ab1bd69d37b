// "Open": the item reader and the reading of a data file into the file list.
#include "tests/front_panel/sampler_fixture.h"

#include "front_panel/item_reader.h"
#include "logger_data/data_list.h"
#include "logger_data/file_list.h"
#include "logger_data/file_transfer.h"
#include "platform/ansi_text.h"
#include "platform/grid.h"

#include <QApplication>
#include <QPointer>
#include <QTest>

#include <sys/stat.h>

using testing::SamplerFixture;

namespace {

// Every caption given to a file list, from any window of that name.
class FileListCaptions : public QObject {
public:
    FileListCaptions() { qApp->installEventFilter(this); }
    ~FileListCaptions() override { qApp->removeEventFilter(this); }
    QStringList captions;

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::WindowTitleChange && o->objectName() == QLatin1String("FileList"))
            captions << static_cast<QWidget*>(o)->windowTitle();
        return false;
    }
};

struct Opening : SamplerFixture {
    QString write(const QString& name, const QByteArray& bytes) {
        const QString p = path(name);
        QFile f(p);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return {};
        return p;
    }
    void open(const QString& file) {
        answers << file;
        click(QStringLiteral("Open"));
    }
    FileList* fileList() const { return panel->loggerContext.fileList; }
    // The data rows as "cell0|cell1|cell2".
    QStringList rows() const {
        QStringList out;
        platform::Grid* g = fileList()->Grid;
        for (int r = 1; r < g->rows(); ++r)
            out << g->textAt(r, 0) + '|' + g->textAt(r, 1) + '|' + g->textAt(r, 2);
        return out;
    }
};

// Reads `data` as the file loop does when the bytes come one at a time.
QStringList readByteByByte(const QByteArray& data, bool* openQuote) {
    QStringList items;
    qsizetype have = 0;
    qsizetype pos = 0;
    *openQuote = false;
    for (;;) {
        const NextItemResult r = NextItem(QByteArrayView(data).first(have), pos, have == data.size());
        if (r.status == NextItemResult::Item) {
            items << platform::fromAnsi(r.item);
            pos = r.next;
        } else if (r.status == NextItemResult::NeedMore) {
            if (have == data.size())
                return {QStringLiteral("<NeedMore at the end>")};
            ++have;
        } else {
            *openQuote = r.status == NextItemResult::OpenQuote;
            return items;
        }
    }
}

} // namespace

class TestOpenDataFile : public QObject {
    Q_OBJECT
private slots:
    void itemReader_data();
    void itemReader();
    void opens_data();
    void opens();
    void progressCaptionsAndCaptionBack();
    void openDialogFollowsTheSaveDialog();
    void cancelChangesNothing();
    void openingReplacesTheOpenList();
    void refusedWhileRecording();
    void fileThatCannotBeOpened();
    void notARegularFileIsRefusedAtOnce_data();
    void notARegularFileIsRefusedAtOnce();
    void rowsThatCannotBeHeldStopTheRead_data();
    void rowsThatCannotBeHeldStopTheRead();
    void openQuoteAtTheEndKeepsTheRowsBefore();
    void readFailureKeepsTheListAndClosesTheFile();
    void savedListOpensWithTheSameRows();
    void ansiBytesShowAndSaveBackExactly();
};

void TestOpenDataFile::itemReader_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<bool>("openQuote");
    QTest::newRow("empty") << QByteArray() << QStringList{} << false;
    QTest::newRow("line without end") << QByteArray("a\tb") << QStringList{"a\tb"} << false;
    QTest::newRow("CR LF, LF and CR ends")
        << QByteArray("1\r\n2\n3\r4\r\n") << QStringList{"1", "2", "3", "4"} << false;
    QTest::newRow("TABs kept, leading and trailing")
        << QByteArray("\tTime\tW/(M)2\r\nNo.s\tTime\t\r\n") << QStringList{"\tTime\tW/(M)2", "No.s\tTime\t"}
        << false;
    QTest::newRow("comma splits") << QByteArray("abc,def\r\n") << QStringList{"abc", "def"} << false;
    QTest::newRow("empty item between commas") << QByteArray("a,,b") << QStringList{"a", "", "b"} << false;
    QTest::newRow("comma at the line end") << QByteArray("a,\r\nb") << QStringList{"a", "b"} << false;
    QTest::newRow("empty lines give nothing")
        << QByteArray("\r\n\r\na\n\n\nb\r\n\r\n") << QStringList{"a", "b"} << false;
    QTest::newRow("blanks kept") << QByteArray(" a b \r\n") << QStringList{" a b "} << false;
    QTest::newRow("quoted comma") << QByteArray("\"a,b\",c\r\n") << QStringList{"a,b", "c"} << false;
    QTest::newRow("blanks before a quote") << QByteArray("  \"x\"\r\ny") << QStringList{"x", "y"} << false;
    QTest::newRow("text after the closing quote dropped")
        << QByteArray("\"x\"yz,w\r\n") << QStringList{"x", "w"} << false;
    QTest::newRow("quote runs over the line end")
        << QByteArray("\"a\r\nb\"\r\nc") << QStringList{"a\r\nb", "c"} << false;
    QTest::newRow("quote inside an item is text") << QByteArray("a\"b\r\n") << QStringList{"a\"b"} << false;
    QTest::newRow("open quote at the end") << QByteArray("a\r\n\"b\tc\r\nd") << QStringList{"a"} << true;
    QTest::newRow("lone quote") << QByteArray("\"") << QStringList{} << true;
    QTest::newRow("ANSI") << QByteArray("\xb0"
                                        "C\xe9 \x80\x96")
                          << QStringList{QString::fromUtf8("\u00b0C\u00e9 \u20ac\u2013")} << false;
}

void TestOpenDataFile::itemReader() {
    QFETCH(QByteArray, data);
    QFETCH(QStringList, items);
    QFETCH(bool, openQuote);
    bool open = !openQuote;
    QCOMPARE(ReadItems(data, &open), items);
    QCOMPARE(open, openQuote);
    // The file loop reads in chunks: an item cut anywhere reads the same.
    open = !openQuote;
    QCOMPARE(readByteByByte(data, &open), items);
    QCOMPARE(open, openQuote);
}

void TestOpenDataFile::opens_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("header");
    QTest::addColumn<QStringList>("rows");
    // The display shows kBtu/((ft)2.h) in every case: the list's own header until the first line.
    QTest::newRow("empty file") << QByteArray() << "kBtu/((ft)2.h)" << QStringList{};
    QTest::newRow("one line") << QByteArray("\tTime\tW/(M)2\r\n") << "W/(M)2" << QStringList{};
    QTest::newRow("recording file")
        << QByteArray("\tTime\tW/(M)2\r\n1\t10:00:01\t812.5\r\n2\t10:00:03\tOL\r\n3\t10:00:05\t\r\n")
        << "W/(M)2" << QStringList{"1|10:00:01|812.5", "2|10:00:03|OL", "3|10:00:05|"};
    QTest::newRow("recording in KW/(M)2") << QByteArray("\tTime\tKW/(M)2\r\n1\t10:00:01\t0.812\r\n")
                                          << "W/(M)2" << QStringList{"1|10:00:01|0.812"};
    QTest::newRow("recording in kBtu") << QByteArray("\tTime\tkBtu/((ft)2.h)\r\n1\t10:00:01\t0.257\r\n")
                                       << "Btu/(ft)2.h" << QStringList{"1|10:00:01|0.257"};
    QTest::newRow("list file, header without capital M")
        << QByteArray("No.s\tTime\tBtu/((ft)2.h)\t\r\n1\t00:00:00\t39.1\t\r\n2\t00:01:00\t316.9\t\r\n")
        << "Btu/(ft)2.h" << QStringList{"1|00:00:00|39.1", "2|00:01:00|316.9"};
    QTest::newRow("foreign line with a comma gives two rows")
        << QByteArray("header M\nabc,def\n") << "W/(M)2" << QStringList{"abc||", "def||"};
    QTest::newRow("comma in the first line")
        << QByteArray("x,y\r\nz\r\n") << "Btu/(ft)2.h" << QStringList{"y||", "z||"};
    // The file is read in chunks of 64 KiB.
    const QByteArray longLine(200000, 'x');
    QTest::newRow("item longer than a chunk")
        << QByteArray("M\r\n" + longLine + "\r\n1\t2\t3\r\n") << "W/(M)2"
        << QStringList{QString::fromLatin1(longLine) + "||", "1|2|3"};
    const QByteArray filler(65536 - 4, 'a');
    QTest::newRow("CR LF across a chunk's end") << QByteArray("M\r\n" + filler + "\r\nb\r\n") << "W/(M)2"
                                                << QStringList{QString::fromLatin1(filler) + "||", "b||"};
    QTest::newRow("fourth cell dropped")
        << QByteArray("M\r\n1\t2\t3\t4\t5\r\n") << "W/(M)2" << QStringList{"1|2|3"};
}

void TestOpenDataFile::opens() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, header);
    QFETCH(QStringList, rows);
    Opening f;
    f.show(QStringLiteral("kBtu/((ft)2.h)"), QStringLiteral("0.257"));
    f.open(f.write(QStringLiteral("data.txt"), bytes));
    FileList* list = f.fileList();
    QVERIFY(list);
    QVERIFY(list->isVisible());
    QCOMPARE(list->windowTitle(), QStringLiteral("File List"));
    QCOMPARE(list->Grid->textAt(0, 0), QStringLiteral("No.s"));
    QCOMPARE(list->Grid->textAt(0, 2), header);
    QCOMPARE(f.rows(), rows);
    QVERIFY(f.messages.boxes.isEmpty());
    QVERIFY(!f.app.recording.File.isOpen());
}

void TestOpenDataFile::progressCaptionsAndCaptionBack() {
    Opening f;
    FileListCaptions log;
    QByteArray bytes = "\tTime\tW/(M)2\r\n";
    for (int n = 1; n <= 3000; ++n)
        bytes += QByteArray::number(n) + "\t10:00:01\t1\r\n";
    f.open(f.write(QStringLiteral("r.txt"), bytes));
    QCOMPARE(f.rows().size(), 3000);
    // The progress shows every few hundred ms of a long read, counting up; the caption comes back.
    QVERIFY(log.captions.size() >= 1);
    QCOMPARE(log.captions.first(), QStringLiteral("File List"));
    QCOMPARE(f.fileList()->windowTitle(), QStringLiteral("File List"));
    qint64 last = 0;
    for (const QString& c : log.captions.mid(1, log.captions.size() - 2)) {
        QVERIFY2(c.endsWith(QStringLiteral(" Records Completed")), qPrintable(c));
        const qint64 n = c.section(' ', 0, 0).toLongLong();
        QVERIFY(n > last && n <= 3000);
        last = n;
    }
}

void TestOpenDataFile::notARegularFileIsRefusedAtOnce_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("endless device") << "/dev/urandom";
    QTest::newRow("empty device") << "/dev/null";
    QTest::newRow("pipe without a writer") << "fifo";
    QTest::newRow("folder") << "folder";
}

void TestOpenDataFile::notARegularFileIsRefusedAtOnce() {
    QFETCH(QString, kind);
    Opening f;
    f.open(f.write(QStringLiteral("a.txt"), "M\r\n1\r\n"));
    const QPointer<FileList> first = f.fileList();
    QString target = kind;
    if (kind == QLatin1String("fifo")) {
        target = f.path(QStringLiteral("pipe"));
        QCOMPARE(::mkfifo(QFile::encodeName(target).constData(), 0600), 0);
    } else if (kind == QLatin1String("folder")) {
        target = f.path(QStringLiteral("sub"));
        QVERIFY(QDir().mkpath(target));
    } else if (!QFile::exists(target)) {
        QSKIP("no such device here");
    }
    f.open(target);
    QCOMPARE(f.messages.texts(), QStringList{QStringLiteral("Cannot open %1: not a regular file").arg(target)});
    QCOMPARE(f.messages.boxes[0].icon, platform::MsgIcon::Critical);
    QVERIFY(!first || first->isHidden());
    SamplerFixture::flushDeletes();
    QVERIFY(!f.fileList());
    QVERIFY(!f.app.recording.File.isOpen());
    // The program goes on: the next file opens.
    f.open(f.path(QStringLiteral("a.txt")));
    QCOMPARE(f.rows(), QStringList{"1||"});
}

void TestOpenDataFile::rowsThatCannotBeHeldStopTheRead_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("kept");
    QByteArray many = "M\r\n";
    for (int n = 1; n <= 500; ++n)
        many += QByteArray::number(n).rightJustified(3, '0') + "\t10:00:00\t12.5\r\n"; // 17 bytes kept
    QTest::newRow("many rows") << many << 56;
    QTest::newRow("one endless line") << QByteArray("M\r\n1\r\n" + QByteArray(3 << 20, 'x')) << 1;
}

void TestOpenDataFile::rowsThatCannotBeHeldStopTheRead() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, kept);
    Opening f;
    const qint64 before = platform::Grid::defaultByteLimit();
    // A list of about 1.4 kB stands for one as large as the memory.
    platform::Grid::setDefaultByteLimit(56 * (17 + qint64(sizeof(qsizetype))) + 10);
    f.open(f.write(QStringLiteral("big.txt"), bytes));
    platform::Grid::setDefaultByteLimit(before);
    QVERIFY(f.fileList());
    QCOMPARE(f.rows().size(), kept);
    QVERIFY(f.rows().first().startsWith(QLatin1Char('1')) || f.rows().first().startsWith(QLatin1String("001")));
    QCOMPARE(f.messages.boxes.size(), 1);
    QCOMPARE(f.messages.texts()[0],
             QStringLiteral("%1 holds more than the list can keep in memory; the first %2 rows were read.")
                 .arg(f.path(QStringLiteral("big.txt")))
                 .arg(kept));
    QCOMPARE(f.fileList()->windowTitle(), QStringLiteral("File List"));
    QVERIFY(!f.app.recording.File.isOpen());
}

void TestOpenDataFile::openDialogFollowsTheSaveDialog() {
    Opening f;
    // Before any save dialog: the control's design state.
    f.open(f.write(QStringLiteral("a.txt"), "M\r\n1\r\n"));
    QCOMPARE(f.requests.size(), 1);
    QCOMPARE(f.requests[0].action, platform::CommonDialog::ActionOpen);
    QCOMPARE(f.requests[0].filter, QString());
    QVERIFY(f.panel->Cmd1->CancelError);
    // After a save dialog its filter stands.
    f.startRecording(f.path(QStringLiteral("rec.txt")));
    f.click(QStringLiteral("Save")); // stop
    f.open(f.path(QStringLiteral("a.txt")));
    QCOMPARE(f.requests.size(), 3);
    QCOMPARE(f.requests[2].action, platform::CommonDialog::ActionOpen);
    QCOMPARE(f.requests[2].filter, QStringLiteral("All Files (*.*)|*.*|"));
    QVERIFY(!f.requests[2].confirmOverwrite);
    QCOMPARE(f.rows(), QStringList{"1||"});
}

void TestOpenDataFile::cancelChangesNothing() {
    Opening f;
    f.open(f.write(QStringLiteral("a.txt"), "M\r\n1\r\n"));
    const QPointer<FileList> first = f.fileList();
    f.panel->Cmd1->CancelError = false; // as at the start of a run: the cancel gives an empty name
    for (int i = 0; i < 2; ++i) {
        f.click(QStringLiteral("Open"));
        QCOMPARE(f.requests.size(), 2 + i);
        QVERIFY(f.panel->Cmd1->CancelError);
        QCOMPARE(f.fileList(), first.data());
        QVERIFY(first->isVisible());
        QCOMPARE(f.rows(), QStringList{"1||"});
    }
    QVERIFY(f.messages.boxes.isEmpty());
}

void TestOpenDataFile::openingReplacesTheOpenList() {
    Opening f;
    f.open(f.write(QStringLiteral("a.txt"), "M\r\n1\r\n2\r\n"));
    const QPointer<FileList> first = f.fileList();
    f.open(f.write(QStringLiteral("b.txt"), "B\r\n3\r\n"));
    QVERIFY(f.fileList() != first);
    QVERIFY(!first || first->isHidden());
    QCOMPARE(f.rows(), QStringList{"3||"});
    QCOMPARE(f.fileList()->Grid->textAt(0, 2), QStringLiteral("Btu/(ft)2.h"));
    SamplerFixture::flushDeletes();
    QVERIFY(!first);
}

void TestOpenDataFile::refusedWhileRecording() {
    Opening f;
    f.open(f.write(QStringLiteral("a.txt"), "M\r\n1\r\n"));
    const QPointer<FileList> first = f.fileList();
    f.startRecording(f.path(QStringLiteral("rec.txt")));
    f.open(f.write(QStringLiteral("b.txt"), "M\r\n2\r\n"));
    QCOMPARE(f.messages.texts(), QStringList{"Recording Mode!\n\rPlease stop recording!"});
    QCOMPARE(f.messages.boxes[0].icon, platform::MsgIcon::Critical);
    QCOMPARE(f.messages.boxes[0].title, QString::fromLatin1(platform::AppTitle));
    QCOMPARE(f.requests.size(), 2); // the first opening and the recording's save dialog
    QCOMPARE(f.fileList(), first.data());
    QCOMPARE(f.rows(), QStringList{"1||"});
    QVERIFY(f.app.recording.Recording);
    QVERIFY(f.app.recording.File.isOpen()); // the recording's file, untouched
}

void TestOpenDataFile::fileThatCannotBeOpened() {
    Opening f;
    f.open(f.write(QStringLiteral("a.txt"), "M\r\n1\r\n"));
    const QPointer<FileList> first = f.fileList();
    f.open(f.path(QStringLiteral("missing.txt")));
    QCOMPARE(f.messages.boxes.size(), 1);
    QVERIFY2(f.messages.texts()[0].startsWith(QStringLiteral("Cannot open ")),
             qPrintable(f.messages.texts()[0]));
    QVERIFY(f.messages.texts()[0].contains(QStringLiteral("missing.txt")));
    QCOMPARE(f.messages.boxes[0].icon, platform::MsgIcon::Critical);
    // The old list went at the choice of a file; no new one is left open.
    QVERIFY(!first || first->isHidden());
    SamplerFixture::flushDeletes();
    QVERIFY(!f.fileList());
    QVERIFY(!f.app.recording.File.isOpen());
}

void TestOpenDataFile::openQuoteAtTheEndKeepsTheRowsBefore() {
    Opening f;
    f.open(f.write(QStringLiteral("q.txt"), "\tTime\tW/(M)2\r\n1\t10:00:01\t5\r\n\"2\t10:00:02\t6\r\n"));
    QVERIFY(f.fileList());
    QCOMPARE(f.rows(), QStringList{"1|10:00:01|5"});
    QCOMPARE(f.messages.boxes.size(), 1);
    QVERIFY2(f.messages.texts()[0].contains(QStringLiteral("quoted")), qPrintable(f.messages.texts()[0]));
    QCOMPARE(f.fileList()->windowTitle(), QStringLiteral("File List"));
    QVERIFY(!f.app.recording.File.isOpen());
}

void TestOpenDataFile::readFailureKeepsTheListAndClosesTheFile() {
    // Opens, but every read fails.
    const QString mem = QStringLiteral("/proc/self/mem");
    if (!QFile::exists(mem))
        QSKIP("no /proc/self/mem");
    Opening f;
    f.open(mem);
    QVERIFY(f.fileList());
    QVERIFY(f.fileList()->isVisible());
    QCOMPARE(f.rows(), QStringList{});
    QCOMPARE(f.messages.boxes.size(), 1);
    QVERIFY2(f.messages.texts()[0].startsWith(QStringLiteral("Could not read ")),
             qPrintable(f.messages.texts()[0]));
    QCOMPARE(f.fileList()->windowTitle(), QStringLiteral("File List"));
    QVERIFY(!f.app.recording.File.isOpen());
}

void TestOpenDataFile::savedListOpensWithTheSameRows() {
    Opening f;
    f.app.logger.ListUnitMetric = true;
    auto* data = new DataList(f.panel->loggerContext);
    f.panel->loggerContext.dataList = data;
    QStringList rows;
    for (int i = 1; i <= 40; ++i) {
        const QString row = QStringLiteral("%1\t%2\t%3")
                                .arg(i)
                                .arg(QTime(23, 59, 0).addSecs(i * 7).toString("hh:mm:ss"))
                                .arg(i * 31.7, 0, 'f', 1);
        data->GridM->addItem(row);
        rows << QString(row).replace('\t', '|');
    }
    data->show();
    const QString file = f.path(QStringLiteral("set.txt"));
    f.answers << file;
    data->Toolbar1->button(QStringLiteral("Save"))->click();
    QVERIFY(f.messages.boxes.isEmpty());
    f.open(file);
    QCOMPARE(f.rows(), rows);
    QCOMPARE(f.fileList()->Grid->textAt(0, 2), QStringLiteral("W/(M)2"));
    delete data;
}

void TestOpenDataFile::ansiBytesShowAndSaveBackExactly() {
    // A list file holding every byte but the ones that split it (TAB, CR, LF, comma, quote).
    QByteArray bytes = "No.s\tTime\tW/(M)2\t\r\n";
    QByteArray cell;
    int row = 0;
    for (int b = 1; b < 256; ++b) {
        if (b == '\t' || b == '\r' || b == '\n' || b == ',' || b == '"')
            continue;
        cell += static_cast<char>(b);
        if (cell.size() == 16 || b == 255) {
            bytes += QByteArray::number(++row) + "\t10:00:00\t" + cell + "\t\r\n";
            cell.clear();
        }
    }
    bytes += QByteArray::number(++row) + "\t10:00:00\t\x80 12,5\t\r\n"; // a comma splits a foreign line
    Opening f;
    f.open(f.write(QStringLiteral("ansi.txt"), bytes));
    FileList* list = f.fileList();
    QVERIFY(list);
    platform::Grid* g = list->Grid;
    // 0x80 to 0x9F show as the code page's characters, in the grid and on screen.
    int high = 1; // the row that holds 0x80 onwards
    while (high < g->rows() && !g->textAt(high, 2).contains(QChar(0x20AC)))
        ++high;
    QVERIFY(g->textAt(high, 2).contains(QString::fromUtf8("\u20ac\u0081\u201a\u0192\u201e")));
    g->flushRows();
    QCOMPARE(g->model()->index(high - 1, 2).data().toString(), g->textAt(high, 2));
    QCOMPARE(g->textAt(row, 2), QString::fromUtf8("\u20ac 12"));

    // Saved from the list again: the same bytes.
    const QString out = f.path(QStringLiteral("out.txt"));
    RecordingState rec;
    rec.SaveFileName = out;
    rec.FileChosen = true;
    QVERIFY(SaveGridToFile(*list, *g, rec));
    QByteArray expected = bytes;
    expected.replace("\x80 12,5\t\r\n", "\x80 12\t\r\n5\t\t\t\r\n");
    QCOMPARE(SamplerFixture::fileBytes(out), expected);
}

QTEST_MAIN(TestOpenDataFile)
#include "test_open_data_file.moc"
