// The toolbar's "PC" and "TimeSet" commands: the PC's or the meter's sampling interval, and the
// meter's clock set from the PC's.
#pragma once

#include <QString>
#include <optional>

class Panel;

inline const char* const IntervalTitle = "Input Sampling Time";
// The prompts of the interval box for the PC's rate and for the meter's.
QString PcIntervalPrompt();
QString MeterIntervalPrompt();
inline const char* const RecordingRefusal = "Recording mode, stop record then try again !";
inline const char* const LineBusyRefusal = "The meter is busy with another command, try again !";
inline const char* const NoIntervalReply = "The meter does not answer with its sampling rate, try again !";

// An answer in the PC box: the nearest whole number (an exact half to the even one) clamped to
// 1..86400; nullopt, so that nothing changes, for an empty answer, one that is no number, or one
// beyond the 32-bit range.
std::optional<int> PcIntervalFromAnswer(const QString& answer);
// An answer in the meter box: the number the text starts with, rounded as above and clamped to
// 1..60; nullopt, so that nothing is sent, when that number is 0 (no number, an empty or
// cancelled answer) or beyond the 32-bit range.
std::optional<int> MeterIntervalFromAnswer(const QString& answer);

void SetSamplingInterval(Panel& panel);
void SetMeterTime(Panel& panel);
