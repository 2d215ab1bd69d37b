#include "logger_data/list_header.h"

#include "platform/grid.h"
#include "platform/twips.h"

#include <QFontMetrics>
#include <QWidget>
#include <cmath>

void ApplyListHeader(QWidget& window, platform::Grid& grid, const QString& unitText) {
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
