#include "platform/grid.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QBrush>
#include <QHash>
#include <QHeaderView>
#include <QList>
#include <QScrollBar>
#include <QStringList>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTimer>
#include <algorithm>
#include <iterator>
#include <limits>
#include <new>
#include <vector>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

#include "platform/ansi_text.h"
#include "platform/twips.h"

namespace platform {

namespace {

qint64 defaultLimit = 0; // 0: not set, half the machine's memory

qint64 machineMemory() {
#ifdef Q_OS_UNIX
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long page = sysconf(_SC_PAGESIZE);
    if (pages > 0 && page > 0)
        return static_cast<qint64>(pages) * page;
#endif
    return qint64(8) << 30;
}

// Where an item's kept text ends: before the TAB that would open cell `cols`.
template <typename View>
qsizetype keptLength(View item, int cols) {
    if (cols <= 0)
        return 0;
    qsizetype p = -1;
    for (int i = 0; i < cols; ++i) {
        p = item.indexOf(typename View::value_type('\t'), p + 1);
        if (p < 0)
            return item.size();
    }
    return p;
}

bool isAscii(QByteArrayView bytes) {
    for (const char ch : bytes)
        if (static_cast<unsigned char>(ch) >= 0x80)
            return false;
    return true;
}

} // namespace

// Grid row 0 is the fixed header row and is shown in the horizontal header, so it stays in view
// when the data scrolls; grid row r (r >= 1) is model row r - 1.
//
// A data row is its cells' texts in UTF-8 with a TAB between them, one after another in `text_`;
// `ends_` holds where each row ends. A cell set on its own may hold a TAB: such a row keeps its
// cells in `edited_` instead. The view sees `published_` rows; new rows are published in batches.
class GridModel : public QAbstractTableModel {
public:
    explicit GridModel(QObject* parent) : QAbstractTableModel(parent), limit_(Grid::defaultByteLimit()) {}

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : published_; }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : cols_; }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid())
            return {};
        switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            return shownCell(index.row() + 1, index.column());
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
            return shownCell(0, section);
        return {};
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (!index.isValid())
            return Qt::NoItemFlags;
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    }

    int rows() const { return 1 + static_cast<int>(ends_.size()); }
    int cols() const { return cols_; }

    QString cell(int r, int c) const {
        if (r < 0 || r >= rows() || c < 0 || c >= cols_)
            return {};
        if (r == 0)
            return c < header_.size() ? header_[c] : QString();
        if (!edited_.isEmpty()) {
            const auto it = edited_.constFind(r);
            if (it != edited_.constEnd())
                return c < it->size() ? it->at(c) : QString();
        }
        return QString::fromUtf8(cellBytes(r, c));
    }

    // The start of a cell, cut to Grid::MaxShownChars characters; only the bytes that can be
    // shown are decoded.
    QString shownCell(int r, int c) const {
        constexpr qsizetype most = Grid::MaxShownChars;
        if (r < 1 || r >= rows() || c < 0 || c >= cols_ || edited_.contains(r))
            return cutForShow(cell(r, c));
        const QByteArrayView bytes = cellBytes(r, c);
        // A character is at most 4 bytes of UTF-8; cut before a continuation byte.
        qsizetype n = std::min(bytes.size(), 4 * (most + 1));
        while (n < bytes.size() && n > 0 && (static_cast<unsigned char>(bytes[n]) & 0xC0) == 0x80)
            --n;
        return cutForShow(QString::fromUtf8(bytes.first(n)), n < bytes.size());
    }

    void setCell(int r, int c, const QString& t) {
        if (r < 0 || r >= rows() || c < 0 || c >= cols_)
            return;
        if (r == 0) {
            if (header_.size() <= c)
                header_.resize(c + 1);
            header_[c] = t;
            emit headerDataChanged(Qt::Horizontal, c, c);
            return;
        }
        QStringList cells;
        if (const auto it = edited_.constFind(r); it != edited_.constEnd())
            cells = *it;
        else
            for (int i = 0; i < cols_; ++i)
                cells << cell(r, i);
        cells.resize(cols_);
        cells[c] = t;
        edited_.insert(r, cells);
        if (r - 1 < published_) {
            const QModelIndex i = index(r - 1, c);
            emit dataChanged(i, i, {Qt::DisplayRole});
        }
    }

    void setRows(int n) {
        n = std::max(1, n);
        const int now = rows();
        if (n > now) {
            ends_.resize(static_cast<size_t>(n - 1), text_.size());
            schedulePublish();
        } else if (n < now) {
            if (published_ > n - 1) {
                beginRemoveRows({}, n - 1, published_ - 1);
                shrinkTo(n);
                published_ = n - 1;
                endRemoveRows();
            } else {
                shrinkTo(n);
            }
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
            if (header_.size() > n)
                header_.resize(n);
            for (QStringList& cells : edited_)
                if (cells.size() > n)
                    cells.resize(n);
            // Cut every stored row to its first n cells.
            QByteArray kept;
            qsizetype start = 0;
            for (qsizetype& end : ends_) {
                const QByteArrayView line(text_.constData() + start, end - start);
                kept += line.first(keptLength(line, n));
                start = end;
                end = kept.size();
            }
            text_ = std::move(kept);
            endRemoveColumns();
        }
    }

    bool appendRow(QStringView item) {
        const QStringView kept = item.first(keptLength(item, cols_));
        return appendBytes(kept.toUtf8());
    }

    bool appendAnsiRow(QByteArrayView item) {
        const QByteArrayView kept = item.first(keptLength(item, cols_));
        if (isAscii(kept))
            return appendBytes(kept);
        QByteArray utf8;
        try {
            utf8.reserve(3 * kept.size());
            appendAnsiAsUtf8(utf8, kept);
        } catch (const std::bad_alloc&) {
            return false;
        }
        return appendBytes(utf8);
    }

    void publish() {
        publishPending_ = false;
        const int data = rows() - 1;
        if (published_ >= data)
            return;
        beginInsertRows({}, published_, data - 1);
        published_ = data;
        endInsertRows();
    }

    qint64 limit() const { return limit_; }
    void setLimit(qint64 bytes) { limit_ = std::max<qint64>(0, bytes); }

    void setFixedColours(const QBrush& back, const QBrush& fore) {
        fixedBack_ = back;
        fixedFore_ = fore;
    }

private:
    static QString cutForShow(QString text, bool longer = false) {
        constexpr qsizetype most = Grid::MaxShownChars;
        if (text.size() <= most && !longer)
            return text;
        qsizetype keep = std::min(text.size(), most - 1);
        if (keep > 0 && text[keep - 1].isHighSurrogate())
            --keep;
        text.truncate(keep);
        text += QChar(0x2026);
        return text;
    }

    // The bytes of cell (r, c) of a stored data row.
    QByteArrayView cellBytes(int r, int c) const {
        const QByteArrayView line = rowBytes(r);
        qsizetype from = 0;
        for (int i = 0; i < c; ++i) {
            const qsizetype tab = line.indexOf('\t', from);
            if (tab < 0)
                return {};
            from = tab + 1;
        }
        qsizetype end = line.indexOf('\t', from);
        if (end < 0)
            end = line.size();
        return line.sliced(from, end - from);
    }

    QByteArrayView rowBytes(int r) const {
        const auto i = static_cast<size_t>(r - 1);
        const qsizetype start = i == 0 ? 0 : ends_[i - 1];
        return {text_.constData() + start, ends_[i] - start};
    }

    bool appendBytes(QByteArrayView bytes) {
        if (rows() >= std::numeric_limits<int>::max() - 1)
            return false;
        const qint64 need = static_cast<qint64>(text_.size() + bytes.size()) +
                            static_cast<qint64>((ends_.size() + 1) * sizeof(qsizetype));
        if (need > limit_)
            return false;
        const qsizetype before = text_.size();
        try {
            text_.append(bytes);
            ends_.push_back(text_.size());
        } catch (const std::bad_alloc&) {
            text_.truncate(before);
            return false;
        }
        schedulePublish();
        return true;
    }

    void shrinkTo(int n) {
        ends_.resize(static_cast<size_t>(n - 1));
        text_.truncate(ends_.empty() ? 0 : ends_.back());
        for (auto it = edited_.begin(); it != edited_.end();)
            it = it.key() >= n ? edited_.erase(it) : std::next(it);
    }

    void schedulePublish() {
        if (publishPending_)
            return;
        publishPending_ = true;
        QTimer::singleShot(0, this, [this] { publish(); });
    }

    QStringList header_;
    QByteArray text_;
    std::vector<qsizetype> ends_;
    QHash<int, QStringList> edited_;
    int cols_ = 0;
    int published_ = 0;
    bool publishPending_ = false;
    qint64 limit_;
    QBrush fixedBack_;
    QBrush fixedFore_;
};

namespace {

// Hands the style no more characters than the cell's width could show, taking each to be at least
// a pixel wide: shaping and eliding cost what the column shows, not what the cell holds.
class ShownTextDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        qsizetype fit = std::max(0, opt.rect.width()) + 2;
        if (opt.text.size() > fit) {
            if (opt.text[fit - 1].isHighSurrogate())
                --fit;
            opt.text.truncate(fit);
        }
        const QWidget* view = opt.widget;
        QStyle* style = view ? view->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, view);
    }
};

} // namespace

Grid::Grid(QWidget* parent) : QTableView(parent), model_(new GridModel(this)) {
    model_->setFixedColours(palette().button(), palette().buttonText());
    model_->setCols(2);
    setModel(model_);
    setItemDelegate(new ShownTextDelegate(this));
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

QString Grid::shownTextAt(int r, int c) const {
    return model_->shownCell(r, c);
}

void Grid::addItem(const QString& item) {
    tryAddItem(item);
}

bool Grid::tryAddItem(QStringView item) {
    return model_->appendRow(item);
}

bool Grid::tryAddAnsiItem(QByteArrayView item) {
    return model_->appendAnsiRow(item);
}

void Grid::flushRows() {
    model_->publish();
}

qint64 Grid::byteLimit() const {
    return model_->limit();
}

void Grid::setByteLimit(qint64 bytes) {
    model_->setLimit(bytes);
}

qint64 Grid::defaultByteLimit() {
    return defaultLimit > 0 ? defaultLimit : machineMemory() / 2;
}

void Grid::setDefaultByteLimit(qint64 bytes) {
    defaultLimit = std::max<qint64>(0, bytes);
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
    model_->publish();
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
    model_->publish();
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
