#include "logger_data/file_transfer.h"
#include "platform/common_dialog.h"
#include "platform/grid.h"
#include "tests/support/list_window.h"
#include "tests/support/test_support.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using platform::CommonDialog;

using testing::CaptionLog;
using testing::ListWindow;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Answers the save dialogs in turn: a path, or nullopt for a cancel; records what each asked.
struct DialogScript {
    QList<std::optional<QString>> answers;
    QList<CommonDialog::Request> requests;
    DialogScript() {
        CommonDialog::setResponder([this](const CommonDialog::Request& r) {
            requests << r;
            return answers.isEmpty() ? std::nullopt : answers.takeFirst();
        });
    }
    ~DialogScript() { CommonDialog::setResponder({}); }
};

// Rows "1 TAB 10:00:00 TAB 812.5" and on, `n` of them.
QStringList numberedRows(int n) {
    QStringList rows;
    for (int i = 1; i <= n; ++i)
        rows << QString("%1\t10:00:00\t812.5").arg(i);
    return rows;
}
} // namespace

class TestExport : public QObject {
    Q_OBJECT
private slots:
    void writesExactBytes_data();
    void writesExactBytes();
    void leavesCaptionAndBottomRightCell();
    void everySaveDialogAsksBeforeReplacing();
    void cancelFirstAndLaterDialogs();
    void failedExportTellsAndCleansUp_data();
    void failedExportTellsAndCleansUp();
    void failureHalfWayLeavesTheOldFile();
};

void TestExport::writesExactBytes_data() {
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("header only: one line")
        << "Btu/((ft)2.h)" << QStringList{} << QByteArray("No.s\tTime\tBtu/((ft)2.h)\t\r\n");
    QTest::newRow("small list")
        << "W/(M)2" << QStringList{"1\t10:15:02\t812.5", "2\t10:15:04\t 12.5"}
        << QByteArray("No.s\tTime\tW/(M)2\t\r\n1\t10:15:02\t812.5\t\r\n2\t10:15:04\t 12.5\t\r\n");
    QTest::newRow("empty cells give double TABs")
        << "W/(M)2" << QStringList{"3\t\t", "\t10:00:00\t"}
        << QByteArray("No.s\tTime\tW/(M)2\t\r\n3\t\t\t\r\n\t10:00:00\t\t\r\n");
    QTest::newRow("ANSI single bytes")
        << QString::fromUtf8("\xc2\xb5W") << QStringList{"1\t10:00:00\t5\xc2\xb0"}
        << QByteArray("No.s\tTime\t\xb5W\t\r\n1\t10:00:00\t5\xb0\t\r\n");
}

void TestExport::writesExactBytes() {
    QFETCH(QString, unit);
    QFETCH(QStringList, rows);
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath("list.txt");
    {
        QFile old(path); // a longer file of that name is replaced whole
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(4096, 'x'));
    }
    ListWindow list(rows, unit);
    RecordingState rec;
    rec.SaveFileName = path;
    rec.FileChosen = true;
    CaptionLog log(list.window);
    testing::MessageCapture boxes;
    QVERIFY(SaveGridToFile(*list.window, *list.grid, rec));
    QCOMPARE(readAll(path), bytes);
    QVERIFY(boxes.boxes.isEmpty());
    QVERIFY(!rec.File.isOpen());
    QVERIFY(!rec.FileChosen);
    // Progress from the header row on, every few hundred ms; then the caption comes back.
    QCOMPARE(log.captions.first(), QString("0Records Completed"));
    QCOMPARE(log.captions.last(), QString("Real Time List"));
}

void TestExport::leavesCaptionAndBottomRightCell() {
    QTemporaryDir dir;
    ListWindow list({"1\t10:00:00\t1", "2\t10:00:02\t2"});
    RecordingState rec;
    rec.SaveFileName = dir.filePath("a.txt");
    rec.FileChosen = true;
    QVERIFY(SaveGridToFile(*list.window, *list.grid, rec));
    QCOMPARE(list.window->windowTitle(), QString("Real Time List"));
    QCOMPARE(list.grid->row(), 2);
    QCOMPARE(list.grid->col(), 2);
    QCOMPARE(list.grid->text(), QString("2"));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void TestExport::everySaveDialogAsksBeforeReplacing() {
    QTemporaryDir dir;
    DialogScript script;
    script.answers = {dir.filePath("one.txt"), dir.filePath("two.txt"), dir.filePath("three.txt")};
    QWidget panel;
    CommonDialog cmd(&panel); // one control for the whole run
    RecordingState rec;
    for (int i = 0; i < 3; ++i)
        AskSaveFileName(cmd, rec);
    QCOMPARE(script.requests.size(), 3);
    for (const auto& r : script.requests) {
        QVERIFY(r.confirmOverwrite); // the first of the run too
        QCOMPARE(r.action, CommonDialog::ActionSave);
        QCOMPARE(r.filter, QString("All Files (*.*)|*.*|"));
        QCOMPARE(r.filterIndex, 0);
    }
    QCOMPARE(rec.SaveFileName, dir.filePath("three.txt"));
    QVERIFY(rec.FileChosen);
}

void TestExport::cancelFirstAndLaterDialogs() {
    DialogScript script;
    QWidget panel;
    CommonDialog cmd(&panel);
    RecordingState rec;
    rec.SaveFileName = "/earlier/name.txt";
    rec.FileChosen = true;

    script.answers = {std::nullopt}; // the run's first dialog: a cancel is no error
    AskSaveFileName(cmd, rec);
    QCOMPARE(rec.SaveFileName, QString());
    QVERIFY(!rec.FileChosen);

    script.answers = {QString("/data/kept.txt"), std::nullopt};
    AskSaveFileName(cmd, rec);
    QCOMPARE(rec.SaveFileName, QString("/data/kept.txt"));
    QVERIFY(rec.FileChosen);
    AskSaveFileName(cmd, rec); // a later cancel changes nothing
    QCOMPARE(rec.SaveFileName, QString("/data/kept.txt"));
    QVERIFY(rec.FileChosen);
    rec.FileChosen = false; // as after an export
    script.answers = {std::nullopt};
    AskSaveFileName(cmd, rec);
    QVERIFY(!rec.FileChosen);
    QCOMPARE(script.requests.size(), 4);
}

void TestExport::failedExportTellsAndCleansUp_data() {
    QTest::addColumn<QString>("target"); // relative to a fresh folder, or absolute
    QTest::newRow("folder does not exist") << "missing/list.txt";
    QTest::newRow("name is a folder") << ".";
    QTest::newRow("write fails (device full)") << "/dev/full";
}

void TestExport::failedExportTellsAndCleansUp() {
    QFETCH(QString, target);
    QTemporaryDir dir;
    const QString path = target.startsWith('/') ? target : dir.filePath(target);
    if (!QFile::exists("/dev/full") && target == "/dev/full")
        QSKIP("no /dev/full here");
    ListWindow list(numberedRows(2000)); // more than the file's buffer, so the device is written to
    RecordingState rec;
    rec.SaveFileName = path;
    rec.FileChosen = true;
    testing::MessageCapture boxes;
    QVERIFY(!SaveGridToFile(*list.window, *list.grid, rec));
    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes[0].icon, platform::MsgIcon::Critical);
    QCOMPARE(boxes.boxes[0].title, QString(platform::AppTitle));
    QVERIFY2(boxes.boxes[0].text.startsWith("Could not save the list to " + path + ": "),
             qPrintable(boxes.boxes[0].text));
    QVERIFY(boxes.boxes[0].text.contains("Nothing was saved"));
    QVERIFY(!rec.File.isOpen());
    // Nothing left behind in the folder, and a device stays a device.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList());
    if (target.startsWith('/'))
        QVERIFY(!QFileInfo(target).isFile());
    QCOMPARE(list.window->windowTitle(), QString("Real Time List"));
    QVERIFY(!rec.FileChosen);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void TestExport::failureHalfWayLeavesTheOldFile() {
    // The disk fills up after 64 KiB: the list is several times that.
    QTemporaryDir dir;
    const QString path = dir.filePath("list.txt");
    const QByteArray old = "No.s\tTime\tW/(M)2\t\r\n1\t09:00:00\t1.5\t\r\n";
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(old);
    }
    ListWindow list(numberedRows(20000));
    RecordingState rec;
    rec.SaveFileName = path;
    rec.FileChosen = true;
    testing::MessageCapture boxes;
    rlimit before{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &before), 0);
    rlimit small = before;
    small.rlim_cur = 64 * 1024;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN); // a write past the limit then fails
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = SaveGridToFile(*list.window, *list.grid, rec);
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);
    QVERIFY(!saved);
    QCOMPARE(readAll(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList{"list.txt"});
    QCOMPARE(boxes.boxes.size(), 1);
    QVERIFY2(boxes.boxes[0].text.contains("Nothing was saved"), qPrintable(boxes.boxes[0].text));
    QCOMPARE(list.window->windowTitle(), QString("Real Time List"));
    // With room again the same save goes through whole.
    rec.FileChosen = true;
    QVERIFY(SaveGridToFile(*list.window, *list.grid, rec));
    QVERIFY(readAll(path).endsWith("20000\t10:00:00\t812.5\t\r\n"));
}

QTEST_MAIN(TestExport)
#include "test_export.moc"
