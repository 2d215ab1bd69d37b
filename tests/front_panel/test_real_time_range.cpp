// The live graph's range dialog: its first entries, the key filters and the Enter chain, the
// checks with their messages, and the graph opened afresh with what was accepted.
#include "front_panel/real_time_graph.h"
#include "front_panel/real_time_range.h"
#include "logger_data/number_text.h"
#include "platform/draw_surface.h"
#include "tests/front_panel/sampler_fixture.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cmath>

using testing::SamplerFixture;

namespace {

struct RangeFixture : SamplerFixture {
    explicit RangeFixture(bool perM2 = true) {
        show(perM2 ? QStringLiteral("W/(M)2") : QStringLiteral("Btu/((ft)2.h)"), QStringLiteral("500"));
        app.display.AnnPerM2 = perM2;
        panel->show();
        click(QStringLiteral("Graph"));
        graph()->Timer1.stop();
        graph()->Toolbar1->button(QStringLiteral("Limit"))->click();
    }
    RealTimeGraph* graph() const { return RealTimeGraph::current(); }
    RealTimeRange* range() const { return RealTimeRange::current(); }
    bool activate() {
        range()->activateWindow();
        return QTest::qWaitForWindowActive(range());
    }
    void enter(const QString& max, const QString& min, const QString& counts) {
        range()->TxtMax->setText(max);
        range()->TxtMin->setText(min);
        range()->TxtCounts->setText(counts);
    }
};

} // namespace

class TestRealTimeRange : public QObject {
    Q_OBJECT
private slots:
    void firstEntries_data() {
        QTest::addColumn<bool>("perM2");
        QTest::addColumn<QString>("max");
        QTest::newRow("W/m2") << true << "2200";
        QTest::newRow("Btu") << false << "697.4";
    }
    void firstEntries() {
        QFETCH(bool, perM2);
        QFETCH(QString, max);
        RangeFixture f(perM2);
        RealTimeRange* r = f.range();
        QVERIFY(r);
        QCOMPARE(r->windowTitle(), QStringLiteral("Real Time Range"));
        QCOMPARE(r->size(), QSize(230, 57));
        QCOMPARE(r->TxtMax->text(), max);
        QCOMPARE(r->TxtMin->text(), QStringLiteral("0"));
        QCOMPARE(r->TxtCounts->text(), QStringLiteral("360"));
        QCOMPARE(r->SSPanel1->text(), QStringLiteral("Min"));
        QCOMPARE(r->SSPanel3->text(), QStringLiteral("Max"));
        QCOMPARE(r->SSPanel2->text(), QStringLiteral("Counts"));
        QCOMPARE(r->CmdOK->text(), QStringLiteral("OK"));
        QCOMPARE(r->TxtMin->geometry(), QRect(8, 32, 49, 19));
        QCOMPARE(r->CmdOK->geometry(), QRect(176, 8, 49, 41));
        QVERIFY(r->grab().save(testing::artifactsDir() + QStringLiteral("/real_time_range_%1.png").arg(max)));
    }

    void focusAndTabOrder() {
        RangeFixture f;
        QVERIFY(f.activate());
        RealTimeRange* r = f.range();
        QCOMPARE(QApplication::focusWidget(), r->TxtCounts);
        testing::tabWalks({r->CmdOK, r->TxtMin, r->TxtMax, r->TxtCounts});
    }

    void onlyShownAgain() {
        RangeFixture f;
        RealTimeRange* r = f.range();
        r->TxtMax->setText("1234");
        f.graph()->Toolbar1->button(QStringLiteral("Limit"))->click();
        QCOMPARE(f.range(), r);
        QCOMPARE(r->TxtMax->text(), QStringLiteral("1234"));
        QCOMPARE(f.panel->findChildren<RealTimeRange*>().size(), 1);
    }

    void keyFilters_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("text");
        QTest::newRow("Max takes digits, minus, point") << "TxtMax"
                                                        << "1a2-3.4,5 e"
                                                        << "12-3.45";
        QTest::newRow("Min likewise") << "TxtMin"
                                      << "-.5x+"
                                      << "-.5";
        QTest::newRow("Counts takes digits only") << "TxtCounts"
                                                  << "1-2.3x4"
                                                  << "1234";
    }
    void keyFilters() {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QString, text);
        RangeFixture f;
        QVERIFY(f.activate());
        auto* edit = f.range()->findChild<QLineEdit*>(box);
        QVERIFY(edit);
        testing::typeIntoBox(edit, typed, text);
    }

    void editingKeysEdit_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<QString>("text");
        QTest::newRow("Home, Delete in Max") << "TxtMax" << QList<int>{Qt::Key_Home, Qt::Key_Delete} << "200";
        QTest::newRow("Home, Right, Delete in Min")
            << "TxtMin" << QList<int>{Qt::Key_Home, Qt::Key_Right, Qt::Key_Delete} << "1";
        QTest::newRow("End, Left, Delete in Counts")
            << "TxtCounts" << QList<int>{Qt::Key_End, Qt::Key_Left, Qt::Key_Delete} << "36";
    }
    // Keys that type no character edit the box: the filters judge only what is typed.
    void editingKeysEdit() {
        QFETCH(QString, box);
        QFETCH(QList<int>, keys);
        QFETCH(QString, text);
        RangeFixture f;
        QVERIFY(f.activate());
        f.enter(QStringLiteral("2200"), QStringLiteral("10"), QStringLiteral("360"));
        auto* edit = f.range()->findChild<QLineEdit*>(box);
        QVERIFY(edit);
        QCOMPARE(testing::pressEditKeys(edit, keys), text);
    }

    void enterChain() {
        RangeFixture f;
        QVERIFY(f.activate());
        RealTimeRange* r = f.range();
        QPointer<RealTimeGraph> old = f.graph();
        r->TxtMax->setFocus();
        QTest::keyClick(r->TxtMax, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), r->TxtMin);
        QTest::keyClick(r->TxtMin, Qt::Key_Enter);
        QCOMPARE(QApplication::focusWidget(), r->TxtCounts);
        r->TxtCounts->setText("180");
        QTest::keyClick(r->TxtCounts, Qt::Key_Return);
        QVERIFY(!f.range());
        QVERIFY(f.graph());
        QVERIFY(f.graph() != old.data());
        QCOMPARE(f.app.liveGraph.GraphStepX, float(f.app.liveGraph.GraphPlotWidth / 180.0));
    }

    void checks_data() {
        QTest::addColumn<bool>("perM2");
        QTest::addColumn<QString>("max");
        QTest::addColumn<QString>("min");
        QTest::addColumn<QString>("counts");
        QTest::addColumn<QString>("message");
        const QString range = "0 <= Temperature <= 2200, try again!";
        const QString counts = "10 <= Counts <= 864000, try again!";
        QTest::newRow("full range") << true << "2200"
                                    << "0"
                                    << "360"
                                    << "";
        QTest::newRow("counts 10") << true << "1000"
                                   << "100"
                                   << "10"
                                   << "";
        QTest::newRow("counts 864000") << true << "1000"
                                       << "100"
                                       << "864000"
                                       << "";
        QTest::newRow("max equal to min") << true << "1000"
                                          << "1000"
                                          << "360" << range;
        QTest::newRow("max above full") << true << "2200.1"
                                        << "0"
                                        << "360" << range;
        QTest::newRow("min below full") << true << "100"
                                        << "-1"
                                        << "360" << range;
        QTest::newRow("Btu full range") << false << "697.5"
                                        << "0"
                                        << "360"
                                        << "0 <= Temperature <= 697.4, try again!";
        QTest::newRow("counts 9") << true << "1000"
                                  << "0"
                                  << "9" << counts;
        QTest::newRow("counts 864001") << true << "1000"
                                       << "0"
                                       << "864001" << counts;
        QTest::newRow("counts empty") << true << "1000"
                                      << "0"
                                      << "" << counts;
        QTest::newRow("minus inside max reads up to it") << true << "22-5"
                                                         << "0"
                                                         << "360"
                                                         << "";
    }
    void checks() {
        QFETCH(bool, perM2);
        QFETCH(QString, max);
        QFETCH(QString, min);
        QFETCH(QString, counts);
        QFETCH(QString, message);
        RangeFixture f(perM2);
        const double fullMax = f.app.liveGraph.GraphFullMax;
        const float width = f.app.liveGraph.GraphPlotWidth;
        QPointer<RealTimeGraph> old = f.graph();
        f.enter(max, min, counts);
        f.range()->CmdOK->click();
        if (message.isEmpty()) {
            QVERIFY(f.messages.boxes.isEmpty());
            QVERIFY(!f.range());
            QVERIFY(f.graph() && f.graph() != old.data());
            QVERIFY(f.graph()->Timer1.isActive());
            QCOMPARE(f.graph()->Timer1.interval(), f.panel->Timer1.interval());
            QCOMPARE(f.app.liveGraph.GraphStepX, float(width / counts.toDouble()));
            QCOMPARE(f.app.liveGraph.GraphFullMax, fullMax);
            QCOMPARE(f.app.liveGraph.GraphUnit, f.app.display.DisplayUnitText);
        } else {
            QCOMPARE(f.messages.texts(), QStringList{message});
            QCOMPARE(f.messages.boxes[0].icon, platform::MsgIcon::Critical);
            QVERIFY(f.range());
            QCOMPARE(f.range()->TxtMax->text(), max);
            QCOMPARE(f.graph(), old.data());
            QCOMPARE(f.app.liveGraph.GraphStepX, 1.0f);
        }
    }

    void refusedCountsKeepsTheNewScaling() {
        RangeFixture f;
        std::vector<platform::DrawOp> ops;
        f.graph()->Surface->setRecorder(&ops);
        f.enter("1000", "0", "5");
        f.range()->CmdOK->click();
        QCOMPARE(f.messages.boxes.size(), 1);
        QCOMPARE(f.app.liveGraph.GraphMax, QVariant(QStringLiteral("1000")));
        // The running graph scales its next point with the new top at once; its labels stay.
        f.panel->LblValue->setText("1000");
        f.graph()->Timer1_Timer();
        QCOMPARE(f.app.liveGraph.GraphLastY, float(337 - 264));
        for (const platform::DrawOp& op : ops)
            QVERIFY(op.kind != platform::DrawOp::Kind::Text || op.text.contains(':'));
    }

    void textsThatAreNotNumbersStoreWhatWasRead_data() {
        QTest::addColumn<QString>("max");
        QTest::addColumn<QString>("min");
        QTest::addColumn<double>("maxValue");
        QTest::addColumn<double>("minValue");
        QTest::newRow("lone minus") << "1000"
                                    << "-" << 1000.0 << 0.0;
        QTest::newRow("empty min") << "1000"
                                   << "" << 1000.0 << 0.0;
        QTest::newRow("minus inside") << "80-0"
                                      << "5-" << 80.0 << 5.0;
    }
    void textsThatAreNotNumbersStoreWhatWasRead() {
        QFETCH(QString, max);
        QFETCH(QString, min);
        QFETCH(double, maxValue);
        QFETCH(double, minValue);
        RangeFixture f;
        f.enter(max, min, "360");
        f.range()->CmdOK->click();
        QVERIFY(f.messages.boxes.isEmpty());
        QCOMPARE(NumberOf(f.app.liveGraph.GraphMax), maxValue);
        QCOMPARE(NumberOf(f.app.liveGraph.GraphMin), minValue);
        // The labels and the scaling of the new graph agree with what the test read.
        std::vector<platform::DrawOp> ops;
        f.graph()->Surface->setRecorder(&ops);
        f.graph()->Form_Resize();
        QStringList labels;
        for (const platform::DrawOp& op : ops)
            if (op.kind == platform::DrawOp::Kind::Text)
                labels << op.text;
        QCOMPARE(labels.first(), FormatAxisLabel(minValue));
        QCOMPARE(labels.at(8), FormatAxisLabel(maxValue));
        // And the next dialog shows them.
        f.graph()->Timer1.stop();
        f.graph()->Toolbar1->button(QStringLiteral("Limit"))->click();
        QCOMPARE(f.range()->TxtMax->text(), ShortestNumber(maxValue));
        QCOMPARE(f.range()->TxtMin->text(), ShortestNumber(minValue));
    }

    void typedTextIsKept() {
        RangeFixture f;
        f.enter("0100.50", "5.", "360");
        f.range()->CmdOK->click();
        QCOMPARE(f.app.liveGraph.GraphMax, QVariant(QStringLiteral("0100.50")));
        QCOMPARE(f.app.liveGraph.GraphMin, QVariant(QStringLiteral("5.")));
        f.graph()->Timer1.stop();
        f.graph()->Toolbar1->button(QStringLiteral("Limit"))->click();
        QCOMPARE(f.range()->TxtMax->text(), QStringLiteral("0100.50"));
        QCOMPARE(f.range()->TxtCounts->text(), QStringLiteral("360"));
    }

    void unloadedDuringItsMessage() {
        // A graph tick that sees a unit change closes the dialog while its message is up.
        RangeFixture f;
        QPointer<RealTimeRange> r = f.range();
        platform::setMsgResponder([&](const platform::MsgRecord&) {
            f.app.display.DisplayUnitText = QStringLiteral("KW/(M)2");
            f.graph()->Timer1_Timer();
            return platform::MsgResult::Ok;
        });
        f.enter("1000", "1000", "360");
        r->CmdOK->click();
        platform::setMsgResponder({});
        QVERIFY(!RealTimeRange::current());
        QVERIFY(!RealTimeGraph::current());
        SamplerFixture::flushDeletes();
        QVERIFY(!r);
        QCOMPARE(f.app.liveGraph.GraphMax.toDouble(), 2200.0);
    }
};

QTEST_MAIN(TestRealTimeRange)
#include "test_real_time_range.moc"
