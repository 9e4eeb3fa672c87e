// What a file name stands for on disk, looked at without opening, creating or changing it.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace convkit {

struct FileProbe {
  bool exists = false;    // the name reaches something (links followed)
  bool regular = false;   // ... and it is a regular file
  bool link = false;      // the name itself is a symbolic link
  bool readable = false;  // a regular file this process can open for reading
  off_t size = 0;         // bytes of a regular file
  dev_t dev = 0;
  ino_t ino = 0;
  std::string resolved;  // the path with every link resolved, when the name is a link
};

/// What name reaches, following links; a name that reaches nothing gives exists false.
FileProbe probe_file(std::string_view name);

/// Whether this process may take the file name away from the folder that holds it (as a move
/// to another folder does) and put a new file there: 0, or the system's error.
int folder_refuses_move(std::string_view name);

}  // namespace convkit
