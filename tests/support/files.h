// Whole files written and read in one call, and the directory listings tests compare.
//
// Plain system calls throughout: the fault tests call these while big buffers of their own must
// not linger in the C library's heap, and the fuzz targets call them millions of times.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace convkit::testkit {

/// Creates or replaces the file at path with exactly bytes; throws std::runtime_error when it
/// cannot.
void write_file(const std::string& path, std::string_view bytes);

/// The whole content of the file at path into bytes; false when it cannot be read.
bool read_file(const std::string& path, std::string& bytes);

/// The whole content of the file at path; empty when it cannot be read.
std::string read_file(const std::string& path);

/// The size of the file at path, or -1 when there is none.
int64_t file_size(const std::string& path);

/// The names in a directory, sorted; throws std::runtime_error when it cannot be read.
std::vector<std::string> list_dir(const std::string& path);

/// Removes path and, for a directory, everything below it, giving directories their write bits
/// back first; symbolic links are removed, never followed.
void remove_tree(const std::string& path);

}  // namespace convkit::testkit
