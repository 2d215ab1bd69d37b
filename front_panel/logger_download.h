// The "Memory" command: the meter's whole logger memory read over the line into the logger
// window's set list and the logger records.
#pragma once

#include <QString>

struct LoggerContext;

void DownloadLoggerMemory(LoggerContext& ctx);

// " 126.9 K": free logger memory behind the end address, truncated to a tenth of a K.
QString FreeMemoryCaption(float memoryPointer);
// "42.5% Completed", one decimal with the system's decimal separator.
QString DumpProgressCaption(int received, int expected);

// The bounds of a download the meter does not finish.
constexpr double kDumpSilenceSeconds = 3.0; // no byte for this long: the meter stopped sending
constexpr int kMaxDumpRestarts = 5;         // dumps that came back empty or without their marker
