#include "meter_link/settled_unit.h"

void SettleUnit(DisplayState& d) {
    const QString& shown = d.DisplayUnitText;
    if (d.UnitRunFrames > 0 && shown == d.UnitRunText) {
        if (d.UnitRunFrames < kUnitSettleFrames)
            ++d.UnitRunFrames;
    } else {
        // The very first unit has nothing before it to be mistaken for.
        if (d.UnitRunFrames == 0)
            d.SettledUnitText = shown;
        d.UnitRunText = shown;
        d.UnitRunFrames = 1;
    }
    if (d.UnitRunFrames >= kUnitSettleFrames)
        d.SettledUnitText = shown;
    d.UnitInDoubt = shown != d.SettledUnitText;
}

const QString& UnitInForce(const DisplayState& d) {
    return d.UnitInDoubt ? d.SettledUnitText : d.DisplayUnitText;
}
