#include "logger_data/file_transfer.h"
#include "platform/common_dialog.h"
#include "platform/file_replace.h"
#include "platform/grid.h"
#include "tests/support/list_window.h"
#include "tests/support/test_support.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionViewItem>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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
// The bytes an export of `rows` under the header "No.s", "Time", "W/(M)2" gives.
QByteArray exportBytes(const QStringList& rows) {
    QByteArray out = "No.s\tTime\tW/(M)2\t\r\n";
    for (const QString& r : rows)
        out += r.toLatin1() + "\t\r\n";
    return out;
}

QByteArray writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return "<cannot write>";
    return bytes;
}

// The process may write no file past `bytes` while it lives, as on a disk with that much room left:
// a write past it fails (EFBIG) instead of raising a signal. Needs no privilege.
class FileSizeLimit {
public:
    explicit FileSizeLimit(qint64 bytes) {
        getrlimit(RLIMIT_FSIZE, &before_);
        handler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = before_;
        small.rlim_cur = static_cast<rlim_t>(bytes);
        ok_ = setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &before_);
        std::signal(SIGXFSZ, handler_);
    }
    bool ok() const { return ok_; }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit before_{};
    void (*handler_)(int) = nullptr;
    bool ok_ = false;
};

// A folder that takes no new file, as one the user may not write, while it lives.
struct NoNewFiles {
    NoNewFiles() {
        platform::FileReplace::setNewFileRefusal([](const QString&) { return EACCES; });
    }
    ~NoNewFiles() { platform::FileReplace::setNewFileRefusal({}); }
};

struct stat statOf(const QString& path) {
    struct stat st {};
    lstat(QFile::encodeName(path).constData(), &st);
    return st;
}

QStringList folderEntries(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Records the longest text the grid hands the style to draw in a cell, and the cell's width.
class DrawnTextLog : public QProxyStyle {
public:
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        if (element == CE_ItemViewItem)
            if (const auto* item = qstyleoption_cast<const QStyleOptionViewItem*>(option)) {
                longest = std::max(longest, item->text.size());
                widest = std::max(widest, item->rect.width());
                ++cells;
            }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
    mutable qsizetype longest = 0;
    mutable int widest = 0;
    mutable int cells = 0;
};

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
    void fullDiskNeverReplacesTheOldFile_data();
    void fullDiskNeverReplacesTheOldFile();
    void savingOverAFile_data();
    void savingOverAFile();
    void failureWhileWritingInPlace();
    void inPlaceFileThatCannotBeWritten();
    void hugeCellIsDrawnCutAndSavedWhole();
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

void TestExport::fullDiskNeverReplacesTheOldFile_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("room"); // "none", "a little": 10 bytes, "one short", "exact"
    // From a header-only list, through lists far smaller than any write buffer, to one of many.
    for (const int rows : {0, 1, 30, 700, 5000})
        for (const char* room : {"none", "a little", "one short", "exact"})
            QTest::addRow("%d rows, %s", rows, room) << rows << QString(room);
}

void TestExport::fullDiskNeverReplacesTheOldFile() {
    QFETCH(int, rows);
    QFETCH(QString, room);
    QTemporaryDir dir;
    const QString path = dir.filePath("old.txt");
    const QByteArray old = writeFile(path, "No.s\tTime\tW/(M)2\t\r\n1\t09:00:00\t1.5\t\r\n");
    const QByteArray bytes = exportBytes(numberedRows(rows));
    const qint64 limit = room == "none"        ? 0
                         : room == "a little"  ? 10
                         : room == "one short" ? bytes.size() - 1
                                               : bytes.size();
    const bool fits = room == "exact";
    ListWindow list(numberedRows(rows));
    RecordingState rec;
    rec.SaveFileName = path;
    rec.FileChosen = true;
    testing::MessageCapture boxes;
    bool saved = false;
    {
        FileSizeLimit full(limit);
        QVERIFY(full.ok());
        saved = SaveGridToFile(*list.window, *list.grid, rec);
    }
    QCOMPARE(saved, fits);
    QCOMPARE(readAll(path), fits ? bytes : old);
    QCOMPARE(folderEntries(dir.path()), QStringList{"old.txt"}); // no new file left behind
    QVERIFY(!rec.FileChosen);
    QCOMPARE(list.window->windowTitle(), QString("Real Time List"));
    if (fits) {
        QVERIFY(boxes.boxes.isEmpty());
        return;
    }
    // The system's reason, and that nothing changed.
    QCOMPARE(boxes.boxes.size(), 1);
    const QString text = boxes.boxes[0].text;
    QVERIFY2(text.startsWith("Could not save the list to " + path + ": " + qt_error_string(EFBIG)),
             qPrintable(text));
    QVERIFY2(text.contains("Nothing was saved; a file of that name is as it was."), qPrintable(text));
}

void TestExport::savingOverAFile_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("inPlace"); // the old file's inode takes the rows
    QTest::newRow("plain file, mode 0640 kept") << "mode" << false;
    QTest::newRow("owner kept where the system lets us") << "owner" << false;
    QTest::newRow("hard link: written in place, both names see it") << "link" << true;
    QTest::newRow("folder takes no new file: written in place") << "folder" << true;
    QTest::newRow("folder the user may not write (real)") << "read-only folder" << true;
    QTest::newRow("through a symbolic link: the link stays") << "symlink" << false;
}

void TestExport::savingOverAFile() {
    QFETCH(QString, kind);
    QFETCH(bool, inPlace);
    if (kind == "read-only folder" && geteuid() == 0)
        QSKIP("as root a folder's permissions stop no write; the seam's case covers it");
    QTemporaryDir dir;
    const QString path = dir.filePath("list.txt");
    writeFile(path, QByteArray(5000, 'o')); // longer than the new contents
    QVERIFY(chmod(QFile::encodeName(path).constData(), 0640) == 0);
    const QString other = dir.filePath("other.txt");
    const QString via = dir.filePath("via.txt");
    if (kind == "link")
        QVERIFY(link(QFile::encodeName(path).constData(), QFile::encodeName(other).constData()) == 0);
    if (kind == "symlink")
        QVERIFY(QFile::link(path, via));
    if (kind == "owner") {
        if (geteuid() != 0)
            QSKIP("only root may give a file to someone else to see it kept");
        QVERIFY(chown(QFile::encodeName(path).constData(), 4321, 4322) == 0);
    }
    const struct stat before = statOf(path);
    std::optional<NoNewFiles> seam;
    if (kind == "folder")
        seam.emplace();
    if (kind == "read-only folder")
        QVERIFY(chmod(QFile::encodeName(dir.path()).constData(), 0555) == 0);

    const QStringList rows = numberedRows(30);
    ListWindow list(rows);
    RecordingState rec;
    rec.SaveFileName = kind == "symlink" ? via : path;
    rec.FileChosen = true;
    testing::MessageCapture boxes;
    const bool saved = SaveGridToFile(*list.window, *list.grid, rec);
    chmod(QFile::encodeName(dir.path()).constData(), 0755);
    QVERIFY2(saved, qPrintable(boxes.texts().join('\n')));
    QVERIFY(boxes.boxes.isEmpty());
    QCOMPARE(readAll(path), exportBytes(rows));
    const struct stat after = statOf(path);
    QCOMPARE(after.st_ino == before.st_ino, inPlace);
    QCOMPARE(after.st_mode & 07777, before.st_mode & 07777);
    QCOMPARE(after.st_uid, before.st_uid);
    QCOMPARE(after.st_gid, before.st_gid);
    if (kind == "link") {
        QCOMPARE(readAll(other), exportBytes(rows));
        QCOMPARE(after.st_nlink, nlink_t(2));
    }
    if (kind == "symlink")
        QVERIFY(QFileInfo(via).isSymLink());
    QStringList expected{"list.txt"};
    if (kind == "link")
        expected << "other.txt";
    if (kind == "symlink")
        expected << "via.txt";
    expected.sort();
    QCOMPARE(folderEntries(dir.path()), expected);
}

void TestExport::failureWhileWritingInPlace() {
    // The folder takes no new file and the disk fills up half-way: the part written stays, and
    // the user is told that the old contents are gone.
    QTemporaryDir dir;
    const QString path = dir.filePath("list.txt");
    writeFile(path, QByteArray(100, 'o'));
    const QStringList rows = numberedRows(100);
    const QByteArray bytes = exportBytes(rows);
    ListWindow list(rows);
    RecordingState rec;
    rec.SaveFileName = path;
    rec.FileChosen = true;
    testing::MessageCapture boxes;
    NoNewFiles seam;
    bool saved = true;
    {
        FileSizeLimit full(1000);
        QVERIFY(full.ok());
        saved = SaveGridToFile(*list.window, *list.grid, rec);
    }
    QVERIFY(!saved);
    QCOMPARE(readAll(path), bytes.first(1000)); // what was written, nothing of the old file
    QCOMPARE(boxes.boxes.size(), 1);
    const QString text = boxes.boxes[0].text;
    QVERIFY2(text.startsWith("Could not save the list to " + path + ": " + qt_error_string(EFBIG)),
             qPrintable(text));
    QVERIFY2(text.contains("written in place") && text.contains("only the part of the list written"),
             qPrintable(text));
    QCOMPARE(folderEntries(dir.path()), QStringList{"list.txt"});

    // Full from the first byte: the old file is as it was, and the user is told so.
    const QByteArray old = writeFile(path, QByteArray(100, 'o'));
    boxes.boxes.clear();
    rec.FileChosen = true;
    {
        FileSizeLimit full(0);
        saved = SaveGridToFile(*list.window, *list.grid, rec);
    }
    QVERIFY(!saved);
    QCOMPARE(readAll(path), old);
    QCOMPARE(boxes.boxes.size(), 1);
    QVERIFY2(boxes.boxes[0].text.contains("Nothing was saved"), qPrintable(boxes.boxes[0].text));
}

void TestExport::inPlaceFileThatCannotBeWritten() {
    if (geteuid() == 0)
        QSKIP("as root a file's permissions stop no write");
    QTemporaryDir dir;
    const QString path = dir.filePath("list.txt");
    const QByteArray old = writeFile(path, "kept\r\n");
    QVERIFY(chmod(QFile::encodeName(path).constData(), 0444) == 0);
    NoNewFiles seam;
    ListWindow list(numberedRows(3));
    RecordingState rec;
    rec.SaveFileName = path;
    rec.FileChosen = true;
    testing::MessageCapture boxes;
    QVERIFY(!SaveGridToFile(*list.window, *list.grid, rec));
    QCOMPARE(readAll(path), old);
    QCOMPARE(boxes.boxes.size(), 1);
    QVERIFY2(boxes.boxes[0].text.contains(qt_error_string(EACCES)) &&
                 boxes.boxes[0].text.contains("Nothing was saved"),
             qPrintable(boxes.boxes[0].text));
}

void TestExport::hugeCellIsDrawnCutAndSavedWhole() {
    // 20 MB of digits in one cell: the view is given no more than a column shows; the export has
    // every byte.
    const QByteArray digits = [] {
        QByteArray d(20 * 1000 * 1000, '0');
        for (qsizetype i = 0; i < d.size(); ++i)
            d[i] = static_cast<char>('0' + i % 10);
        return d;
    }();
    ListWindow list({"1\t10:00:00\t812.5"});
    QVERIFY(list.grid->tryAddAnsiItem("2\t10:00:02\t" + digits));
    list.grid->addItem("3\t10:00:04\t813.5");
    list.window->resize(186, 271);
    list.grid->setGeometry(0, 32, 185, 241);
    for (int c = 0; c < 3; ++c) // as the list windows measure them
        list.grid->setColWidth(c, 800);
    DrawnTextLog style;
    list.grid->setStyle(&style);
    list.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(list.window));
    list.grid->flushRows();
    list.grid->grab(); // one paint of every visible cell
    list.grid->setStyle(nullptr);
    QVERIFY(style.cells >= 9);
    // The huge cell was drawn, cut to its column.
    QVERIFY2(style.longest > 5 && style.longest <= style.widest + 2, qPrintable(QString::number(style.longest)));
    // The model never hands out the whole cell either.
    const QString shown = list.grid->model()->index(1, 2).data().toString();
    QVERIFY(shown.size() <= platform::Grid::MaxShownChars);
    QVERIFY(shown.startsWith("0123456789"));
    QVERIFY(shown.endsWith(QChar(0x2026)));
    QCOMPARE(list.grid->shownTextAt(1, 2), QString("812.5"));
    QCOMPARE(list.grid->textAt(2, 2).size(), digits.size());

    QTemporaryDir dir;
    RecordingState rec;
    rec.SaveFileName = dir.filePath("huge.txt");
    rec.FileChosen = true;
    QVERIFY(SaveGridToFile(*list.window, *list.grid, rec));
    QCOMPARE(readAll(rec.SaveFileName), "No.s\tTime\tW/(M)2\t\r\n1\t10:00:00\t812.5\t\r\n2\t10:00:02\t" +
                                            digits + "\t\r\n3\t10:00:04\t813.5\t\r\n");
}

QTEST_MAIN(TestExport)
#include "test_export.moc"
