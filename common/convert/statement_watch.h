// What a control file's statements tell as they read: the seam by which --check notes where each
// statement of the conversion's own reads starts.
#pragma once

#include <functional>

namespace convkit {

/// Called before each statement of a control file with its number (from 0).
using StatementWatch = std::function<void(int statement)>;

}  // namespace convkit
