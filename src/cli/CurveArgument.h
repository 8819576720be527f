// The command line's curve descriptions: "gamma:G" (G the gamma, for example 2.2) or
// "levels:L0,L1,...,L12" (the thirteen levels in percent at the inputs 0, 5, 10, 20 ... 90,
// 95, 100 %, an empty field meaning no point). Numbers always use "." as the decimal point,
// whatever the user's locale, so that a script gives the same setting everywhere.
#pragma once

#include "base/Types.h"
#include "tone/ToneRecords.h"

#include <string_view>

namespace orvane {

// Reads a non-negative decimal with at most two fraction digits: one or more digits,
// optionally followed by "." and one or two digits. On success `hundredths` is the value
// x 100; a value too large for the type is reported as INT32_MAX, which every range check
// refuses. False for anything else (a sign, spaces, an exponent, a comma, a third fraction
// digit, a lone or trailing "."), leaving `hundredths` unchanged.
bool ParseCommandLineHundredths(std::string_view text, int32_t& hundredths);

// Turns a curve description into a curve. noErr with `curve` filled; otherwise `curve` is
// unchanged and the status names the problem with the message the curve editor gives:
// - kBadGammaCode (1007): a gamma that is not a number from 0.01 to 99.99;
// - kEndPointsCode (1008): the 0 % or 100 % field is not a number (a missing one is left
//   for CheckCMYKToneIsValid, which gives the same message);
// - kPointOutOfRangeCode (1009): another field is not a number;
// - kCliBadCurveFormCode: neither "gamma:" nor "levels:";
// - kCliLevelCountCode: not exactly thirteen fields.
// Level values are not range-checked here: CheckCMYKToneIsValid judges the whole setting
// by the editor's rules. Spaces and tabs around a field are ignored.
OSErr ParseCurveSpec(std::string_view spec, CToneInfo& curve);

} // namespace orvane
