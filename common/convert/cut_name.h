// The name cut of the control files, which all three programs apply to their name lines.
#pragma once

#include <cstdint>

#include "common/recordio/fixed_text.h"

namespace convkit {

/// The length of the name at the start of a 72-character text: the position of its first blank
/// less 2, where a result of 0 does not count as found. Control files have CR LF ends, so the
/// character dropped is the CR. The result may be 0 or -1: no usable name.
int cut_name(const char* line72);

/// Cuts the name at the start of line72 and copies it into the 72-character name; returns the
/// length as cut. A length below 1 copies nothing: the name stays blank and is no name.
int32_t take_name(const char* line72, char* name72);

}  // namespace convkit
