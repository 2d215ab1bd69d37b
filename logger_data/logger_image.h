// Cutting a downloaded logger image into its sets, and the texts of the logger's records.
// Plain functions: the download, the logger window and the fuzz targets call them.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

struct LoggerSplit {
    enum class Fault {
        None,
        NoMarker,   // the image does not open with a set marker: nothing is listed
        RaggedEnd,  // the last set does not end on the record grid: its whole records are kept, and
                    // when it holds none (the image ends inside its head or first record), no row
        TooManySets // more sets than there are slots: the first ones are kept
    };
    // One set-list row per set: "k TAB hh:mm:ss TAB interval TAB records".
    QStringList rows;
    Fault fault = Fault::None;
};

// Cuts `image` (the logger memory followed by a copy of its first set marker as end sentinel) at
// every set marker on the record grid. Set k goes whole into slot k of `sets` (k from 1; slot 0
// and the slots above the new set count are left as they are). Never reads past the image.
LoggerSplit SplitLoggerImage(const QByteArray& image, std::vector<QByteArray>& sets);

// What the user is told of a ragged end: the whole records kept, or that there was none to list.
QString RaggedEndMessage(const LoggerSplit& split);

// Signs of damage in the sets of a download: what the meter cannot have written. The bytes carry
// no checksum, so these are the only ways to tell a damaged download from a clean one.
struct LoggerDamage {
    int readingsBeyondRange = 0; // records above the meter's 2200 W/m2
    QList<int> beyondRangeSets;  // sets holding them
    QList<int> badHeadSets;      // a start time that is no time of day, or an interval beyond 1..60 s
    QList<int> strayMarkerSets;  // a set marker off the record grid: sets have run together
    bool any() const {
        return !beyondRangeSets.isEmpty() || !badHeadSets.isEmpty() || !strayMarkerSets.isEmpty();
    }
};
// Whether one set shows any of that damage.
bool IsSuspectLoggerSet(const QByteArray& set);
// Judges sets 1 .. count of `sets`.
LoggerDamage FindLoggerDamage(const std::vector<QByteArray>& sets, int count);
// The warning after such a download, empty when nothing was found.
QString LoggerDamageMessage(const LoggerDamage& damage);
// What the logger window keeps showing after the warning: "Suspect data: sets 1, 3".
// The data list of a suspect set carries "Data List - suspect data" as its caption.
QString LoggerDamageCaption(const LoggerDamage& damage);

// A record's reading in tenths of W/m2: the raw value without its last two decimal digits.
qint64 RecordWattTenths(quint32 raw);
// The same reading in tenths of Btu/(ft2.h), truncated (1 Btu/(ft2.h) = 3.1546 W/m2).
qint64 RecordBtuTenths(qint64 wattTenths);
// "0", "0.1", "12.3", "1000"; from four digits before the point on only the whole part ("1234",
// "12345"): the fraction never pushes out a digit.
QString WattText(qint64 wattTenths);
// Always one decimal: "0.0", "39.1", "697.3".
QString BtuText(qint64 btuTenths);
// Record i (from 1) of a set logged every `interval` seconds: "hh:mm:ss" after the set's start,
// wrapping after 24 hours.
QString ElapsedTime(int i, int interval);

// The data list's rows for record i (from 1) of `set`, logged every `interval` seconds:
// "i TAB hh:mm:ss TAB reading" in W/m2 and in Btu/(ft2.h).
struct LoggerDataRows {
    QString metric;
    QString imperial;
};
LoggerDataRows LoggerSetDataRows(const QByteArray& set, int i, int interval);
// The data list's caption after record i of n: " 12.5 % completed", the tenth only when not 0.
QString SetDecodeProgressCaption(int i, int n);
