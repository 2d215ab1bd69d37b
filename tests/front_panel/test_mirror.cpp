// The display mirror: frames in, painted labels and indicators out, without a serial line.
#include "front_panel/panel.h"
#include "meter_link/decode.h"
#include "platform/twips.h"
#include "tools/standin/meter_standin.h"

#include <QTest>

using platform::rectTwips;
using standin::makeFrame;

namespace {

QLabel* label(Panel& panel, const QString& name) {
    auto* l = panel.findChild<QLabel*>(name);
    if (!l)
        qFatal("no label %s", qPrintable(name));
    return l;
}

// Every indicator the normal screen switches, with the frame bit that switches it (flag byte
// 1..4, bit) and its design caption.
struct Indicator {
    const char* name;
    int byte;
    int bit;
    const char* caption;
};
const Indicator kIndicators[] = {
    {"LblH", 1, 0, "H"},         {"LblAutoDash", 1, 5, "-"}, {"LblAutoDot", 1, 6, ":"},
    {"ImgBT", 1, 7, ""},         {"MarkCal", 2, 0, "CAL"},   {"CalDot", 2, 1, "."},
    {"LblM", 2, 2, "M"},         {"LblR", 2, 3, "R"},        {"UnitKUp", 2, 7, "k"},
    {"UnitW", 3, 0, "W"},        {"Unith", 3, 1, "h"},       {"UnitM", 3, 2, "/M"},
    {"UnitM2", 3, 2, "2"},       {"UnitHUp", 3, 3, "/h"},    {"UnitDUp", 3, 4, "d"},
    {"UnitPercent", 3, 5, "%"},  {"UnitKDown", 3, 6, "k"},   {"UnitBtu", 3, 7, "Btu/"},
    {"UnitF", 4, 0, "(ft    )"}, {"UnitF2", 4, 0, "2"},      {"UnitDotH", 4, 1, ".h"},
    {"UnitHDown", 4, 2, "/h"},   {"UnitDDown", 4, 3, "d"},
};

// Digit labels that are always visible and empty when off.
QStringList digitLabels() {
    return {"LblValue",  "LblOLCLR",  "LblYESNO", "LblMem(0)", "LblMem(1)", "LblCal(0)", "LblCal(1)",
            "LblCal(2)", "LblCal(3)", "LblT(0)",  "LblT(1)",   "LblT(2)",   "LblT(3)"};
}

// A frame with every indicator lit, a unit of W/m2 and digits everywhere.
QByteArray everythingFrame() {
    return makeFrame(0xEF, 0xFF, 0xFF, 0x0F, 0x42, 0x1234, 0x5678, 0x9012);
}

} // namespace

class TestMirror : public QObject {
    Q_OBJECT
private slots:
    void designState();
    void clearPrompt_data();
    void clearPrompt();
    void normalAfterClearPrompt_data();
    void normalAfterClearPrompt();
    void digitGroups_data();
    void digitGroups();
    void maxMinAvgCaption_data();
    void maxMinAvgCaption();
    void rInFrontOfM();
    void geometry_data();
    void geometry();
    void labelsFollowTheirText();
    void stacking();
};

void TestMirror::designState() {
    AppState app;
    Panel panel(app);
    for (const Indicator& i : kIndicators)
        QVERIFY2(label(panel, QString::fromLatin1(i.name))->isHidden(), i.name);
    for (const QString& name : digitLabels()) {
        QVERIFY2(!label(panel, name)->isHidden(), qPrintable(name));
        QVERIFY2(label(panel, name)->text().isEmpty(), qPrintable(name));
    }
    QCOMPARE(panel.LblMMA->text(), QStringLiteral("MAX"));
    QVERIFY(panel.LblMMA->isHidden());
    QCOMPARE(label(panel, "LblName")->text(), QStringLiteral("SOLAR POWER METER"));
    QCOMPARE(label(panel, "Label1")->text(), QStringLiteral("HOLD"));
    QCOMPARE(label(panel, "Label2")->text(), QStringLiteral("MEMORY"));
    QCOMPARE(label(panel, "Label3")->text(), QStringLiteral("SET"));
    QCOMPARE(label(panel, "Label4")->text(), QStringLiteral("POWER / %"));
    QCOMPARE(label(panel, "Label5")->text(), QStringLiteral("READ"));
    QCOMPARE(panel.LblCOM->text(), QStringLiteral("COM2"));
    for (int i = 0; i < Panel::KeyCount; ++i) {
        QVERIFY(!panel.Sym[i]->pixmap().isNull());
        QVERIFY(!panel.Img[i]->pixmap().isNull());
        QVERIFY(panel.LblCmd[i]->text().isEmpty());
    }
    QVERIFY(!panel.ImgBT->pixmap().isNull());
}

void TestMirror::clearPrompt_data() {
    QTest::addColumn<int>("flags4");
    QTest::addColumn<QString>("yesNo");
    QTest::newRow("yes") << 0x60 << "YES";
    QTest::newRow("no") << 0xA0 << "NO";
    QTest::newRow("neither") << 0x20 << "";
    QTest::newRow("yes wins over no") << 0xE0 << "YES";
}

void TestMirror::clearPrompt() {
    QFETCH(int, flags4);
    QFETCH(QString, yesNo);
    AppState app;
    Panel panel(app);
    panel.PaintFrame(everythingFrame());
    const QString unit = app.display.DisplayUnitText;
    QVERIFY(!unit.isEmpty());

    // Every flag byte lit as well: the prompt hides the indicators whatever their bits say.
    panel.PaintFrame(makeFrame(0xFF, 0xFF, 0xFF, quint8(flags4 | 0x1F), 0x42, 0x1234, 0x5678, 0x9012));
    QCOMPARE(panel.LblOLCLR->text(), QStringLiteral("CLR"));
    QCOMPARE(panel.LblYESNO->text(), yesNo);
    for (const Indicator& i : kIndicators)
        QVERIFY2(label(panel, QString::fromLatin1(i.name))->isHidden(), i.name);
    for (const QString& name : digitLabels()) {
        QVERIFY2(!label(panel, name)->isHidden(), qPrintable(name));
        if (name != QLatin1String("LblOLCLR") && name != QLatin1String("LblYESNO"))
            QVERIFY2(label(panel, name)->text().isEmpty(), qPrintable(name));
    }
    QCOMPARE(panel.LblMMA->text(), QString());
    QVERIFY(panel.LblMMA->isHidden());
    QCOMPARE(app.display.DisplayUnitText, unit);
}

void TestMirror::normalAfterClearPrompt_data() {
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("nothing lit") << makeFrame(0x00, 0x00, 0x00, 0x00);
    QTest::newRow("everything lit") << everythingFrame();
    QTest::newRow("even bits") << makeFrame(0x55, 0x55, 0x55, 0x05);
    QTest::newRow("odd bits") << makeFrame(0xAA, 0xAA, 0xAA, 0x0A);
    QTest::newRow("kBtu per ft2 h") << makeFrame(0x00, 0x00, 0xC0, 0x03);
}

void TestMirror::normalAfterClearPrompt() {
    QFETCH(QByteArray, frame);
    AppState app;
    Panel panel(app);
    panel.PaintFrame(everythingFrame());
    panel.PaintFrame(makeFrame(0x00, 0x00, 0x00, 0x60));
    panel.PaintFrame(frame);

    QCOMPARE(panel.LblOLCLR->text(), QString());
    QCOMPARE(panel.LblYESNO->text(), QString());
    for (const Indicator& i : kIndicators) {
        const bool lit = (ByteAt(frame, i.byte + 1) >> i.bit) & 1;
        QLabel* l = label(panel, QString::fromLatin1(i.name));
        QVERIFY2(l->isHidden() == !lit, i.name);
        if (*i.caption)
            QCOMPARE(l->text(), QString::fromLatin1(i.caption));
    }
    for (const QString& name : digitLabels())
        QVERIFY2(!label(panel, name)->isHidden(), qPrintable(name));
    QVERIFY(panel.LblMMA->isHidden());
    QCOMPARE(app.display.DisplayUnitText, BuildDisplayUnitText(app.display));
}

void TestMirror::digitGroups_data() {
    QTest::addColumn<int>("flags2");
    QTest::addColumn<int>("flags4");
    QTest::addColumn<QString>("value");
    // Memory 07, CAL 1 2 3 4, main 5678, second group blank 9 blank 1.
    QTest::newRow("no point") << 0x00 << 0x00 << "5678";
    QTest::newRow("point 1") << 0x10 << 0x00 << "5.678";
    QTest::newRow("point 2") << 0x20 << 0x00 << "56.78";
    QTest::newRow("point 3") << 0x40 << 0x00 << "567.8";
    QTest::newRow("overload") << 0x40 << 0x10 << "OL";
}

void TestMirror::digitGroups() {
    QFETCH(int, flags2);
    QFETCH(int, flags4);
    QFETCH(QString, value);
    AppState app;
    Panel panel(app);
    panel.PaintFrame(makeFrame(0x00, quint8(flags2), 0x05, quint8(flags4), 0x07, 0x1234, 0x5678, 0xC9C1));
    QCOMPARE(panel.LblValue->text(), value);
    QCOMPARE(panel.LblMem[0]->text(), QStringLiteral("0"));
    QCOMPARE(panel.LblMem[1]->text(), QStringLiteral("7"));
    const QString cal = QStringLiteral("1234"), second = QStringLiteral(" 9 1");
    for (int k = 0; k < 4; ++k) {
        QCOMPARE(panel.LblCal[k]->text(), cal.mid(k, 1));
        QCOMPARE(panel.LblT[k]->text(), second.mid(k, 1));
    }
    QCOMPARE(app.display.DisplayUnitText, QStringLiteral("W/(M)2"));
}

void TestMirror::maxMinAvgCaption_data() {
    QTest::addColumn<int>("flags1");
    QTest::addColumn<QString>("caption");
    QTest::newRow("none") << 0x00 << "";
    QTest::newRow("max") << 0x02 << "MAX";
    QTest::newRow("min") << 0x04 << "MIN";
    QTest::newRow("avg") << 0x08 << "AVG";
    QTest::newRow("max min") << 0x06 << "MAX";
    QTest::newRow("max avg") << 0x0A << "MAX";
    QTest::newRow("min avg") << 0x0C << "MIN";
    QTest::newRow("max min avg") << 0x0E << "MAX  MIN  AVG";
}

void TestMirror::maxMinAvgCaption() {
    QFETCH(int, flags1);
    QFETCH(QString, caption);
    AppState app;
    Panel panel(app);
    panel.PaintFrame(makeFrame(quint8(flags1), 0x00, 0x05, 0x00));
    QCOMPARE(panel.LblMMA->text(), caption);
    QVERIFY(panel.LblMMA->isHidden());
}

void TestMirror::rInFrontOfM() {
    AppState app;
    Panel panel(app);
    panel.PaintFrame(makeFrame(0x00, 0x0C, 0x05, 0x00));
    QVERIFY(!panel.LblM->isHidden());
    QVERIFY(!panel.LblR->isHidden());
    QVERIFY(panel.LblM->geometry().intersects(panel.LblR->geometry()));
    QCOMPARE(panel.childAt(panel.LblR->geometry().center()), panel.LblR);
    panel.PaintFrame(makeFrame(0x00, 0x04, 0x05, 0x00));
    QCOMPARE(panel.childAt(panel.LblM->geometry().center()), panel.LblM);
}

void TestMirror::geometry_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::newRow("body") << "Shape2" << QRect(0, 480, 4815, 5775);
    QTest::newRow("bezel") << "Shape3" << QRect(120, 600, 4575, 1815);
    QTest::newRow("glass") << "Sh(0)" << QRect(240, 720, 4335, 1575);
    QTest::newRow("power ring") << "Shape1" << QRect(1260, 2475, 375, 375);
    QTest::newRow("battery") << "ImgBT" << QRect(3900, 825, 480, 480);
    QTest::newRow("key 0 area") << "LblCmd(0)" << QRect(2520, 2925, 1635, 555);
    QTest::newRow("key 0 body") << "ShapeR(0)" << QRect(2580, 2985, 1335, 495);
    QTest::newRow("key 0 circle") << "ShapeC(0)" << QRect(3660, 2985, 495, 495);
    QTest::newRow("key 0 word") << "Img(0)" << QRect(2880, 3150, 690, 180);
    QTest::newRow("key 2 symbol") << "Sym(2)" << QRect(3000, 5080, 480, 480);
    QTest::newRow("key 3 area") << "LblCmd(3)" << QRect(600, 4995, 1635, 555);
    QTest::newRow("key 3 body") << "ShapeR(3)" << QRect(900, 5070, 1335, 495);
    QTest::newRow("key 3 circle") << "ShapeC(3)" << QRect(660, 5070, 495, 495);
    QTest::newRow("key 4 symbol") << "Sym(4)" << QRect(1200, 4080, 480, 480);
    QTest::newRow("key 5 body") << "ShapeR(5)" << QRect(900, 2970, 1335, 495);
    QTest::newRow("key 5 word") << "Img(5)" << QRect(1260, 3150, 555, 180);
    QTest::newRow("empty value") << "LblValue" << QRect(2100, 1065, 285, 1125);
    QTest::newRow("empty CAL digit") << "LblCal(2)" << QRect(720, 1365, 60, 285);
}

void TestMirror::geometry() {
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    AppState app;
    Panel panel(app);
    QWidget* w = panel.findChild<QWidget*>(name);
    QVERIFY(w);
    QCOMPARE(w->geometry(), rectTwips(twips.x(), twips.y(), twips.width(), twips.height()));
}

void TestMirror::labelsFollowTheirText() {
    AppState app;
    Panel panel(app);
    panel.PaintFrame(makeFrame(0x00, 0x40, 0x05, 0x00, 0x07, 0x1234, 0x8125, 0x1234));
    // The main value grows around the middle of its design box, from the design top.
    const QRect v = panel.LblValue->geometry();
    const QRect design = rectTwips(2100, 1065, 285, 1125);
    QVERIFY2(v.width() > design.width() * 4, "value label sized to its text");
    QVERIFY(qAbs(v.center().x() - design.center().x()) <= 1);
    QCOMPARE(v.top(), design.top());
    // The value stays clear of the CAL digits at its left and the units at its right.
    QVERIFY(v.left() > panel.LblCal[3]->geometry().right());
    QVERIFY(v.right() < panel.UnitW->geometry().left());
    // Left-aligned CAL digits keep their left edge.
    QCOMPARE(panel.LblCal[1]->geometry().topLeft(), rectTwips(570, 1365, 60, 285).topLeft());
    // Back to empty: the design box.
    panel.PaintFrame(makeFrame(0x00, 0x00, 0x00, 0x20));
    QCOMPARE(panel.LblValue->geometry(), design);
}

void TestMirror::stacking() {
    AppState app;
    Panel panel(app);
    const QObjectList kids = panel.children();
    const auto at = [&](const char* name) {
        const int i = static_cast<int>(kids.indexOf(panel.findChild<QWidget*>(QString::fromLatin1(name))));
        if (i < 0)
            qFatal("no control %s", name);
        return i;
    };
    // Back to front, as the face is stacked.
    const char* const order[] = {"Shape2", "Shape3",  "Sh(0)", "Shape1", "Img(5)", "ShapeR(0)",
                                 "Label1", "LblName", "LblM",  "LblR",   "Sym(0)", "LblCmd(0)"};
    for (size_t k = 1; k < std::size(order); ++k)
        QVERIFY2(at(order[k - 1]) < at(order[k]), order[k]);
    QVERIFY(at("Line1") < at("Img(0)"));
    QVERIFY(at("LblValue") > at("LblName"));
    QVERIFY(at("ShapeC(5)") < at("LblName"));
    for (int i = 0; i < Panel::KeyCount; ++i) {
        // A click on a key lands on its click area, over the symbol and the key body.
        QCOMPARE(panel.childAt(panel.Sym[i]->geometry().center()), panel.LblCmd[i]);
    }
    // Nothing of the face reaches into the toolbar strip.
    for (QWidget* w : panel.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (w->objectName().startsWith(QLatin1String("Lbl")) ||
            w->objectName().startsWith(QLatin1String("Sh")) ||
            w->objectName().startsWith(QLatin1String("Unit")))
            QVERIFY2(w->geometry().top() >= platform::px(420), qPrintable(w->objectName()));
    }
}

QTEST_MAIN(TestMirror)
#include "test_mirror.moc"
