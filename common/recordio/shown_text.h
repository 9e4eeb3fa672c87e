// A text as a user should read it in a message: in quotes, each byte that does not show
// written \xNN.
#pragma once

#include <string>
#include <string_view>

namespace convkit {

/// text in quotes, a control byte, a byte above 126 and a backslash written \xNN (upper-case
/// hex); when longer than most bytes, its first most bytes and "..." inside the quotes.
std::string shown(std::string_view text, size_t most = std::string_view::npos);

}  // namespace convkit
