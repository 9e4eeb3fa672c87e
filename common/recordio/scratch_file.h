// Scratch files: new, empty files that no other file's name can collide with.
#pragma once

#include <string>
#include <string_view>

namespace convkit {

/// Creates a new, empty file named prefix followed by six random characters in the working
/// directory and returns its name. Ends the run with "open" and the system's text, naming the
/// pattern, when it cannot be created.
std::string create_scratch_file(std::string_view prefix);

}  // namespace convkit
