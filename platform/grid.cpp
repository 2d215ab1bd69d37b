#include "platform/grid.h"

#include <QAbstractTableModel>
#include <QBrush>
#include <QHeaderView>
#include <QList>
#include <QScrollBar>
#include <QStringList>
#include <QTimer>
#include <algorithm>

#include "platform/twips.h"

namespace platform {

// Grid row 0 is the fixed header row and is shown in the horizontal header, so it stays in view
// when the data scrolls; grid row r (r >= 1) is model row r - 1.
class GridModel : public QAbstractTableModel {
public:
    explicit GridModel(QObject* parent) : QAbstractTableModel(parent) { cells_.append(QStringList()); }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(cells_.size()) - 1;
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : cols_; }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid())
            return {};
        switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            return cell(index.row() + 1, index.column());
        case Qt::BackgroundRole:
            return index.column() == 0 ? QVariant(fixedBack_) : QVariant();
        case Qt::ForegroundRole:
            return index.column() == 0 ? QVariant(fixedFore_) : QVariant();
        default:
            return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && (role == Qt::DisplayRole || role == Qt::AccessibleTextRole))
            return cell(0, section);
        return {};
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (!index.isValid())
            return Qt::NoItemFlags;
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    }

    int rows() const { return static_cast<int>(cells_.size()); }
    int cols() const { return cols_; }

    QString cell(int r, int c) const {
        if (r < 0 || r >= rows() || c < 0)
            return {};
        const QStringList& line = cells_[r];
        return c < line.size() ? line[c] : QString();
    }

    void setCell(int r, int c, const QString& t) {
        if (r < 0 || r >= rows() || c < 0 || c >= cols_)
            return;
        QStringList& line = cells_[r];
        if (line.size() <= c)
            line.resize(c + 1);
        line[c] = t;
        if (r == 0) {
            emit headerDataChanged(Qt::Horizontal, c, c);
        } else {
            const QModelIndex i = index(r - 1, c);
            emit dataChanged(i, i, {Qt::DisplayRole});
        }
    }

    void setRows(int n) {
        n = std::max(1, n);
        const int now = rows();
        if (n > now) {
            beginInsertRows({}, now - 1, n - 2);
            cells_.resize(n);
            endInsertRows();
        } else if (n < now) {
            beginRemoveRows({}, n - 1, now - 2);
            cells_.resize(n);
            endRemoveRows();
        }
    }

    void setCols(int n) {
        n = std::max(0, n);
        if (n > cols_) {
            beginInsertColumns({}, cols_, n - 1);
            cols_ = n;
            endInsertColumns();
        } else if (n < cols_) {
            beginRemoveColumns({}, n, cols_ - 1);
            cols_ = n;
            for (QStringList& line : cells_)
                if (line.size() > n)
                    line.resize(n);
            endRemoveColumns();
        }
    }

    void appendRow(QStringList cells) {
        if (cells.size() > cols_)
            cells.resize(cols_);
        const int r = rowCount();
        beginInsertRows({}, r, r);
        cells_.append(std::move(cells));
        endInsertRows();
    }

    void setFixedColours(const QBrush& back, const QBrush& fore) {
        fixedBack_ = back;
        fixedFore_ = fore;
    }

private:
    QList<QStringList> cells_; // row 0 is the header row
    int cols_ = 0;
    QBrush fixedBack_;
    QBrush fixedFore_;
};

Grid::Grid(QWidget* parent) : QTableView(parent), model_(new GridModel(this)) {
    model_->setFixedColours(palette().button(), palette().buttonText());
    model_->setCols(2);
    setModel(model_);
    setCornerButtonEnabled(false);
    setWordWrap(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    // Fixed, uniform sizes: appending a row never makes the view measure rows or columns.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setStretchLastSection(false);
    twips_.resize(model_->cols());

    // The user's moves (keyboard, mouse) become the current cell.
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) {
                if (syncing_ || !current.isValid())
                    return;
                row_ = current.row() + 1;
                col_ = current.column();
            });
}

int Grid::rows() const {
    return model_->rows();
}

void Grid::setRows(int n) {
    model_->setRows(n);
    row_ = std::min(row_, rows() - 1);
    if (pendingTop_ > 0)
        pendingTop_ = rows() > 1 ? std::min(pendingTop_, maxTopRow()) : 0;
    scheduleSync();
}

int Grid::cols() const {
    return model_->cols();
}

void Grid::setCols(int n) {
    model_->setCols(n);
    twips_.resize(model_->cols());
    col_ = std::clamp(col_, 0, std::max(0, cols() - 1));
    scheduleSync();
}

void Grid::setRow(int r) {
    if (r < 0 || r >= rows())
        return;
    row_ = r;
    scheduleSync();
}

void Grid::setCol(int c) {
    if (c < 0 || c >= cols())
        return;
    col_ = c;
    scheduleSync();
}

QString Grid::text() const {
    return model_->cell(row_, col_);
}

void Grid::setText(const QString& t) {
    model_->setCell(row_, col_, t);
}

QString Grid::textAt(int r, int c) const {
    return model_->cell(r, c);
}

void Grid::addItem(const QString& item) {
    model_->appendRow(item.split(QLatin1Char('\t')));
}

int Grid::topRow() const {
    if (pendingTop_ > 0)
        return pendingTop_;
    return verticalScrollBar()->value() + 1;
}

void Grid::setTopRow(int r) {
    if (rows() <= 1)
        return;
    // The scroll range follows new rows only at the view's next layout, and laying out the
    // header costs time in proportion to the rows: keep the wish and apply it once, later.
    pendingTop_ = std::clamp(r, 1, maxTopRow());
    if (applyPending_)
        return;
    applyPending_ = true;
    QTimer::singleShot(0, this, &Grid::applyTopRow);
}

int Grid::maxTopRow() const {
    // Rows have one fixed height, so the rows that fit are a division, as the view counts them.
    const int data = rows() - 1;
    const int h = std::max(1, verticalHeader()->defaultSectionSize());
    const int fit = std::min(data, viewport()->height() / h);
    return std::max(1, data - fit + 1);
}

void Grid::applyTopRow() {
    applyPending_ = false;
    if (pendingTop_ <= 0)
        return;
    const int r = pendingTop_;
    pendingTop_ = 0;
    executeDelayedItemsLayout();
    verticalScrollBar()->setValue(r - 1);
}

int Grid::colWidth(int c) const {
    if (c < 0 || c >= cols())
        return 0;
    const int w = columnWidth(c);
    // The width as set, while the column still has the pixel width it gave.
    if (c < twips_.size() && twips_[c] > 0 && px(twips_[c]) == w)
        return twips_[c];
    return static_cast<int>(toTwips(w));
}

void Grid::setColWidth(int c, int twips) {
    if (c < 0 || c >= cols())
        return;
    twips = std::max(0, twips);
    twips_[c] = twips;
    setColumnWidth(c, px(twips));
}

void Grid::scheduleSync() {
    // Loops that walk every cell set Row and Col many times; the view follows once, afterwards.
    if (syncPending_)
        return;
    syncPending_ = true;
    QTimer::singleShot(0, this, &Grid::syncCurrent);
}

void Grid::syncCurrent() {
    syncPending_ = false;
    if (!selectionModel())
        return;
    syncing_ = true;
    // Showing the current cell as the focus must not scroll: the callers keep TopRow themselves.
    const bool scroll = hasAutoScroll();
    setAutoScroll(false);
    if (row_ >= 1 && row_ < rows() && col_ >= 0 && col_ < cols())
        selectionModel()->setCurrentIndex(model_->index(row_ - 1, col_), QItemSelectionModel::NoUpdate);
    else
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    setAutoScroll(scroll);
    syncing_ = false;
}

} // namespace platform
