// The real-time list window: placement, header, the rows the sampler appends, closing, Save.
#include "tests/front_panel/sampler_fixture.h"

#include "meter_link/decode.h"
#include "platform/message_box.h"
#include "platform/printer.h"
#include "tools/standin/meter_standin.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHeaderView>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <cmath>

using testing::SamplerFixture;

class TestRealTimeList : public QObject {
    Q_OBJECT
private slots:
    void opensRightOfPanelWithHeader();
    void columnWidthsAreMeasured();
    void rowsAreNumberedAndScrollFromThe16th();
    void shownListFillsWith15RowsAndScrollsAtThe16th_data();
    void shownListFillsWith15RowsAndScrollsAtThe16th();
    void secondListClickKeepsFirstUnit();
    void closesOnUnitChangeAndReopensFromOne();
    void closesAtRowLimit();
    void userCloseClearsState();
    void saveWhileRecordingOnlyRefuses();
    void saveWritesTheList();
    void printUsesThePanelsPollTimer();
    void unloadedUnderItsOwnBox_data();
    void unloadedUnderItsOwnBox();
    void grabPanelAndList();
};

void TestRealTimeList::opensRightOfPanelWithHeader() {
    SamplerFixture f;
    f.panel->show();
    f.panel->move(40, 30);
    f.show(QStringLiteral("kBtu/((ft)2.h)"), QStringLiteral("0.257"));
    f.click(QStringLiteral("List"));
    RealTimeList* list = f.list();
    QVERIFY(list);
    QVERIFY(list->isVisible());
    QVERIFY(f.app.liveList.ListOpen);
    QCOMPARE(f.app.liveList.ListUnit, QStringLiteral("kBtu/((ft)2.h)"));
    QCOMPARE(list->windowTitle(), QStringLiteral("Real Time List"));
    QCOMPARE(list->pos(), QPoint(f.panel->x() + f.panel->frameGeometry().width(), f.panel->y()));
    QCOMPARE(list->size(), QSize(186, 271));
    QCOMPARE(list->minimumSize(), list->maximumSize());
    QCOMPARE(list->Grid->geometry(), QRect(0, 32, 185, 241));
    QCOMPARE(list->Grid->rows(), 1);
    QCOMPARE(list->Grid->cols(), 3);
    QCOMPARE(list->Grid->textAt(0, 0), QStringLiteral("No.s"));
    QCOMPARE(list->Grid->textAt(0, 1), QStringLiteral("Time"));
    QCOMPARE(list->Grid->textAt(0, 2), QStringLiteral("kBtu/((ft)2.h)"));
    QCOMPARE(list->Grid->row(), 0);
    QCOMPARE(list->Grid->col(), 2);
    const platform::Toolbar* bar = list->Toolbar1;
    QCOMPARE(bar->count(), 2);
    QCOMPARE(bar->button(1)->key(), QStringLiteral("Save"));
    QCOMPARE(bar->button(1)->toolTip(), QStringLiteral("Save As"));
    QCOMPARE(bar->button(2)->key(), QStringLiteral("Print"));
    QCOMPARE(bar->button(2)->toolTip(), QStringLiteral("Print"));
    QVERIFY(!bar->button(2)->icon().isNull());
}

void TestRealTimeList::columnWidthsAreMeasured() {
    SamplerFixture f;
    f.click(QStringLiteral("List"));
    RealTimeList* list = f.list();
    QVERIFY(list);
    const QFontMetrics fm(list->font());
    const QStringList samples{" 000000 ", " HH:NN:SS", "AAW/Am)AA"};
    for (int c = 0; c < 3; ++c) {
        const int twips = static_cast<int>(std::lround(fm.horizontalAdvance(samples[c]) * 15.0));
        QCOMPARE(list->Grid->colWidth(c), twips);
    }
}

void TestRealTimeList::rowsAreNumberedAndScrollFromThe16th() {
    SamplerFixture f;
    f.click(QStringLiteral("List"));
    platform::Grid* grid = f.list()->Grid;
    for (int n = 1; n <= 15; ++n) {
        f.show(QStringLiteral("W/(M)2"), QString::number(800 + n));
        f.tick();
    }
    QCOMPARE(grid->rows(), 16);
    QCOMPARE(grid->row(), 15);
    QCOMPARE(grid->topRow(), 1);
    QCOMPARE(grid->textAt(1, 0), QStringLiteral("1"));
    QCOMPARE(grid->textAt(1, 1), QStringLiteral("10:00:01"));
    QCOMPARE(grid->textAt(1, 2), QStringLiteral("801"));
    QCOMPARE(grid->textAt(15, 0), QStringLiteral("15"));
    QCOMPARE(grid->textAt(15, 2), QStringLiteral("815"));
    f.tick();
    QCOMPARE(grid->row(), 16);
    QCOMPARE(grid->topRow(), 2);
    f.tick();
    QCOMPARE(grid->topRow(), 3);
    QCOMPARE(f.app.liveList.ListCount, 17.0f);
    // The list counts on its own, from 1, not with a recording's records.
    QCOMPARE(grid->textAt(17, 0), QStringLiteral("17"));
}

void TestRealTimeList::shownListFillsWith15RowsAndScrollsAtThe16th_data() {
    // The header's height once shown, against the one measured when the list was built: styles
    // and fonts differ between desktops.
    QTest::addColumn<int>("headerChange");
    QTest::newRow("header as measured") << 0;
    QTest::newRow("header 4 px lower") << -4;
    QTest::newRow("header 7 px taller") << 7;
}

void TestRealTimeList::shownListFillsWith15RowsAndScrollsAtThe16th() {
    QFETCH(int, headerChange);
    SamplerFixture f;
    f.panel->show();
    f.click(QStringLiteral("List"));
    RealTimeList* list = f.list();
    platform::Grid* grid = list->Grid;
    grid->horizontalHeader()->setFixedHeight(grid->horizontalHeader()->sizeHint().height() + headerChange);
    QVERIFY(QTest::qWaitForWindowExposed(list));
    // The data rows the user sees whole, once the view has caught up with the samples.
    const auto shownRows = [grid] {
        QCoreApplication::processEvents();
        QList<int> rows;
        for (int r = 1; r < grid->rows(); ++r)
            if (grid->viewport()->rect().contains(grid->visualRect(grid->model()->index(r - 1, 0))))
                rows << r;
        return rows;
    };
    const auto range = [](int from, int to) {
        QList<int> rows;
        for (int r = from; r <= to; ++r)
            rows << r;
        return rows;
    };
    for (int n = 1; n <= 15; ++n) {
        f.show(QStringLiteral("W/(M)2"), QString::number(800 + n));
        f.tick();
        QCOMPARE(shownRows(), range(1, n));
    }
    f.tick();
    QCOMPARE(shownRows(), range(2, 16));
    f.tick();
    QCOMPARE(shownRows(), range(3, 17));
    f.tick(10);
    QCOMPARE(shownRows(), range(13, 27));
    QCOMPARE(grid->topRow(), 13);
    QVERIFY(grid->rowHeight(0) >= QFontMetrics(grid->font()).height()); // the text still fits
}

void TestRealTimeList::secondListClickKeepsFirstUnit() {
    SamplerFixture f;
    f.click(QStringLiteral("List"));
    RealTimeList* first = f.list();
    f.tick();
    f.show(QStringLiteral("Btu/((ft)2.h)"), QStringLiteral("257.6"));
    f.click(QStringLiteral("List"));
    QCOMPARE(f.list(), first);
    QCOMPARE(f.app.liveList.ListUnit, QStringLiteral("W/(M)2"));
    QCOMPARE(first->Grid->textAt(0, 2), QStringLiteral("W/(M)2"));
    QCOMPARE(first->Grid->rows(), 2);
}

void TestRealTimeList::closesOnUnitChangeAndReopensFromOne() {
    SamplerFixture f;
    f.click(QStringLiteral("List"));
    const QPointer<RealTimeList> old = f.list();
    f.tick(3);
    f.show(QStringLiteral("KW/(M)2"), QStringLiteral("0.812"));
    f.tick();
    QVERIFY(!f.app.liveList.ListOpen);
    QCOMPARE(f.app.liveList.ListCount, 0.0f);
    QVERIFY(!f.list());
    QVERIFY(old && old->isHidden());
    QCOMPARE(old->Grid->rows(), 4);              // that tick adds no row
    QCOMPARE(f.app.sampling.SampleTickCount, 1); // kept: the next tick samples again
    SamplerFixture::flushDeletes();
    QVERIFY(!old); // its rows are gone with it

    f.tick(); // no list: nothing to add
    f.click(QStringLiteral("List"));
    QVERIFY(f.list());
    QCOMPARE(f.list()->Grid->textAt(0, 2), QStringLiteral("KW/(M)2"));
    f.tick();
    QCOMPARE(f.list()->Grid->rows(), 2);
    QCOMPARE(f.list()->Grid->textAt(1, 0), QStringLiteral("1"));
    QCOMPARE(f.list()->Grid->textAt(1, 1), QStringLiteral("10:00:06"));
}

void TestRealTimeList::closesAtRowLimit() {
    SamplerFixture f;
    f.click(QStringLiteral("List"));
    f.app.liveList.ListCount = 86399; // as if the list held 86399 rows already
    f.tick();
    QVERIFY(f.app.liveList.ListOpen);
    QCOMPARE(f.list()->Grid->textAt(1, 0), QStringLiteral("86400"));
    f.tick();
    QVERIFY(!f.app.liveList.ListOpen);
    QVERIFY(!f.list());
}

void TestRealTimeList::userCloseClearsState() {
    SamplerFixture f;
    f.click(QStringLiteral("List"));
    f.tick(4);
    const QPointer<RealTimeList> list = f.list();
    QVERIFY(list->close());
    QVERIFY(!f.app.liveList.ListOpen);
    QCOMPARE(f.app.liveList.ListCount, 0.0f);
    QVERIFY(!f.list());
    SamplerFixture::flushDeletes();
    QVERIFY(!list);
    f.tick(); // the sampler goes on without a list
    QVERIFY(f.ends.codes().isEmpty());
}

void TestRealTimeList::saveWhileRecordingOnlyRefuses() {
    SamplerFixture f;
    f.click(QStringLiteral("List"));
    f.startRecording(f.path(QStringLiteral("rec.txt")));
    QVERIFY(f.app.recording.Recording);
    f.tick(2);
    const int dialogs = f.requests.size();
    f.answers << f.path(QStringLiteral("list.txt"));
    f.list()->Toolbar1->button(QStringLiteral("Save"))->click();
    QCOMPARE(f.messages.boxes.size(), 1);
    QCOMPARE(f.messages.boxes[0].text, QStringLiteral("Aready in recording mode, close it and try again !"));
    QVERIFY(f.messages.boxes[0].icon == platform::MsgIcon::Critical);
    QCOMPARE(f.messages.boxes[0].title, QStringLiteral("Vantrel"));
    QCOMPARE(f.requests.size(), dialogs);
    QVERIFY(!QFile::exists(f.path(QStringLiteral("list.txt"))));
    QVERIFY(f.app.recording.Recording);
    QVERIFY(!QApplication::overrideCursor());
}

void TestRealTimeList::saveWritesTheList() {
    SamplerFixture f;
    f.click(QStringLiteral("List"));
    f.tick(2);
    const QString file = f.path(QStringLiteral("list.txt"));
    f.answers << file;
    f.list()->Toolbar1->button(QStringLiteral("Save"))->click();
    QCOMPARE(f.requests.size(), 1);
    QCOMPARE(SamplerFixture::fileBytes(file), QByteArray("No.s\tTime\tW/(M)2\t\r\n"
                                                         "1\t10:00:01\t812.5\t\r\n"
                                                         "2\t10:00:02\t812.5\t\r\n"));
    QVERIFY(!f.app.recording.FileChosen);
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(f.list()->windowTitle(), QStringLiteral("Real Time List"));
    QVERIFY(f.messages.boxes.isEmpty());
}

void TestRealTimeList::printUsesThePanelsPollTimer() {
    SamplerFixture f;
    const QString pdf = f.path(QStringLiteral("list.pdf"));
    platform::Printer::setOutputPdf(pdf);
    f.click(QStringLiteral("List"));
    f.tick(3);
    QVERIFY(!f.panel->Timer1.isActive());
    f.list()->Toolbar1->button(QStringLiteral("Print"))->click();
    platform::Printer::setOutputPdf(QString());
    QVERIFY(f.messages.boxes.isEmpty());
    QVERIFY(QFileInfo(pdf).size() > 0);
    QVERIFY(f.panel->Timer1.isActive()); // polling is switched back on after the print
    f.panel->Timer1.stop();
}

void TestRealTimeList::unloadedUnderItsOwnBox_data() {
    QTest::addColumn<QString>("where"); // which of the list's own loops the sampler unloads it in
    QTest::addColumn<QString>("box");   // the message the user then sees, if any
    QTest::newRow("save dialog") << "dialog" << QString();
    QTest::newRow("refusal while recording") << "refusal"
                                             << "Aready in recording mode, close it and try again !";
    QTest::newRow("export failure") << "export"
                                    << "Could not save the list";
    QTest::newRow("printing") << "printing"
                              << "The list was closed while it was being printed. Nothing was printed.";
    QTest::newRow("print failure") << "print failure"
                                   << "The list could not be printed: ";
}

// The sampler unloads the list (the unit changed) while one of the list's own dialogs, boxes or
// its print runs: the list hides at once and goes once its own code is done, and nothing uses it
// after it is freed (the sanitizer build checks that too).
void TestRealTimeList::unloadedUnderItsOwnBox() {
    QFETCH(QString, where);
    QFETCH(QString, box);
    SamplerFixture f;
    f.click(QStringLiteral("List"));
    f.tick(2);
    const QPointer<RealTimeList> list = f.list();
    QVERIFY(list);
    if (where == QLatin1String("refusal"))
        f.startRecording(f.path(QStringLiteral("rec.txt")));
    bool unloadedInside = false;
    const auto unloadBySampler = [&] {
        f.show(QStringLiteral("KW/(M)2"), QStringLiteral("0.812"));
        f.tick(2); // a recording stops at the first tick, the list goes at the next
        unloadedInside = list && list->isUnloaded() && !list->isVisible();
    };
    // A real box or dialog waits in its own event loop; the sampler's tick comes in there.
    const auto answerFromItsOwnLoop = [&] {
        QEventLoop loop;
        QTimer::singleShot(0, &loop, unloadBySampler);
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    };
    const QString file = where == QLatin1String("export") ? f.path(QStringLiteral("missing/list.txt"))
                                                          : f.path(QStringLiteral("list.txt"));
    const QString pdf = where == QLatin1String("print failure") ? f.path(QStringLiteral("missing/list.pdf"))
                                                                : f.path(QStringLiteral("list.pdf"));
    platform::Printer::setOutputPdf(pdf);
    QStringList texts;
    QStringList stopNotices; // a recording the sampler stops says so in a notice of its own
    platform::setMsgResponder([&](const platform::MsgRecord& r) {
        if (r.text.startsWith(QLatin1String("Recording stopped: "))) {
            stopNotices << r.text;
            return platform::MsgResult::Ok;
        }
        texts << r.text;
        if (!unloadedInside)
            answerFromItsOwnLoop();
        return platform::MsgResult::Ok;
    });
    platform::CommonDialog::setResponder(
        [&](const platform::CommonDialog::Request&) -> std::optional<QString> {
            if (where == QLatin1String("dialog"))
                answerFromItsOwnLoop();
            return file;
        });
    if (where == QLatin1String("printing"))
        QTimer::singleShot(0, unloadBySampler); // runs in the print's first pump

    const QString key =
        where.contains(QLatin1String("print")) ? QStringLiteral("Print") : QStringLiteral("Save");
    list->Toolbar1->button(key)->click();
    platform::setMsgResponder({});
    platform::Printer::setOutputPdf(QString());

    QVERIFY(unloadedInside);
    QCOMPARE(texts.size(), box.isEmpty() ? 0 : 1);
    QCOMPARE(stopNotices.size(), where == QLatin1String("refusal") ? 1 : 0);
    if (!box.isEmpty())
        QVERIFY2(texts[0].startsWith(box), qPrintable(texts[0]));
    QVERIFY(!f.list());
    QVERIFY(!f.app.liveList.ListOpen);
    QVERIFY(!f.app.recording.Recording);
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(f.panel->Timer1.isActive() == (where.contains(QLatin1String("print"))));
    // A save the user asked for still writes the rows the list held.
    if (where == QLatin1String("dialog"))
        QCOMPARE(SamplerFixture::fileBytes(file), QByteArray("No.s\tTime\tW/(M)2\t\r\n"
                                                             "1\t10:00:01\t812.5\t\r\n"
                                                             "2\t10:00:02\t812.5\t\r\n"));
    if (where == QLatin1String("printing")) // nothing partial reaches the printer
        QVERIFY(!QFileInfo::exists(pdf) || QFileInfo(pdf).size() == 0);
    QVERIFY(!f.app.recording.FileChosen);
    SamplerFixture::flushDeletes();
    QVERIFY(!list);
    f.panel->Timer1.stop();
    f.tick(); // the sampler goes on without a list
}

void TestRealTimeList::grabPanelAndList() {
    SamplerFixture f;
    f.panel->show();
    f.click(QStringLiteral("List"));
    f.startRecording(f.path(QStringLiteral("grab.txt")));
    for (int n = 1; n <= 20; ++n) {
        // The mirror paints a W/m2 frame, as the poll tick has it do: 781.3, 782.6, ...
        const QString digits = QString::number(7800 + 13 * n);
        const QByteArray frame = standin::makeFrame(0x00, 0x40, 0x05, 0x00, 0x01, 0xCCCC,
                                                    static_cast<quint16>(digits.toUInt(nullptr, 16)));
        f.panel->PaintFrame(frame);
        f.tick();
    }
    QCOMPARE(f.list()->Grid->textAt(20, 2), QStringLiteral("806.0"));
    testing::waitUntil([] { return false; }, 0.2); // let the list scroll and paint
    const QString dir = testing::artifactsDir();
    QVERIFY(f.panel->grab().save(dir + QStringLiteral("/panel_toolbar.png")));
    QVERIFY(f.list()->grab().save(dir + QStringLiteral("/real_time_list.png")));
}

QTEST_MAIN(TestRealTimeList)
#include "test_real_time_list.moc"
