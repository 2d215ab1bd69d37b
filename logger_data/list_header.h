// The header row every list grid starts with.
#pragma once

#include <QString>

class QWidget;
namespace platform {
class Grid;
}

// Row 0 of a list grid: "No.s", "Time" and the unit text, each column as wide as its sample text
// measured in the window's font. Leaves the current cell at row 0, column 2.
void ApplyListHeader(QWidget& window, platform::Grid& grid, const QString& unitText);
