#include "platform/grid.h"
#include "platform/toolbar.h"
#include "tests/support/test_support.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>
#include <QtTest>

using platform::Grid;

class TestGrid : public QObject {
    Q_OBJECT
private slots:
    void addItemSplitsFromColumnZero_data();
    void addItemSplitsFromColumnZero();
    void ansiItemsReadBackAsText_data();
    void ansiItemsReadBackAsText();
    void currentCellTextAndHeaderRow();
    void editedCellsRowsAndColumns();
    void viewLearnsOfNewRowsInOneBatch();
    void rowPastTheByteLimitIsRefused();
    void colWidthInTwips_data();
    void colWidthInTwips();
    void topRowFollowsTheSamplerRule();
    void userMovesBecomeTheCurrentCell();
    void toolbarButtons();
};

void TestGrid::addItemSplitsFromColumnZero_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<QStringList>("cells");
    QTest::newRow("three cells") << "1\t10:15:02\t812.5" << QStringList{"1", "10:15:02", "812.5"};
    QTest::newRow("fourth cell dropped") << "1\t2\t3\t4" << QStringList{"1", "2", "3"};
    QTest::newRow("short item leaves cells empty") << "7" << QStringList{"7", "", ""};
    QTest::newRow("empty cells kept in place") << "\t\tx" << QStringList{"", "", "x"};
}

void TestGrid::addItemSplitsFromColumnZero() {
    QFETCH(QString, item);
    QFETCH(QStringList, cells);
    Grid g;
    g.setCols(3);
    g.addItem(item);
    QCOMPARE(g.rows(), 2);
    for (int c = 0; c < 3; ++c)
        QCOMPARE(g.textAt(1, c), cells[c]);
    QCOMPARE(g.textAt(1, 3), QString()); // no fourth column to hold it
}

void TestGrid::ansiItemsReadBackAsText_data() {
    QTest::addColumn<QByteArray>("item");
    QTest::addColumn<QStringList>("cells");
    QTest::newRow("ASCII") << QByteArray("1\t10:15:02\t812.5") << QStringList{"1", "10:15:02", "812.5"};
    QTest::newRow("high bytes") << QByteArray("\xb0\t\xe9t\xe9\t\xff") << QStringList{"\u00b0", "\u00e9t\u00e9", "\u00ff"};
    QTest::newRow("Windows-1252 0x80-0x9F") << QByteArray("\x80 5\t\x93x\x94 \x96\x97\t\x81\x9d\x9f")
                                            << QStringList{"\u20ac 5", "\u201cx\u201d \u2013\u2014", "\u0081\u009d\u0178"};
    QTest::newRow("list line, TAB at the end") << QByteArray("1\t2\t3\t") << QStringList{"1", "2", "3"};
    QTest::newRow("cells past the last dropped") << QByteArray("a\tb\tc\t\xe9\td") << QStringList{"a", "b", "c"};
    QTest::newRow("empty") << QByteArray() << QStringList{"", "", ""};
}

void TestGrid::ansiItemsReadBackAsText() {
    QFETCH(QByteArray, item);
    QFETCH(QStringList, cells);
    Grid g;
    g.setCols(3);
    g.addItem("before");
    QVERIFY(g.tryAddAnsiItem(item));
    g.addItem("after\tx");
    QCOMPARE(g.rows(), 4);
    for (int c = 0; c < 3; ++c)
        QCOMPARE(g.textAt(2, c), cells[c]);
    // Its neighbours keep their own cells.
    QCOMPARE(g.textAt(1, 0), QString("before"));
    QCOMPARE(g.textAt(3, 1), QString("x"));
    g.flushRows();
    QCOMPARE(g.model()->index(1, 2).data().toString(), cells[2]);
}

void TestGrid::currentCellTextAndHeaderRow() {
    Grid g;
    g.setCols(3);
    g.setRow(0);
    g.setCol(2);
    g.setText("W/(M)2");
    g.addItem("1\ta\tb");
    QCOMPARE(g.text(), QString("W/(M)2"));
    // Row 0 is shown as the column header, so it stays visible however the data scrolls.
    QCOMPARE(g.model()->headerData(2, Qt::Horizontal).toString(), QString("W/(M)2"));
    // The view learns of new rows in a batch, not at each AddItem.
    QCOMPARE(g.model()->rowCount(), 0);
    QCOMPARE(g.rows(), 2);
    g.flushRows();
    QCOMPARE(g.model()->rowCount(), 1);
    g.setRow(1);
    g.setCol(1);
    QCOMPARE(g.row(), 1);
    QCOMPARE(g.col(), 1);
    QCOMPARE(g.text(), QString("a"));
    g.setText("changed");
    QCOMPARE(g.textAt(1, 1), QString("changed"));
    QCOMPARE(g.model()->index(0, 1).data().toString(), QString("changed"));
    // Out-of-range moves are ignored rather than leaving an impossible current cell.
    g.setRow(5);
    g.setCol(3);
    QCOMPARE(g.row(), 1);
    QCOMPARE(g.col(), 1);
    g.setRows(1);
    QCOMPARE(g.rows(), 1);
    QCOMPARE(g.row(), 0);
}

void TestGrid::editedCellsRowsAndColumns() {
    Grid g;
    g.setCols(3);
    for (int n = 1; n <= 4; ++n)
        g.addItem(QString("%1\tt%1\tv%1").arg(n));
    // A cell set on its own may hold a TAB; it stays one cell.
    g.setRow(2);
    g.setCol(1);
    g.setText("a\tb");
    QCOMPARE(g.textAt(2, 1), QString("a\tb"));
    QCOMPARE(g.textAt(2, 2), QString("v2"));
    QCOMPARE(g.textAt(3, 1), QString("t3"));
    // Fewer columns cut every row; more columns come back empty.
    g.setCols(2);
    g.setCols(3);
    QCOMPARE(g.textAt(1, 2), QString());
    QCOMPARE(g.textAt(4, 1), QString("t4"));
    QCOMPARE(g.textAt(2, 1), QString("a\tb"));
    // Fewer rows drop the rows below; more rows are empty.
    g.setRows(2);
    QCOMPARE(g.rows(), 2);
    g.setRows(4);
    QCOMPARE(g.textAt(1, 1), QString("t1"));
    QCOMPARE(g.textAt(2, 1), QString());
    QCOMPARE(g.textAt(3, 0), QString());
    g.addItem("5\tt5");
    QCOMPARE(g.textAt(4, 1), QString("t5"));
    g.flushRows();
    QCOMPARE(g.model()->rowCount(), 4);
}

void TestGrid::viewLearnsOfNewRowsInOneBatch() {
    Grid g;
    g.setCols(3);
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));
    QSignalSpy inserted(g.model(), &QAbstractItemModel::rowsInserted);
    for (int n = 1; n <= 5000; ++n)
        g.addItem(QString("%1\tt\tv").arg(n));
    QCOMPARE(inserted.count(), 0);
    QCOMPARE(g.textAt(5000, 0), QString("5000"));
    QTRY_COMPARE(g.model()->rowCount(), 5000);
    QCOMPARE(inserted.count(), 1);
}

void TestGrid::rowPastTheByteLimitIsRefused() {
    Grid g;
    g.setCols(3);
    // Two rows of 10 bytes with their index entries fit; a third does not.
    g.setByteLimit(2 * (10 + qint64(sizeof(qsizetype))));
    QVERIFY(g.tryAddAnsiItem("123456789\t"));
    QVERIFY(g.tryAddItem(u"abcdefghij"));
    QVERIFY(!g.tryAddAnsiItem("x"));
    QVERIFY(!g.tryAddItem(u"y"));
    QCOMPARE(g.rows(), 3);
    QCOMPARE(g.textAt(2, 0), QString("abcdefghij"));
    // Freeing rows makes room again.
    g.setRows(2);
    QVERIFY(g.tryAddAnsiItem("x"));
    QCOMPARE(g.textAt(2, 0), QString("x"));
}

void TestGrid::colWidthInTwips_data() {
    QTest::addColumn<int>("twips");
    QTest::addColumn<int>("pixels");
    QTest::newRow("whole pixels") << 1200 << 80;
    QTest::newRow("between pixels keeps the value set") << 737 << 49;
    QTest::newRow("zero hides nothing else") << 0 << 0;
}

void TestGrid::colWidthInTwips() {
    QFETCH(int, twips);
    QFETCH(int, pixels);
    Grid g;
    g.setCols(3);
    g.setColWidth(1, twips);
    QCOMPARE(g.colWidth(1), twips);
    QCOMPARE(g.columnWidth(1), pixels);
    // A width changed in pixels (the user drags the column) reads back in twips.
    g.setColumnWidth(1, 30);
    QCOMPARE(g.colWidth(1), 450);
}

void TestGrid::topRowFollowsTheSamplerRule() {
    Grid g;
    g.setCols(3);
    g.setRow(0);
    for (int c = 0; c < 3; ++c) {
        g.setCol(c);
        g.setText(QStringList{"No.s", "Time", "W/(M)2"}[c]);
    }
    g.resize(185, 241); // the real-time list's grid
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));
    QCOMPARE(g.topRow(), 1);
    for (int n = 1; n <= 20; ++n) {
        g.addItem(QString("%1\tt\tv").arg(n));
        g.setRow(g.rows() - 1);
        if (g.row() > 15)
            g.setTopRow(g.topRow() + 1);
        QCOMPARE(g.topRow(), n > 15 ? n - 14 : 1);
    }
    testing::pumpFor(0.05);
    QCOMPARE(g.topRow(), 6);
    QCOMPARE(g.currentIndex().row(), 19); // the current cell shows as the focus, without scrolling
    g.grab().save(testing::artifactsDir() + "/grid_scrolled.png");
    g.setTopRow(1);
    QCOMPARE(g.topRow(), 1);
}

void TestGrid::userMovesBecomeTheCurrentCell() {
    Grid g;
    g.setCols(3);
    for (int n = 1; n <= 3; ++n)
        g.addItem(QString("%1\tt%1\tv%1").arg(n));
    g.show();
    QVERIFY(QTest::qWaitForWindowExposed(&g));
    g.setFocus();
    g.setRow(1);
    g.setCol(1);
    testing::pumpFor(0.02);
    QTest::keyClick(&g, Qt::Key_Down);
    QCOMPARE(g.row(), 2);
    QCOMPARE(g.text(), QString("t2"));
}

void TestGrid::toolbarButtons() {
    platform::ImageList images;
    QPixmap red(16, 16), blue(16, 16);
    red.fill(Qt::red);
    blue.fill(Qt::blue);
    images.add(QIcon(red));
    images.add(QIcon(blue));
    platform::Toolbar bar;
    bar.setImageList(&images);
    auto* save = bar.addButton("Save", "Save As", 1);
    auto* off = bar.addButton("Off", "Disabled", 2, false);
    auto* hidden = bar.addButton("Save1", "", 2, true, false);
    bar.show();
    QSignalSpy clicks(&bar, &platform::Toolbar::buttonClick);
    QCOMPARE(bar.count(), 3);
    QCOMPARE(bar.button(1), save);
    QCOMPARE(bar.button("Save1"), hidden);
    QCOMPARE(bar.button("save"), nullptr); // keys are case-sensitive
    QCOMPARE(bar.button(4), nullptr);
    QCOMPARE(save->objectName(), QString("Save"));
    QCOMPARE(save->toolTip(), QString("Save As"));
    QCOMPARE(save->icon().pixmap(16, 16).toImage().pixel(5, 5), QColor(Qt::red).rgb());
    save->setImage(hidden->image(), bar.imageList());
    QCOMPARE(save->image(), 2);
    QCOMPARE(save->icon().pixmap(16, 16).toImage().pixel(5, 5), QColor(Qt::blue).rgb());
    off->click();
    hidden->click();
    QCOMPARE(clicks.count(), 0);
    QTest::mouseClick(save, Qt::LeftButton);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(clicks.at(0).at(0).value<platform::ToolbarButton*>(), save);
}

QTEST_MAIN(TestGrid)
#include "test_grid.moc"
