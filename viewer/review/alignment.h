// How a reference batch is laid over the current one: the alignment
// (first rows together, last rows together, or the clock as recorded) and
// an offset typed on top of it.
//
// Times of the comparison are whole milliseconds on the trend's date-time
// serial axis (days since 30 Dec 1899 times 86,400,000). The logs record
// whole seconds, so shifts, offsets and "a current time that falls exactly
// on a reference sample" are exact integer arithmetic, never a matter of
// rounding doubles.
#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace tarvex {

using TimeMs = qint64;
inline constexpr double kMsPerDay = 86400000.0;

// A date-time serial as milliseconds (rounded to the nearest) and back.
TimeMs serialToMs(double serial);
inline double msToSerial(TimeMs ms) { return static_cast<double>(ms) / kMsPerDay; }

enum class AlignMode {
  Start,  // the first rows coincide (the default)
  End,    // the last rows coincide
  Clock,  // the times as recorded, no shift
};

// "start", "end", "time" (the command line's words); empty for others.
std::optional<AlignMode> parseAlignMode(const QString& word);
// The menu's captions: "Align at start", "Align at end", "Clock time".
QString alignModeCaption(AlignMode mode);

struct Alignment {
  AlignMode mode = AlignMode::Start;
  TimeMs offset = 0;  // added on top of the mode's shift; positive = reference later
};

// The shift that lays the reference over the current batch: a reference
// sample at time t is drawn and compared at t + shift. Start: current first
// - reference first; End: current last - reference last; Clock: 0; plus
// alignment.offset in every mode.
TimeMs alignmentShift(const Alignment& alignment, TimeMs currentFirst, TimeMs currentLast,
                      TimeMs referenceFirst, TimeMs referenceLast);

// An offset typed as [+|-]H:MM:SS (hours may pass 23, minutes and seconds
// 0..59, blanks around allowed); empty for any other text.
std::optional<TimeMs> parseOffset(const QString& text);
// The offset as it is typed back: "+1:00:00", "-26:03:05", "0:00:00".
QString offsetText(TimeMs offset);

// A shift as the readout and the title show it: formatDuration's style
// ("3 d 02:14:05", "0:05:00") with a leading minus for a negative shift,
// U+2212 when `unicodeMinus`, else "-".
QString shiftText(TimeMs shift, bool unicodeMinus = true);

// The plot's line for a reference: "Reference: NAME, shifted −3 d 02:14:05".
QString referenceTitleLine(const QString& name, TimeMs shift);

}  // namespace tarvex
