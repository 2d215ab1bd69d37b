#include "platform/common_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QListView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using platform::CommonDialog;

class TestCommonDialog : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { CommonDialog::setResponder({}); }
    void cancel_data();
    void cancel();
    void choiceSetsNameAndTitle();
    void requestTellsWhetherItWouldAsk_data();
    void requestTellsWhetherItWouldAsk();
    void realDialogGetsFilterAndOverwriteOption_data();
    void realDialogGetsFilterAndOverwriteOption();
    void patterns_data();
    void patterns();
    void allFilesOffersNamesWithoutADot();
    void dialogsNeverReadAFileToTypeIt();
};

void TestCommonDialog::cancel_data() {
    QTest::addColumn<bool>("cancelError");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("fileTitle");
    QTest::newRow("no error: names emptied") << false << true << ""
                                             << "";
    QTest::newRow("cancel error: names kept") << true << false << "/tmp/a.txt"
                                              << "a.txt";
}

void TestCommonDialog::cancel() {
    QFETCH(bool, cancelError);
    QFETCH(bool, result);
    QFETCH(QString, fileName);
    QFETCH(QString, fileTitle);
    CommonDialog::setResponder([](const CommonDialog::Request&) { return std::nullopt; });
    QWidget owner;
    CommonDialog cmd(&owner);
    cmd.FileName = "/tmp/a.txt";
    cmd.FileTitle = "a.txt";
    cmd.CancelError = cancelError;
    QCOMPARE(cmd.setAction(CommonDialog::ActionSave), result);
    QCOMPARE(cmd.FileName, fileName);
    QCOMPARE(cmd.FileTitle, fileTitle);
}

void TestCommonDialog::choiceSetsNameAndTitle() {
    CommonDialog::Request seen{};
    CommonDialog::setResponder([&seen](const CommonDialog::Request& r) {
        seen = r;
        return std::optional<QString>("/data/run 1/list.txt");
    });
    QWidget owner;
    CommonDialog cmd(&owner);
    QCOMPARE(cmd.objectName(), QString("Cmd1"));
    cmd.Filter = "All Files (*.*)|*.*|";
    cmd.FileName = "/data/old.txt";
    QVERIFY(cmd.setAction(CommonDialog::ActionOpen));
    QCOMPARE(seen.action, CommonDialog::ActionOpen);
    QCOMPARE(seen.filter, QString("All Files (*.*)|*.*|"));
    QCOMPARE(seen.fileName, QString("/data/old.txt")); // the dialog starts from the last name
    QCOMPARE(cmd.FileName, QString("/data/run 1/list.txt"));
    QCOMPARE(cmd.FileTitle, QString("list.txt"));
}

void TestCommonDialog::requestTellsWhetherItWouldAsk_data() {
    QTest::addColumn<int>("action");
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("asks");
    QTest::newRow("save, no flags") << CommonDialog::ActionSave << 0 << false;
    QTest::newRow("save, flag 2") << CommonDialog::ActionSave << 2 << true;
    QTest::newRow("save, other flags only") << CommonDialog::ActionSave << 4 << false;
    QTest::newRow("open, flag 2") << CommonDialog::ActionOpen << 2 << false;
}

void TestCommonDialog::requestTellsWhetherItWouldAsk() {
    QFETCH(int, action);
    QFETCH(int, flags);
    QFETCH(bool, asks);
    bool seen = !asks;
    CommonDialog::setResponder([&seen](const CommonDialog::Request& r) {
        seen = r.confirmOverwrite;
        return std::optional<QString>("/tmp/x");
    });
    QWidget owner;
    CommonDialog cmd(&owner);
    cmd.Flags = flags;
    cmd.setAction(action);
    QCOMPARE(seen, asks);
}

void TestCommonDialog::realDialogGetsFilterAndOverwriteOption_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("flags");
    QTest::addColumn<QStringList>("qtFilters");
    // The shown filter texts: each description as the program wrote it.
    QTest::newRow("export filter, first dialog")
        << "All Files (*.*)|*.*|" << 0 << QStringList{"All Files (*.*)"};
    QTest::newRow("two pairs, later dialog")
        << "Text|*.txt;*.dat|All Files (*.*)|*.*|" << 2 << QStringList{"Text", "All Files (*.*)"};
}

void TestCommonDialog::realDialogGetsFilterAndOverwriteOption() {
    QFETCH(QString, filter);
    QFETCH(int, flags);
    QFETCH(QStringList, qtFilters);
    QTemporaryDir dir;
    const QString path = dir.filePath("out.txt");
    QWidget owner;
    CommonDialog cmd(&owner);
    cmd.Filter = filter;
    cmd.Flags = flags;
    QStringList shownFilters;
    bool noConfirm = false;
    bool modal = false;
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dlg);
        const auto* types = dlg->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        QVERIFY(types);
        for (int i = 0; i < types->count(); ++i)
            shownFilters << types->itemText(i);
        noConfirm = dlg->testOption(QFileDialog::DontConfirmOverwrite);
        modal = dlg->isModal();
        dlg->selectFile(path);
        static_cast<QDialog*>(dlg)->accept(); // the file dialog's own accept checks the name
    });
    QVERIFY(cmd.setAction(CommonDialog::ActionSave));
    QCOMPARE(shownFilters, qtFilters);
    QCOMPARE(noConfirm, (flags & 2) == 0);
    QVERIFY(modal);
    QCOMPARE(cmd.FileName, path);
    QCOMPARE(cmd.FileTitle, QString("out.txt"));
}

void TestCommonDialog::patterns_data() {
    QTest::addColumn<QString>("patterns");
    QTest::addColumn<QStringList>("matched");
    QTest::newRow("every file") << "*.*" << QStringList{"*"};
    QTest::newRow("one type") << "*.txt" << QStringList{"*.txt"};
    QTest::newRow("two types and every file") << "*.txt; *.*" << QStringList{"*.txt", "*"};
    QTest::newRow("a name with a dot stays") << "data.*" << QStringList{"data.*"};
}

void TestCommonDialog::patterns() {
    QFETCH(QString, patterns);
    QFETCH(QStringList, matched);
    QCOMPARE(platform::qtPatterns(patterns), matched);
}

// The export's filter, in the real dialog, on a folder with files with and without a dot.
void TestCommonDialog::allFilesOffersNamesWithoutADot() {
    QTemporaryDir dir;
    for (const char* name : {"README", "list.txt"}) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QWidget owner;
    CommonDialog cmd(&owner);
    cmd.Filter = QStringLiteral("All Files (*.*)|*.*|");
    cmd.FileName = dir.filePath(QStringLiteral("x"));
    QStringList offered;
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dlg);
        dlg->setDirectory(dir.path());
        auto* view = dlg->findChild<QListView*>(QStringLiteral("listView"));
        QVERIFY(view);
        // The folder is read in the background: wait for both files or give up.
        QTRY_VERIFY_WITH_TIMEOUT(view->model()->rowCount(view->rootIndex()) >= 1, 5000);
        QTest::qWait(200);
        const QModelIndex root = view->rootIndex();
        for (int r = 0; r < view->model()->rowCount(root); ++r) {
            const QModelIndex i = view->model()->index(r, 0, root);
            if (i.flags() & Qt::ItemIsEnabled)
                offered << i.data().toString();
        }
        dlg->reject();
    });
    cmd.setAction(CommonDialog::ActionSave);
    offered.sort();
    QCOMPARE(offered, (QStringList{"README", "list.txt"}));
}

// A file whose name says nothing: Qt's own provider would open and read it to tell its type, which
// never returns on some /proc entries. The dialogs' provider goes by the name and kind alone.
void TestCommonDialog::dialogsNeverReadAFileToTypeIt() {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("report"));
    {
        QFile f(pdf);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n1 0 obj\n<<>>\nendobj\n");
    }
    QVERIFY2(QFileIconProvider().type(QFileInfo(pdf)).contains(QStringLiteral("PDF")),
             "the content sniffing this test relies on is not there");
    for (const int action : {CommonDialog::ActionOpen, CommonDialog::ActionSave}) {
        QWidget owner;
        CommonDialog cmd(&owner);
        QString type, folderType, listed;
        bool byName = false;
        QTimer::singleShot(0, [&] {
            auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            const auto* provider = dynamic_cast<const platform::NameIconProvider*>(dlg->iconProvider());
            byName = provider != nullptr;
            if (provider) {
                type = provider->type(QFileInfo(pdf));
                folderType = provider->type(QFileInfo(dir.path()));
                QVERIFY(!provider->icon(QFileInfo(pdf)).isNull());
            }
            dlg->setDirectory(dir.path());
            auto* view = dlg->findChild<QListView*>(QStringLiteral("listView"));
            QVERIFY(view);
            QTRY_VERIFY_WITH_TIMEOUT(view->model()->rowCount(view->rootIndex()) >= 1, 5000);
            listed = view->model()->index(0, 0, view->rootIndex()).data().toString();
            dlg->reject();
        });
        cmd.setAction(action);
        QVERIFY(byName);
        QVERIFY2(!type.contains(QStringLiteral("PDF")), qPrintable(type));
        QCOMPARE(folderType, QStringLiteral("Folder"));
        QCOMPARE(listed, QStringLiteral("report"));
    }
}

QTEST_MAIN(TestCommonDialog)
#include "test_common_dialog.moc"
