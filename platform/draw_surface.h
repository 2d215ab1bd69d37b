// A window's drawing surface: what is drawn stays in a persistent image that every repaint
// copies to the screen, so nothing is redrawn when the window is covered and uncovered. Only a
// resize (and Cls) clears it.
//
// Coordinates are user units from the top-left corner, y growing downwards: one x unit is
// 11.894 twips, one y unit 15 twips (one pixel at 96 dpi). Lines take DrawWidth (pixels) and
// DrawStyle; text goes at (CurrentX, CurrentY), its top-left corner, in ForeColor and the
// widget's font.
//
// Tests may attach a recorder to compare the drawn primitives instead of pixels.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

namespace platform {

// The classic 16-colour palette by index (0 black ... 7 light grey, 12 light red, 15 white).
QColor QBColor(int index);

enum class LineStyle { Solid, Dot };

// One drawn primitive, in user units as the caller gave them.
struct DrawOp {
    enum class Kind { Clear, Line, FillRect, Text };
    Kind kind = Kind::Clear;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0; // Text: x1, y1 is the top-left corner
    QColor colour;
    int width = 1;
    LineStyle style = LineStyle::Solid;
    QString text;
};

class DrawSurface : public QWidget {
    Q_OBJECT
public:
    static constexpr double TwipsPerUnitX = 11.894;
    static constexpr double TwipsPerUnitY = 15.0;
    // One device pixel across, in x units.
    static constexpr double UnitsPerPixelX = 15.0 / TwipsPerUnitX;

    explicit DrawSurface(QWidget* parent = nullptr);

    double ScaleWidth() const;
    double ScaleHeight() const;

    // Clears the whole surface to the background and moves the position to the top-left corner.
    void Cls();
    // A line from (x1, y1) to (x2, y2), both ends drawn, in DrawWidth and DrawStyle.
    void Line(double x1, double y1, double x2, double y2, const QColor& colour);
    // A filled rectangle with corners (x1, y1) and (x2, y2): the columns that begin inside
    // (x1, x2] and the rows from y1's to y2's, both included. A box narrower than a pixel may
    // take no column at all.
    void FillRect(double x1, double y1, double x2, double y2, const QColor& colour);
    // Text with its top-left corner at the current position, in ForeColor.
    void Print(const QString& text);
    double TextWidth(const QString& text) const;
    double TextHeight(const QString& text) const;

    double CurrentX = 0;
    double CurrentY = 0;
    int DrawWidth = 1;
    LineStyle DrawStyle = LineStyle::Solid;
    QColor ForeColor = Qt::black;
    QColor BackColor = Qt::white;

    // Many primitives in a row: one painter serves them all, and the screen is updated when the
    // batch ends (if `show`), not at each primitive. No event may be pumped inside a batch. The
    // picture is the same as drawing the primitives one by one.
    void beginBatch();
    void endBatch(bool show = true);
    bool batching() const { return batch_ != nullptr; }

    // The persistent picture, at device pixels.
    const QImage& image() const { return image_; }

    // Every primitive from now on is appended to `sink`; nullptr stops recording.
    void setRecorder(std::vector<DrawOp>* sink) { recorder_ = sink; }

    // Unit coordinates to device pixels (rounded to the nearest pixel).
    static int toPixelX(double x);
    static int toPixelY(double y);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void ensureImage();
    void record(const DrawOp& op);
    // The batch's painter, or `local` opened on the picture.
    QPainter& painter(std::optional<QPainter>& local);
    void drawn();

    QImage image_;
    std::vector<DrawOp>* recorder_ = nullptr;
    std::unique_ptr<QPainter> batch_;
    // The last primitive drawn in this batch when it was a line: drawing it again changes no
    // pixel, so a run of records that fall on the same pixels draws once.
    struct LastLine {
        QPoint a, b;
        QRgb colour;
        int width;
        LineStyle style;
    };
    std::optional<LastLine> lastLine_;
};

// Prints an image of the window's client area (its drawing and its visible controls) as one
// document. Returns false with `error` set when there is no printer or it fails.
bool PrintWindowImage(QWidget& window, QString* error = nullptr);

} // namespace platform
