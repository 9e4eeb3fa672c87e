// Scratch files: new, empty files that no other file's name can collide with.
#pragma once

#include <string>
#include <string_view>

namespace convkit {

/// Creates a new, empty file named prefix followed by six random characters in the working
/// directory for the file of unit n and returns its name. Ends the run with "open" and the
/// system's text, naming unit n and the pattern, when it cannot be created.
std::string create_scratch_file(std::string_view prefix, int n);

/// Makes sure a scratch file can be created as create_scratch_file would, and leaves none
/// behind. Ends the run as create_scratch_file does when it cannot.
void require_scratch_room(std::string_view prefix, int n);

/// Removes a scratch file this run created.
void remove_scratch_file(const std::string& name);

/// Gives a file moved to the scratch file back its name (replacing what stands there); returns
/// whether it could.
bool put_back_scratch_file(const std::string& scratch, const std::string& name);

}  // namespace convkit
