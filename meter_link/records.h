// The application-wide records. One instance of each lives in AppState, owned by the application
// and handed to the windows. Everything starts zero, false or empty.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <vector>

struct LinkState {
    std::int16_t ComPortNumber = 0; // 1..16 once chosen
    float KeyDownTime = 0;          // time of day (s) when a key went down
    std::int16_t PollCount = 0;     // 0 makes the next poll tick send "A" and "M"
    bool KeyBusy = false;           // a guarded meter exchange is running
};

struct DisplayState {
    // FlagByte1
    bool AnnHold = false, AnnMax = false, AnnMin = false, AnnAvg = false;
    bool AnnAutoDash = false, AnnAutoDot = false, AnnBT = false;
    // FlagByte2
    bool AnnCal = false, AnnCalDot = false, AnnM = false, AnnR = false;
    bool AnnDp1 = false, AnnDp2 = false, AnnDp3 = false, AnnKiloUpper = false;
    // FlagByte3
    bool AnnW = false, AnnHourUpper = false, AnnPerM2 = false, AnnPerHourUpper = false;
    bool AnnPerDayUpper = false, AnnPercent = false, AnnKiloLower = false, AnnBtu = false;
    // FlagByte4
    bool AnnPerFt2 = false, AnnDotH = false, AnnPerHourLower = false, AnnPerDayLower = false;
    bool AnnOverload = false, AnnClearPrompt = false, AnnYes = false, AnnNo = false;

    QString DigitText;       // result of the last FormatDigits
    QString DisplayUnitText; // unit of the current reading, empty until the first normal frame

    // A new unit counts once it holds over a few frames (settled_unit.h).
    QString SettledUnitText;  // the unit that held last
    QString UnitRunText;      // the unit of the latest normal frames...
    int UnitRunFrames = 0;    // ...and how many in a row showed it (0 before the first)
    bool UnitInDoubt = false; // DisplayUnitText is a new unit that has not held yet
};

struct SamplingState {
    QString SampleTime;               // sample clock, "hh:nn:ss"
    std::int32_t SampleTickCount = 0; // 0 makes the next sampler tick take a sample
    float SampleInterval = 0;         // PC sampling interval in ticks/seconds, 1..86400
    bool PcSampling = false;
};

struct RecordingState {
    QFile File;                // the one data-file handle (recording, opening, export)
    float FileRecordCount = 0; // records written since recording started
    QString SaveFileName;      // full path from the last save dialog
    bool FileChosen = false;
    bool Recording = false;
    QString RecordUnit; // unit text when recording started
};

struct LiveListState {
    bool ListOpen = false;
    float ListCount = 0;
    QString ListUnit;
};

struct LiveGraphState {
    double GraphFullMax = 0, GraphFullMin = 0;
    QVariant GraphMax, GraphMin; // a number, or the text typed in the range dialog
    QString GraphValueText;
    float GraphStepX = 0, GraphLastX = 0, GraphLastY = 0;
    float GridColor = 0; // palette index, shared with the plot window
    float GraphSweepX = 0;
    double GraphX0 = 0, GraphY0 = 0;
    float GraphPlotHeight = 0, GraphPlotWidth = 0;
    QString GraphUnit;
    QString GraphReadingText;
};

struct PlotState {
    bool PlotFromFile = false;
    QVariant ValueMaxAllowed, ValueMinAllowed, PlotValueMax, PlotValueMin;
    float RecordCount = 0, PlotFromRecord = 0, PlotToRecord = 0, PlotRecordCount = 0;
    QString PlotUnitLabel;
    float PlotStepX = 0, PointOffsetX = 0, LastPointX = 0;
    double PlotOriginX = 0, PlotOriginY = 0, PlotWidth = 0, PlotHeight = 0;
};

struct LoggerState {
    static constexpr int MaxSetIndex = 10004;
    float MemoryPointer = 0; // logger end address from the last "A" query; 1023 = empty
    std::vector<QByteArray> MemorySets = std::vector<QByteArray>(MaxSetIndex + 1);
    bool MemoryFormOpen = false;
    bool ListUnitMetric = false;
};

struct AppState {
    LinkState link;
    DisplayState display;
    SamplingState sampling;
    RecordingState recording;
    LiveListState liveList;
    LiveGraphState liveGraph;
    PlotState plot;
    LoggerState logger;
};
