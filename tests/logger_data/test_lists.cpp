// The data list and the file list: frames, placement, headers, Unit, Save, Print and Plot.
#include "logger_data/data_list.h"
#include "logger_data/file_list.h"
#include "logger_data/list_plot_state.h"
#include "logger_data/logger_context.h"
#include "platform/common_dialog.h"
#include "platform/grid.h"
#include "platform/printer.h"
#include "tests/support/test_support.h"

#include <QFile>
#include <QFontMetrics>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cmath>
#include <optional>

namespace {

// The main window's part in the lists: its place, Cmd1 with scripted answers, the timers.
struct Lists {
    QTemporaryDir dir;
    AppState app;
    testing::MessageCapture messages;
    QWidget panel;
    QTimer timer1, timer2;
    LoggerContext ctx;
    QStringList answers; // file dialog answers in order; empty = cancel
    int dialogs = 0;
    std::function<void()> duringDialog;

    Lists() {
        panel.setGeometry(60, 40, 320, 460);
        ctx.app = &app;
        ctx.panel = &panel;
        ctx.Cmd1 = new platform::CommonDialog(&panel);
        ctx.Timer1 = &timer1;
        ctx.Timer2 = &timer2;
        timer1.setInterval(50);
        platform::CommonDialog::setResponder(
            [this](const platform::CommonDialog::Request&) -> std::optional<QString> {
                ++dialogs;
                if (duringDialog)
                    duringDialog();
                const QString a = answers.isEmpty() ? QString() : answers.takeFirst();
                return a.isEmpty() ? std::nullopt : std::optional<QString>(a);
            });
    }
    ~Lists() {
        delete ctx.dataList.data();
        delete ctx.fileList.data();
        platform::CommonDialog::setResponder({});
    }

    // A data list holding the same `n` readings in both units.
    DataList* dataList(int n, bool metric) {
        app.logger.ListUnitMetric = metric;
        auto* list = new DataList(ctx);
        ctx.dataList = list;
        for (int i = 1; i <= n; ++i) {
            list->GridM->addItem(
                QStringLiteral("%1\t00:00:%2\t%3").arg(i).arg(i, 2, 10, QLatin1Char('0')).arg(100 * i));
            list->GridI->addItem(QStringLiteral("%1\t00:00:%2\t%3")
                                     .arg(i)
                                     .arg(i, 2, 10, QLatin1Char('0'))
                                     .arg(31.7 * i, 0, 'f', 1));
        }
        show(list);
        return list;
    }
    FileList* fileList(const QString& header, int n) {
        auto* list = new FileList(ctx);
        ctx.fileList = list;
        list->Grid->setRow(0);
        list->Grid->setCol(2);
        list->Grid->setText(header);
        for (int i = 1; i <= n; ++i)
            list->Grid->addItem(
                QStringLiteral("%1\t10:00:%2\t8%3").arg(i).arg(i, 2, 10, QLatin1Char('0')).arg(i));
        show(list);
        return list;
    }
    static void show(QWidget* w) {
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowExposed(w));
    }
    static void click(platform::Toolbar* bar, const char* key) {
        platform::ToolbarButton* b = bar->button(QString::fromLatin1(key));
        QVERIFY2(b && b->isVisible(), key);
        QTest::mouseClick(b, Qt::LeftButton);
    }
    static QByteArray fileBytes(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }
};

QString pdfText(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(20000) || p.exitCode() != 0)
        return QStringLiteral("<pdftotext failed>");
    return QString::fromUtf8(p.readAllStandardOutput()).simplified();
}

} // namespace

class TestLists : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { platform::Printer::setOutputPdf({}); }
    void windowsHaveTheListFrame();
    void dataListShowsTheGridOfTheUnitAndUnitFlipsIt();
    void fileListHeaderIsTheDisplayUnit();
    void dataListPlot_data();
    void dataListPlot();
    void fileListPlot_data();
    void fileListPlot();
    void plotOfAnEmptyListIsRefused_data();
    void plotOfAnEmptyListIsRefused();
    void saveWritesTheShownGrid();
    void saveWhileRecordingOnlyRefuses();
    void cancelledSaveWritesNothing();
    void saveOfAListUnloadedDuringTheDialogWritesNothing();
    void printPrintsTheShownGrid();
    void listUnloadedWhilePrintingPrintsNothing();
    void grabLists();
};

void TestLists::windowsHaveTheListFrame() {
    Lists f;
    DataList* data = f.dataList(0, true);
    FileList* file = f.fileList(QStringLiteral("W/(M)2"), 0);

    QCOMPARE(data->windowTitle(), QStringLiteral("Data List"));
    QCOMPARE(file->windowTitle(), QStringLiteral("File List"));
    QCOMPARE(data->pos(), QPoint(0, 0));
    QCOMPARE(file->pos(), QPoint(f.panel.x() + f.panel.frameGeometry().width(), f.panel.y()));
    const QFontMetrics fm(data->font());
    const QStringList samples{" 000000 ", " HH:NN:SS", "AAW/Am)AA"};
    for (QWidget* w : {static_cast<QWidget*>(data), static_cast<QWidget*>(file)}) {
        QCOMPARE(w->size(), QSize(186, 271));
        QCOMPARE(w->minimumSize(), w->maximumSize());
        QVERIFY(w->isWindow());
        QCOMPARE(w->parentWidget(), &f.panel);
    }
    for (platform::Grid* g : {data->GridM, data->GridI, file->Grid}) {
        QCOMPARE(g->geometry(), QRect(0, 32, 185, 241));
        QCOMPARE(g->rows(), 1);
        QCOMPARE(g->cols(), 3);
        QCOMPARE(g->textAt(0, 0), QStringLiteral("No.s"));
        QCOMPARE(g->textAt(0, 1), QStringLiteral("Time"));
        for (int c = 0; c < 3; ++c)
            QCOMPARE(g->colWidth(c), static_cast<int>(std::lround(fm.horizontalAdvance(samples[c]) * 15.0)));
    }
    QCOMPARE(data->GridM->textAt(0, 2), QStringLiteral("W/(M)2"));
    QCOMPARE(data->GridI->textAt(0, 2), QStringLiteral("Btu/((ft)2.h)"));

    const QStringList dataKeys{"Save", "Plot", "Print", "Unit"};
    const QStringList dataTips{"Save As", "Plot", "Print", "Unit"};
    QCOMPARE(data->Toolbar1->count(), 4);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(data->Toolbar1->button(i + 1)->key(), dataKeys[i]);
        QCOMPARE(data->Toolbar1->button(i + 1)->toolTip(), dataTips[i]);
        QVERIFY(!data->Toolbar1->button(i + 1)->icon().pixmap(16).isNull());
    }
    QCOMPARE(file->Toolbar1->count(), 2);
    QCOMPARE(file->Toolbar1->button(1)->key(), QStringLiteral("Plot"));
    QCOMPARE(file->Toolbar1->button(2)->key(), QStringLiteral("Print"));
    QVERIFY(!file->Toolbar1->button(1)->icon().pixmap(16).isNull());
    QVERIFY(!file->Toolbar1->button(2)->icon().pixmap(16).isNull());
}

void TestLists::dataListShowsTheGridOfTheUnitAndUnitFlipsIt() {
    for (bool metric : {true, false}) {
        Lists f;
        DataList* list = f.dataList(3, metric);
        QCOMPARE(list->GridM->isVisible(), metric);
        QCOMPARE(list->GridI->isVisible(), !metric);
        Lists::click(list->Toolbar1, "Unit");
        QCOMPARE(f.app.logger.ListUnitMetric, !metric);
        QCOMPARE(list->GridM->isVisible(), !metric);
        QCOMPARE(list->GridI->isVisible(), metric);
        Lists::click(list->Toolbar1, "Unit");
        QCOMPARE(list->GridM->isVisible(), metric);
        // The rows stay as they were.
        QCOMPARE(list->GridM->rows(), 4);
        QCOMPARE(list->GridI->rows(), 4);
    }
}

void TestLists::fileListHeaderIsTheDisplayUnit() {
    Lists f;
    f.app.display.DisplayUnitText = QStringLiteral("kBtu/((ft)2.h)");
    FileList list(f.ctx);
    QCOMPARE(list.Grid->textAt(0, 2), QStringLiteral("kBtu/((ft)2.h)"));
    QCOMPARE(list.Grid->row(), 0);
    QCOMPARE(list.Grid->col(), 2);
}

namespace {
void checkPlot(const PlotState& p, bool fromFile, bool metric, float n) {
    QCOMPARE(p.PlotFromFile, fromFile);
    if (metric) {
        QCOMPARE(p.ValueMaxAllowed.typeId(), QMetaType::Short);
        QCOMPARE(p.ValueMaxAllowed.toInt(), 2200);
        QCOMPARE(p.PlotUnitLabel, QStringLiteral("W/(M)2"));
    } else {
        QCOMPARE(p.ValueMaxAllowed.typeId(), QMetaType::Double);
        QCOMPARE(p.ValueMaxAllowed.toDouble(), 697.4);
        QCOMPARE(p.PlotUnitLabel, QStringLiteral("Btu/((ft)2.h)"));
    }
    QCOMPARE(p.ValueMinAllowed.typeId(), QMetaType::Short);
    QCOMPARE(p.ValueMinAllowed.toInt(), 0);
    QCOMPARE(p.PlotValueMax, p.ValueMaxAllowed);
    QCOMPARE(p.PlotValueMin, p.ValueMinAllowed);
    QCOMPARE(p.RecordCount, n);
    QCOMPARE(p.PlotFromRecord, 1.0f);
    QCOMPARE(p.PlotToRecord, n);
    QCOMPARE(p.PlotRecordCount, n);
}
} // namespace

void TestLists::dataListPlot_data() {
    QTest::addColumn<bool>("metric");
    QTest::addColumn<bool>("flipFirst");
    QTest::addColumn<bool>("plotsMetric");
    QTest::newRow("W/m2 shown") << true << false << true;
    QTest::newRow("Btu shown") << false << false << false;
    QTest::newRow("Unit flipped to Btu") << true << true << false;
    QTest::newRow("Unit flipped to W/m2") << false << true << true;
}

void TestLists::dataListPlot() {
    QFETCH(bool, metric);
    QFETCH(bool, flipFirst);
    QFETCH(bool, plotsMetric);
    Lists f;
    f.app.plot.PlotFromFile = true; // left by an earlier file plot
    DataList* list = f.dataList(0, metric);
    // The grid shown decides the count: the other grid holds a different number of rows here.
    platform::Grid* shown = plotsMetric ? list->GridM : list->GridI;
    platform::Grid* other = plotsMetric ? list->GridI : list->GridM;
    for (int i = 1; i <= 5; ++i)
        shown->addItem(QStringLiteral("%1\t00:00:0%1\t1").arg(i));
    other->addItem(QStringLiteral("1\t00:00:01\t1"));
    if (flipFirst)
        Lists::click(list->Toolbar1, "Unit");
    Lists::click(list->Toolbar1, "Plot");
    QVERIFY(f.messages.boxes.isEmpty());
    checkPlot(f.app.plot, false, plotsMetric, 5);
}

void TestLists::fileListPlot_data() {
    QTest::addColumn<QString>("header");
    QTest::addColumn<bool>("metric");
    QTest::addColumn<int>("rows");
    QTest::newRow("W/(M)2") << "W/(M)2" << true << 3;
    QTest::newRow("Btu/(ft)2.h") << "Btu/(ft)2.h" << false << 1;
    QTest::newRow("lower-case m is not metric") << "w/(m)2" << false << 2;
    QTest::newRow("capital M anywhere") << "xM" << true << 7;
}

void TestLists::fileListPlot() {
    QFETCH(QString, header);
    QFETCH(bool, metric);
    QFETCH(int, rows);
    Lists f;
    FileList* list = f.fileList(header, rows);
    list->Grid->setRow(2);
    list->Grid->setCol(0);
    Lists::click(list->Toolbar1, "Plot");
    QVERIFY(f.messages.boxes.isEmpty());
    checkPlot(f.app.plot, true, metric, rows);
    QCOMPARE(list->Grid->row(), 0);
    QCOMPARE(list->Grid->col(), 2);
}

void TestLists::plotOfAnEmptyListIsRefused_data() {
    QTest::addColumn<bool>("fileList");
    QTest::newRow("data list") << false;
    QTest::newRow("file list") << true;
}

void TestLists::plotOfAnEmptyListIsRefused() {
    QFETCH(bool, fileList);
    Lists f;
    SetPlotState(f.app.plot, !fileList, true, 9); // an earlier plot's values
    const PlotState before = f.app.plot;
    platform::Toolbar* bar =
        fileList ? f.fileList(QStringLiteral("W/(M)2"), 0)->Toolbar1 : f.dataList(0, true)->Toolbar1;
    Lists::click(bar, "Plot");
    QCOMPARE(f.messages.texts(), QStringList{"There are no records to plot."});
    QCOMPARE(f.messages.boxes[0].icon, platform::MsgIcon::Critical);
    QCOMPARE(f.app.plot.RecordCount, before.RecordCount);
    QCOMPARE(f.app.plot.PlotFromFile, before.PlotFromFile);
    QCOMPARE(f.app.plot.PlotToRecord, before.PlotToRecord);
}

void TestLists::saveWritesTheShownGrid() {
    Lists f;
    DataList* list = f.dataList(2, true);
    Lists::click(list->Toolbar1, "Unit");
    const QString path = f.dir.filePath(QStringLiteral("set.txt"));
    f.answers << path;
    Lists::click(list->Toolbar1, "Save");
    QCOMPARE(f.dialogs, 1);
    QCOMPARE(Lists::fileBytes(path), QByteArray("No.s\tTime\tBtu/((ft)2.h)\t\r\n"
                                                "1\t00:00:01\t31.7\t\r\n"
                                                "2\t00:00:02\t63.4\t\r\n"));
    QVERIFY(!f.app.recording.FileChosen);
    QVERIFY(!f.app.recording.File.isOpen());
    QCOMPARE(list->windowTitle(), QStringLiteral("Data List"));
}

void TestLists::saveWhileRecordingOnlyRefuses() {
    Lists f;
    DataList* list = f.dataList(2, true);
    f.app.recording.Recording = true;
    f.answers << f.dir.filePath(QStringLiteral("no.txt"));
    Lists::click(list->Toolbar1, "Save");
    QCOMPARE(f.messages.texts(), QStringList{"Aready in recording mode, close it and try again !"});
    QCOMPARE(f.messages.boxes[0].icon, platform::MsgIcon::Critical);
    QCOMPARE(f.messages.boxes[0].title, QString::fromLatin1(platform::AppTitle));
    QCOMPARE(f.dialogs, 0);
    QVERIFY(!QFile::exists(f.dir.filePath(QStringLiteral("no.txt"))));
}

void TestLists::cancelledSaveWritesNothing() {
    Lists f;
    DataList* list = f.dataList(2, true);
    // A file chosen earlier must not be written on a cancel.
    const QString earlier = f.dir.filePath(QStringLiteral("earlier.txt"));
    f.app.recording.SaveFileName = earlier;
    f.app.recording.FileChosen = true;
    f.ctx.Cmd1->CancelError = true;
    Lists::click(list->Toolbar1, "Save");
    QCOMPARE(f.dialogs, 1);
    QVERIFY(!QFile::exists(earlier));
    QVERIFY(f.messages.boxes.isEmpty());
}

void TestLists::saveOfAListUnloadedDuringTheDialogWritesNothing() {
    Lists f;
    QPointer<DataList> list = f.dataList(2, true);
    const QString path = f.dir.filePath(QStringLiteral("set.txt"));
    f.answers << path;
    f.duringDialog = [&] { list->Unload(); };
    Lists::click(list->Toolbar1, "Save");
    QVERIFY(!QFile::exists(path));
    QVERIFY(!f.app.recording.FileChosen);
    QTRY_VERIFY(!list);
}

void TestLists::printPrintsTheShownGrid() {
    Lists f;
    const QString pdf = f.dir.filePath(QStringLiteral("list.pdf"));
    platform::Printer::setOutputPdf(pdf);
    DataList* list = f.dataList(2, false);
    f.timer1.start();
    Lists::click(list->Toolbar1, "Print");
    QVERIFY(f.messages.boxes.isEmpty());
    QVERIFY(f.timer1.isActive()); // back on after the print
    QCOMPARE(list->windowTitle(), QStringLiteral("Data List"));
    const QString text = pdfText(pdf);
    QVERIFY2(text.contains(QStringLiteral("No.s Time Btu/((ft)2.h) 1 00:00:01 31.7 2 00:00:02 63.4")),
             qPrintable(text));
    QVERIFY(!text.contains(QStringLiteral("200")));

    FileList* file = f.fileList(QStringLiteral("W/(M)2"), 1);
    Lists::click(file->Toolbar1, "Print");
    QVERIFY(f.messages.boxes.isEmpty());
    QVERIFY2(pdfText(pdf).contains(QStringLiteral("No.s Time W/(M)2 1 10:00:01 81")),
             qPrintable(pdfText(pdf)));
}

void TestLists::listUnloadedWhilePrintingPrintsNothing() {
    Lists f;
    const QString pdf = f.dir.filePath(QStringLiteral("list.pdf"));
    platform::Printer::setOutputPdf(pdf);
    QPointer<DataList> list = f.dataList(20, true);
    QTimer::singleShot(0, list, [&] { list->Unload(); });
    Lists::click(list->Toolbar1, "Print");
    QCOMPARE(f.messages.texts(),
             QStringList{"The list was closed while it was being printed. Nothing was printed."});
    QVERIFY(!QFile::exists(pdf));
    QTRY_VERIFY(!list);
}

void TestLists::grabLists() {
    Lists f;
    DataList* data = f.dataList(20, true);
    FileList* file = f.fileList(QStringLiteral("Btu/(ft)2.h"), 4);
    const QString dir = testing::artifactsDir();
    QVERIFY(data->grab().save(dir + QStringLiteral("/data_list.png")));
    QVERIFY(file->grab().save(dir + QStringLiteral("/file_list.png")));
}

QTEST_MAIN(TestLists)
#include "test_lists.moc"
