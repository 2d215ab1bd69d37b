// The grid control: a table of text cells with one fixed header row and one fixed column,
// addressed by a current cell (Row, Col, Text). The data rows are kept compactly, their texts in
// one byte buffer, and a cell's text is made when it is drawn or read. Appending a row is cheap
// and tells the view nothing: the view learns of new rows in one batch, when control is back in
// the event loop (or at flushRows()).
#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>
#include <QTableView>

namespace platform {

class GridModel;

class Grid : public QTableView {
    Q_OBJECT
public:
    explicit Grid(QWidget* parent = nullptr);

    int rows() const;
    void setRows(int n); // at least 1: row 0 is the fixed header row
    int cols() const;
    void setCols(int n);
    int row() const { return row_; }
    void setRow(int r);
    int col() const { return col_; }
    void setCol(int c);
    // The current cell's text.
    QString text() const;
    void setText(const QString& t);
    QString textAt(int r, int c) const;
    // Appends a row below the last; the item is split at TABs into cells from column 0 on.
    // Cells beyond the last column are dropped.
    void addItem(const QString& item);
    // The same for an item in ANSI (Windows-1252), as data files are read. False, with nothing
    // added, when the row cannot be held: the grid's byte limit, its row limit or memory would be
    // exceeded.
    bool tryAddItem(QStringView item);
    bool tryAddAnsiItem(QByteArrayView item);
    // First data row shown under the fixed row (1 when not scrolled).
    int topRow() const;
    void setTopRow(int r);
    int colWidth(int c) const; // twips
    void setColWidth(int c, int twips);

    // The most characters of a cell that the view is given to draw: a longer cell is shown cut,
    // ending in an ellipsis, so that a huge cell costs no more to paint than a full column.
    // Text(), export and print still have the whole cell.
    static constexpr int MaxShownChars = 512;
    // What the view draws of a cell: at most MaxShownChars characters.
    QString shownTextAt(int r, int c) const;

    // Tells the view now of the rows appended since it last learnt of them.
    void flushRows();

    // Bytes the data rows may take (texts and row index together); a row past it is refused.
    qint64 byteLimit() const;
    void setByteLimit(qint64 bytes);
    // The limit of grids made from now on: half the machine's memory unless set.
    static qint64 defaultByteLimit();
    static void setDefaultByteLimit(qint64 bytes);

private:
    void scheduleSync();
    void syncCurrent();
    int maxTopRow() const;
    void applyTopRow();

    GridModel* model_;
    int row_ = 0;
    int col_ = 0;
    QList<int> twips_; // widths as set, per column
    bool syncPending_ = false;
    bool syncing_ = false;
    int pendingTop_ = 0; // TopRow set but not yet scrolled to
    bool applyPending_ = false;
};

} // namespace platform
