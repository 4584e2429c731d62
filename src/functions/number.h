// Number and flag workers: pure functions on doubles.
//
// A host passes a Number argument as 100 times the formula value; each
// surface's adapter multiplies it by NumberScale before calling these.
#ifndef QELRPT_FUNCTIONS_NUMBER_H
#define QELRPT_FUNCTIONS_NUMBER_H

#include <cstddef>
#include <cstdint>

namespace qelrpt {

// The double nearest to 0.01 (bit pattern 0x3F847AE147AE147B).
inline constexpr double NumberScale = 0.01;

// The alarm bit (bit 0) and the log bit (bit 1) of a flag word.
inline constexpr std::uint32_t AlarmFlagMask = 1;
inline constexpr std::uint32_t LogFlagMask = 2;

// Working buffer size of the footprint: the longest text is 11 characters
// ("-1.798e+308") plus the NUL.
inline constexpr std::size_t FootprintBufferSize = 20;

// `value` in general notation with at most four significant digits,
// right-aligned in a field at least 10 characters wide: the text that
// printf's "%10.4g" gives in the C locale, whatever the process locale or
// the platform's run-time library.  Writes at most FootprintBufferSize
// bytes to `out`, its NUL included, and returns the text's length.
//   123.45 -> "     123.5"   1 -> "         1"   12345.67 -> " 1.235e+04"
std::size_t FormatFootprint(double value, char *out);

// The flag word that a scaled Number value stands for: value + 0.5,
// truncated toward zero to a signed 64-bit integer, of which the low 32
// bits are kept.  NaN, infinities and values beyond the signed 64-bit
// range give the run-time's out-of-range integer, whose low bits are 0.
std::uint32_t FlagWord(double value);

// 1 when `word` has any bit of `mask` set, else 0.
int TestFlagBit(std::uint32_t word, std::uint32_t mask);

// 1 when the flag word of the (scaled) Number `value` has the alarm bit,
// or the log bit, set; else 0.
//   1 -> alarm   2 -> log   3 -> both   1.49 -> alarm   1.5 -> log
inline int HasAlarmFlag(double value) { return TestFlagBit(FlagWord(value), AlarmFlagMask); }
inline int HasLogFlag(double value) { return TestFlagBit(FlagWord(value), LogFlagMask); }

}  // namespace qelrpt

#endif
