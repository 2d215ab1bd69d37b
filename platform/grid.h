// The grid control: a table of text cells with one fixed header row and one fixed column,
// addressed by a current cell (Row, Col, Text). Rows are appended in constant time.
#pragma once

#include <QList>
#include <QString>
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
    // First data row shown under the fixed row (1 when not scrolled).
    int topRow() const;
    void setTopRow(int r);
    int colWidth(int c) const; // twips
    void setColWidth(int c, int twips);

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
