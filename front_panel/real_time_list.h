// The real-time list: one row per PC sample (number, sample time, reading), appended by the
// main window's sampler. Its rows live only in its grid and are gone when it closes.
#pragma once

#include "meter_link/records.h"
#include "platform/grid.h"
#include "platform/toolbar.h"
#include "platform/twips.h"

#include <QFontMetrics>
#include <QWidget>
#include <cmath>

class QCloseEvent;
class Panel;

// Row 0 of a list grid: "No.s", "Time" and the unit text, each column as wide as its sample text
// measured in the window's font. Header-only so every list window can use it. Leaves the current
// cell at row 0, column 2.
inline void ApplyListHeader(QWidget& window, platform::Grid& grid, const QString& unitText) {
    const QFontMetrics metrics(window.font());
    const QString samples[3] = {QStringLiteral(" 000000 "), QStringLiteral(" HH:NN:SS"),
                                QStringLiteral("AAW/Am)AA")};
    const QString headers[3] = {QStringLiteral("No.s"), QStringLiteral("Time"), unitText};
    grid.setRow(0);
    for (int c = 0; c < 3; ++c) {
        grid.setCol(c);
        grid.setColWidth(
            c, static_cast<int>(std::lround(platform::toTwips(metrics.horizontalAdvance(samples[c])))));
        grid.setText(headers[c]);
    }
}

// A toolbar strip in the desktop's button colour rather than its window's colour.
void ShowAsToolbarStrip(QWidget& toolbar);

class RealTimeList : public QWidget {
    Q_OBJECT
public:
    // A window of its own, owned by the main window; it deletes itself when closed.
    RealTimeList(AppState& app, Panel& panel);

    void Form_Load();
    void Form_Unload();
    void Toolbar1_ButtonClick(const QString& key);

    platform::Toolbar* Toolbar1 = nullptr;
    platform::Grid* Grid = nullptr;
    platform::ImageList ImageList1;

    static constexpr const char* Caption = "Real Time List";
    static constexpr int ClientWidthTwips = 2790;
    static constexpr int ClientHeightTwips = 4065;

signals:
    // The window has closed; it is deleted once control is back in the event loop.
    void unloaded();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    AppState& app_;
    Panel& panel_;
};
