// The unit numbers of the three converters, in one place: the failure reports name them, so
// they are part of what a user reads ("apparent state: unit 2 named in.txt").
#pragma once

namespace convkit {

inline constexpr int kControlUnit = 1;  // vantor.inp, pressik.inp, colbrand.inp
inline constexpr int kExportUnit = 2;   // the export
inline constexpr int kColumnsUnit = 3;  // colbrand's output
inline constexpr int kZepUnit = 25;     // the ZEP file of vantor and pressik

}  // namespace convkit
