// The stand-in's own display: a slowly varying W/m2 reading and what the meter's keys do to it.
//
//   H  toggles HOLD (the reading freezes).
//   X  cycles MAX -> MIN -> AVG -> MAX MIN AVG -> MAX ...; entering from none restarts the statistics.
//      MAX MIN AVG shows the live reading with all three marks.
//   E  leaves max/min/avg.
//   P  cycles the unit W/m2 -> kW/m2 -> Btu/(ft2.h) -> kBtu/(ft2.h) -> % -> W/m2
//      (1 Btu/(ft2.h) = 3.1546 W/m2; % is of 1000 W/m2). On the clear prompt it toggles YES/NO.
//   R  toggles showing the last stored reading (R mark). On the clear prompt it toggles YES/NO.
//   B  stores the shown reading (W/m2) in memory; the memory number counts them (up to 99).
//   I  shows the clear-memory prompt, starting at YES; a second I leaves it unchanged.
//   U  on the clear prompt confirms (YES clears the memory); otherwise toggles the CAL mark.
//   C  (SET held long) toggles the "-" mark.
//   T  toggles the meter clock (hh:mm with the ":" mark) in the second digit group.
//   O  toggles the battery mark.
// The CAL group always shows the calibration factor 1.000; the M mark is on while readings are
// stored. Keys other than R, P, U and I do nothing while the clear prompt is shown.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>

namespace standin {

// A display frame: 0x02, four flag bytes, memory number, CAL pair, main value pair, second pair, 0x03.
QByteArray makeFrame(quint8 flags1, quint8 flags2, quint8 flags3, quint8 flags4, quint8 mem = 0,
                     quint16 cal = 0xCCCC, quint16 value = 0xCCCC, quint16 second = 0xCCCC);

// Two BCD digits of v (0..99).
quint8 bcd(int v);

class MeterDisplay {
public:
    MeterDisplay();

    void key(char c);
    // Called once per frame sent: the statistics follow the frames.
    void tick();
    // The frame the display shows now; `clockSeconds` is the meter clock's time of day.
    QByteArray frame(int clockSeconds) const;

private:
    double liveW() const;
    void restartStats();
    double shownW() const;

    QElapsedTimer since_;
    bool hold_ = false;
    double heldW_ = 0;
    int mma_ = 0; // 0 none, 1 MAX, 2 MIN, 3 AVG, 4 all three
    double maxW_ = 0, minW_ = 0, sumW_ = 0;
    int statCount_ = 0;
    int unit_ = 0; // 0 W/m2, 1 kW/m2, 2 Btu/(ft2.h), 3 kBtu/(ft2.h), 4 %
    QList<double> memory_;
    bool readMode_ = false;
    bool clearPrompt_ = false;
    bool clearYes_ = true;
    bool timeShown_ = false;
    bool battery_ = false;
    bool cal_ = false;
    bool dash_ = false;
};

} // namespace standin
