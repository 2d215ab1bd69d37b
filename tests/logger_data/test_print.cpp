#include "logger_data/file_transfer.h"
#include "meter_link/meter_line.h"
#include "platform/grid.h"
#include "platform/printer.h"
#include "tests/support/list_window.h"
#include "tests/support/test_support.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QPrinterInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using testing::CaptionLog;
using testing::ListWindow;

namespace {

// The printed lines, each reduced to its words: the printer font is proportional, so the
// blanks between the columns are not kept by the text extraction.
QList<QStringList> printedWords(const QString& pdf) {
    QProcess p;
    p.start("pdftotext", {"-layout", pdf, "-"});
    if (!p.waitForFinished(20000) || p.exitCode() != 0)
        return {{"<pdftotext failed>"}};
    QList<QStringList> lines;
    for (const QString& l : QString::fromUtf8(p.readAllStandardOutput()).split('\n')) {
        QString s = l;
        s.remove('\f');
        const QStringList words = s.split(' ', Qt::SkipEmptyParts);
        if (!words.isEmpty())
            lines << words;
    }
    return lines;
}

int pdfPages(const QString& pdf) {
    QProcess p;
    p.start("pdfinfo", {pdf});
    p.waitForFinished(20000);
    for (const QString& l : QString::fromUtf8(p.readAllStandardOutput()).split('\n'))
        if (l.startsWith("Pages:"))
            return l.mid(6).trimmed().toInt();
    return -1;
}

} // namespace

class TestPrint : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { platform::Printer::setOutputPdf({}); }
    void rowsArePadded_data();
    void rowsArePadded();
    void printsEveryRowIntoTheDocument();
    void printsRowsAppendedWhilePrinting();
    void longListContinuesOnNewPages();
    void noPrinterTellsAndPrintsNothing();
    void printerFailureTellsAndDropsTheDocument();
    void secondPrintFromThePumpIsRefused();
    void listClosedWhilePrinting();
    void imageIsItsOwnDocument();

private:
    QTemporaryDir dir_;
    QString pdf_;
    AppState app_;
    MeterLine line_{app_.link, app_.logger}; // no port: its poll reads nothing
};

void TestPrint::init() {
    pdf_ = dir_.filePath(QString("%1.pdf").arg(QTest::currentTestFunction()));
    QFile::remove(pdf_);
    platform::Printer::setOutputPdf(pdf_);
    line_.Timer1.stop();
}

void TestPrint::rowsArePadded_data() {
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<QString>("line");
    QTest::newRow("header") << QStringList{"No.s", "Time", "W/(M)2"} << "No.s   Time      W/(M)2         ";
    QTest::newRow("exact widths, no blank after")
        << QStringList{"1234567", "1234567890", "123456789012345"} << "12345671234567890123456789012345";
    QTest::newRow("too long: printed whole")
        << QStringList{"12345678", "10:00:00", "1.0"} << "1234567810:00:00  1.0            ";
    QTest::newRow("empty cells") << QStringList{"", "", ""} << QString(32, ' ');
}

void TestPrint::rowsArePadded() {
    QFETCH(QStringList, cells);
    QFETCH(QString, line);
    QCOMPARE(PrintedRow(cells[0], cells[1], cells[2]), line);
}

void TestPrint::printsEveryRowIntoTheDocument() {
    ListWindow list({"1\t10:15:02\t812.5", "1234567\t10:15:04\t12.5", "12345678\t10:15:06\tOL"});
    CaptionLog log(list.window);
    testing::MessageCapture boxes;
    QVERIFY(PrintGrid(*list.window, *list.grid, line_));
    QVERIFY(boxes.boxes.isEmpty());
    const QList<QStringList> expected{{"No.s", "Time", "W/(M)2"},
                                      {"1", "10:15:02", "812.5"},
                                      {"123456710:15:04", "12.5"}, // seven digits: no blank left
                                      {"1234567810:15:06", "OL"}}; // longer: the whole number
    QCOMPARE(printedWords(pdf_), expected);
    QCOMPARE(log.captions, (QStringList{"0 record(s) completed", "1 record(s) completed",
                                        "2 record(s) completed", "3 record(s) completed", "Real Time List"}));
    QVERIFY(line_.Timer1.isActive()); // on afterwards, though it was off before
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(!platform::Printer::instance().inDocument());
}

void TestPrint::printsRowsAppendedWhilePrinting() {
    ListWindow list({"1\t10:00:00\t1.0"});
    line_.Timer1.start();
    bool pollOffDuringPrint = true;
    int appended = 0;
    // A sampler stand-in: runs from the print's event pumping and appends rows.
    QTimer sampler;
    sampler.setInterval(0);
    connect(&sampler, &QTimer::timeout, [&] {
        pollOffDuringPrint = pollOffDuringPrint && !line_.Timer1.isActive();
        if (appended < 3) {
            ++appended;
            list.grid->addItem(QString("%1\t10:00:0%1\t%1.5").arg(appended + 1));
        }
    });
    QTimer::singleShot(0, [&] { sampler.start(); });
    QVERIFY(PrintGrid(*list.window, *list.grid, line_));
    sampler.stop();
    QCOMPARE(appended, 3);
    QVERIFY(pollOffDuringPrint);
    const QList<QStringList> words = printedWords(pdf_);
    QCOMPARE(words.size(), 5);
    QCOMPARE(words.last(), (QStringList{"4", "10:00:04", "4.5"}));
    QVERIFY(line_.Timer1.isActive());
    QCOMPARE(list.window->windowTitle(), QString("Real Time List"));
}

void TestPrint::longListContinuesOnNewPages() {
    QStringList rows;
    for (int i = 1; i <= 300; ++i)
        rows << QString("%1\t10:00:00\t1.0").arg(i);
    ListWindow list(rows);
    QVERIFY(PrintGrid(*list.window, *list.grid, line_));
    const QList<QStringList> words = printedWords(pdf_);
    QCOMPARE(words.size(), 301);
    for (int i = 1; i <= 300; ++i)
        QCOMPARE(words[i].first(), QString::number(i));
    QVERIFY(pdfPages(pdf_) >= 2);
}

void TestPrint::noPrinterTellsAndPrintsNothing() {
    if (!QPrinterInfo::defaultPrinter().isNull())
        QSKIP("this machine has a printer; the test would print on it");
    platform::Printer::setOutputPdf({});
    ListWindow list({"1\t10:00:00\t1.0"});
    testing::MessageCapture boxes;
    QVERIFY(!PrintGrid(*list.window, *list.grid, line_));
    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes[0].icon, platform::MsgIcon::Critical);
    QCOMPARE(boxes.boxes[0].title, QString(platform::AppTitle));
    QCOMPARE(boxes.boxes[0].text, QString("The list could not be printed: No printer is installed."));
    QCOMPARE(list.window->windowTitle(), QString("Real Time List"));
    QVERIFY(line_.Timer1.isActive());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(!platform::Printer::instance().inDocument());
}

void TestPrint::printerFailureTellsAndDropsTheDocument() {
    // The printer (here a file that cannot be created) fails when the document goes out.
    const QString bad = dir_.filePath("missing/out.pdf");
    platform::Printer::setOutputPdf(bad);
    ListWindow list({"1\t10:00:00\t1.0"});
    testing::MessageCapture boxes;
    QVERIFY(!PrintGrid(*list.window, *list.grid, line_));
    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes[0].icon, platform::MsgIcon::Critical);
    QVERIFY2(boxes.boxes[0].text.startsWith("The list could not be printed: "),
             qPrintable(boxes.boxes[0].text));
    QVERIFY(!platform::Printer::instance().inDocument());
    QVERIFY(line_.Timer1.isActive());
    QCOMPARE(list.window->windowTitle(), QString("Real Time List"));

    // The next print starts a fresh document: nothing of the failed one comes with it.
    platform::Printer::setOutputPdf(pdf_);
    ListWindow other({"9\t11:00:00\t9.0"});
    QVERIFY(PrintGrid(*other.window, *other.grid, line_));
    QCOMPARE(printedWords(pdf_), (QList<QStringList>{{"No.s", "Time", "W/(M)2"}, {"9", "11:00:00", "9.0"}}));
}

void TestPrint::secondPrintFromThePumpIsRefused() {
    ListWindow list({"1\t10:00:00\t1.0", "2\t10:00:02\t2.0"});
    int inner = -1;
    QTimer::singleShot(0, [&] { inner = PrintGrid(*list.window, *list.grid, line_) ? 1 : 0; });
    testing::MessageCapture boxes;
    QVERIFY(PrintGrid(*list.window, *list.grid, line_));
    QCOMPARE(inner, 0);
    QVERIFY(boxes.boxes.isEmpty());         // refused without a word
    QCOMPARE(printedWords(pdf_).size(), 3); // each row once
    QCOMPARE(list.window->windowTitle(), QString("Real Time List"));
}

void TestPrint::listClosedWhilePrinting() {
    ListWindow list({"1\t10:00:00\t1.0", "2\t10:00:02\t2.0"});
    QTimer::singleShot(0, [&] { delete list.window; }); // the sampler unloads the list
    testing::MessageCapture boxes;
    QVERIFY(!PrintGrid(*list.window, *list.grid, line_));
    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes[0].icon, platform::MsgIcon::Critical);
    QVERIFY(!QFile::exists(pdf_));
    QVERIFY(line_.Timer1.isActive());
    QVERIFY(!platform::Printer::instance().inDocument());
}

void TestPrint::imageIsItsOwnDocument() {
    // A chart printed while a list is being printed must neither end nor join the list's document.
    QImage chart(300, 200, QImage::Format_RGB32);
    chart.fill(Qt::white);
    const QString chartPdf = dir_.filePath("chart.pdf");
    platform::Printer& printer = platform::Printer::instance();
    QVERIFY(printer.printLine("list line"));
    platform::Printer::setOutputPdf(chartPdf);
    QVERIFY(printer.printImage(chart));
    QCOMPARE(pdfPages(chartPdf), 1);
    QVERIFY(printer.inDocument());
    printer.abortDoc();
    QVERIFY(!printer.inDocument());
    QVERIFY(!printer.printImage(QImage()));
}

QTEST_MAIN(TestPrint)
#include "test_print.moc"
