// The name cut of the control files.
#pragma once

namespace convkit {

inline constexpr int kLineLength = 72;

/// The length of the name at the start of a 72-character text: the position of its first blank
/// less 2, where a result of 0 does not count as found. Control files have CR LF ends, so the
/// character dropped is the CR. The result may be 0 or -1: no usable name.
int cut_name(const char* line72);

}  // namespace convkit
