// The unit recording, the live list and the live graph go by. Frames carry no checksum, so one
// damaged frame can show another unit; a new unit counts only once it holds over a few frames.
#pragma once

#include "meter_link/records.h"

#include <QString>

// Normal frames in a row a new unit must hold before it counts. The meter streams several
// frames a second, so a real change counts well inside one sampling second; a random fault
// would have to give the same wrong unit three times running, which light noise never does.
constexpr int kUnitSettleFrames = 3;

// Called after each normal frame has rebuilt DisplayUnitText.
void SettleUnit(DisplayState& d);
// The unit in force: DisplayUnitText, or while a new unit has not yet held, the one before it.
const QString& UnitInForce(const DisplayState& d);
