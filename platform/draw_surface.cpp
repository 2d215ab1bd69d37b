#include "platform/draw_surface.h"

#include "platform/printer.h"

#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>

namespace platform {

QColor QBColor(int index) {
    static const QRgb palette[16] = {
        qRgb(0, 0, 0),       qRgb(0, 0, 128),   qRgb(0, 128, 0),   qRgb(0, 128, 128),
        qRgb(128, 0, 0),     qRgb(128, 0, 128), qRgb(128, 128, 0), qRgb(192, 192, 192),
        qRgb(128, 128, 128), qRgb(0, 0, 255),   qRgb(0, 255, 0),   qRgb(0, 255, 255),
        qRgb(255, 0, 0),     qRgb(255, 0, 255), qRgb(255, 255, 0), qRgb(255, 255, 255),
    };
    return QColor(palette[std::clamp(index, 0, 15)]);
}

namespace {
constexpr double kPixelsPerUnitX = DrawSurface::TwipsPerUnitX / 15.0;
constexpr double kPixelsPerUnitY = DrawSurface::TwipsPerUnitY / 15.0;

int roundToPixel(double v) {
    return static_cast<int>(std::floor(v + 0.5));
}
} // namespace

DrawSurface::DrawSurface(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

int DrawSurface::toPixelX(double x) {
    return roundToPixel(x * kPixelsPerUnitX);
}

int DrawSurface::toPixelY(double y) {
    return roundToPixel(y * kPixelsPerUnitY);
}

double DrawSurface::ScaleWidth() const {
    return width() / kPixelsPerUnitX;
}

double DrawSurface::ScaleHeight() const {
    return height() / kPixelsPerUnitY;
}

void DrawSurface::ensureImage() {
    if (image_.size() == size() && !image_.isNull())
        return;
    const bool batching = batch_ != nullptr;
    batch_.reset();
    image_ = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image_.fill(BackColor);
    lastLine_.reset();
    if (batching)
        batch_ = std::make_unique<QPainter>(&image_);
}

void DrawSurface::beginBatch() {
    if (batch_)
        return;
    ensureImage();
    batch_ = std::make_unique<QPainter>(&image_);
    lastLine_.reset();
}

void DrawSurface::endBatch(bool show) {
    if (!batch_)
        return;
    batch_.reset();
    lastLine_.reset();
    if (show)
        update();
}

QPainter& DrawSurface::painter(std::optional<QPainter>& local) {
    ensureImage();
    if (batch_)
        return *batch_;
    local.emplace(&image_);
    return *local;
}

void DrawSurface::drawn() {
    if (!batch_)
        update();
}

void DrawSurface::record(const DrawOp& op) {
    if (recorder_)
        recorder_->push_back(op);
}

void DrawSurface::Cls() {
    const bool batching = batch_ != nullptr;
    batch_.reset();
    image_ = QImage();
    ensureImage();
    if (batching)
        batch_ = std::make_unique<QPainter>(&image_);
    CurrentX = 0;
    CurrentY = 0;
    record(DrawOp{DrawOp::Kind::Clear, 0, 0, 0, 0, BackColor, 0, LineStyle::Solid, {}});
    update();
}

void DrawSurface::Line(double x1, double y1, double x2, double y2, const QColor& colour) {
    record(DrawOp{DrawOp::Kind::Line, x1, y1, x2, y2, colour, DrawWidth, DrawStyle, {}});
    ensureImage();
    const QPoint a(toPixelX(x1), toPixelY(y1));
    const QPoint b(toPixelX(x2), toPixelY(y2));
    const LastLine line{a, b, colour.rgb(), std::max(1, DrawWidth), DrawStyle};
    if (batch_ && lastLine_ && lastLine_->a == a && lastLine_->b == b && lastLine_->colour == line.colour &&
        lastLine_->width == line.width && lastLine_->style == line.style)
        return;
    std::optional<QPainter> local;
    QPainter& p = painter(local);
    QPen pen(colour);
    pen.setWidth(line.width);
    if (DrawStyle == LineStyle::Dot) {
        // One pixel on, one off, along the line.
        pen.setCapStyle(Qt::FlatCap);
        pen.setDashPattern({1.0, 1.0});
    } else {
        pen.setCapStyle(Qt::SquareCap);
    }
    p.setPen(pen);
    if (a == b)
        p.drawPoint(a);
    else
        p.drawLine(a, b);
    lastLine_ = line;
    drawn();
}

void DrawSurface::FillRect(double x1, double y1, double x2, double y2, const QColor& colour) {
    record(DrawOp{DrawOp::Kind::FillRect, x1, y1, x2, y2, colour, DrawWidth, DrawStyle, {}});
    // A point or line at x lands in column round(x), which begins half a pixel before x. A box
    // takes the columns whose beginning it holds, (x1, x2]: boxes side by side tile without
    // overlap, and a box narrower than a pixel takes a column only where a new one begins, never
    // the column a point just left of it was drawn in (the live graph blanks the strip ahead of
    // its write position and must not wipe the mark it has just drawn). Rows are taken from the
    // top corner's to the bottom corner's, both included.
    const double lx = std::min(x1, x2) * kPixelsPerUnitX, rx = std::max(x1, x2) * kPixelsPerUnitX;
    const double ty = std::min(y1, y2) * kPixelsPerUnitY, by = std::max(y1, y2) * kPixelsPerUnitY;
    const int l = roundToPixel(lx) + 1, r = roundToPixel(rx) + 1;
    const int t = roundToPixel(ty), b = roundToPixel(by) + 1;
    lastLine_.reset();
    if (r <= l || b <= t)
        return;
    std::optional<QPainter> local;
    painter(local).fillRect(QRect(l, t, r - l, b - t), colour);
    drawn();
}

void DrawSurface::Print(const QString& text) {
    record(DrawOp{DrawOp::Kind::Text, CurrentX, CurrentY, CurrentX, CurrentY, ForeColor, DrawWidth, DrawStyle,
                  text});
    lastLine_.reset();
    std::optional<QPainter> local;
    QPainter& p = painter(local);
    p.setFont(font());
    p.setPen(ForeColor);
    const QFontMetricsF fm(font());
    p.drawText(QPointF(toPixelX(CurrentX), toPixelY(CurrentY) + fm.ascent()), text);
    drawn();
}

double DrawSurface::TextWidth(const QString& text) const {
    return QFontMetricsF(font()).horizontalAdvance(text) / kPixelsPerUnitX;
}

double DrawSurface::TextHeight(const QString&) const {
    return QFontMetricsF(font()).height() / kPixelsPerUnitY;
}

void DrawSurface::paintEvent(QPaintEvent* e) {
    ensureImage();
    QPainter p(this);
    p.drawImage(e->rect().topLeft(), image_, e->rect());
}

void DrawSurface::resizeEvent(QResizeEvent* e) {
    // A new size starts a clean picture, unless the window's resize handling has already drawn
    // one at this size (a hidden widget gets its resize event only when it is shown).
    ensureImage();
    QWidget::resizeEvent(e);
}

bool PrintWindowImage(QWidget& window, QString* error) {
    Printer& printer = Printer::instance();
    const bool ok = printer.printImage(window.grab().toImage());
    if (!ok && error)
        *error = printer.errorString();
    return ok;
}

} // namespace platform
