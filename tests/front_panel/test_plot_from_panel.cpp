// A plot as the user makes it in the running program: the main window on the meter stand-in,
// a data file opened into the file list, its Plot button.
#include "logger_data/file_list.h"
#include "logger_data/list_plot.h"
#include "platform/common_dialog.h"
#include "platform/grid.h"
#include "tests/logger_data/plot_fixture.h"
#include "tests/support/panel_fixture.h"
#include "tests/support/test_support.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

using testing::AtCaption;
using testing::PanelFixture;

class TestPlotFromPanel : public QObject {
    Q_OBJECT
private slots:
    void plotHoldsThePollAndTheSamplerThenGivesThemBack();
};

void TestPlotFromPanel::plotHoldsThePollAndTheSamplerThenGivesThemBack() {
    PanelFixture f;
    QVERIFY(f.start());
    f.panel->show();
    const QString file = f.dir.filePath("day.txt");
    {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("\tTime\tW/(M)2\r\n");
        for (int i = 1; i <= 3000; ++i)
            out.write(QString("%1\t10:%2:%3\t%4\t\r\n")
                          .arg(i)
                          .arg(i / 60 % 60, 2, 10, QChar('0'))
                          .arg(i % 60, 2, 10, QChar('0'))
                          .arg(i % 2200)
                          .toLatin1());
    }
    platform::CommonDialog::setResponder([&](const platform::CommonDialog::Request&) { return file; });
    f.panel->Toolbar1->button("Open")->click();
    platform::CommonDialog::setResponder({});
    FileList* list = f.panel->loggerContext.fileList;
    QVERIFY(list);
    QCOMPARE(list->Grid->rows(), 3001);
    QVERIFY(testing::waitUntil([&] { return f.panel->Timer1.isActive(); }));

    QSignalSpy polls(&f.panel->Timer1, &QTimer::timeout);
    QTest::mouseClick(list->Toolbar1->button("Plot"), Qt::LeftButton);
    ListPlot* plot = f.panel->loggerContext.listPlot;
    QVERIFY(plot);
    int pollsAtStart = -1, pollsNearEnd = -1;
    bool timersOff = true;
    AtCaption first(plot, "1 Records Completed", [&] { pollsAtStart = polls.count(); });
    // Every progress caption, down to the last one before the chart is done.
    testing::OnEvent progress(plot, QEvent::WindowTitleChange, [&] {
        if (!plot->windowTitle().endsWith("Records Completed"))
            return;
        pollsNearEnd = polls.count();
        timersOff = timersOff && !f.panel->Timer1.isActive() && !f.panel->Timer2.isActive();
    });
    QVERIFY(testing::waitUntil([&] { return pollsNearEnd >= 0 && !plot->plotting(); }, 30));
    QVERIFY(pollsAtStart >= 0);
    QVERIFY(timersOff);
    QCOMPARE(pollsNearEnd, pollsAtStart);
    QVERIFY(f.panel->Timer1.isActive() && f.panel->Timer2.isActive());
    QCOMPARE(plot->windowTitle(), QString("Plot Data/File "));
    // The poll goes on reading the meter.
    QVERIFY(polls.wait(2000));
}

QTEST_MAIN(TestPlotFromPanel)
#include "test_plot_from_panel.moc"
