// Numbered units: the connections between a program and its files or standard streams, and
// what opening, rewinding and closing do to a file. The statements of the record layer read
// and write the units; what a unit holds is the layer's own (detail/unit_bytes.h).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace convkit {

inline constexpr int kUnitCount = 100;
inline constexpr int kErrorUnit = 0;
inline constexpr int kInputUnit = 5;
inline constexpr int kConsoleUnit = 6;
// The size of a unit's buffer when it is made; only a record longer than that grows it.
inline constexpr size_t kUnitBufferSize = 64 * 1024;

/// Connects units 0, 5 and 6 to standard error, input and output; done once by start_run.
void connect_standard_units();

/// Connects unit n to the file named by the first name_length characters of name, trying
/// "r+", "r", then creating it when it is missing (a FIFO for reading only; its first write
/// statement reopens it for writing only and waits for its reader). A unit already connected to
/// exactly that name is left alone. Ends the run with "open" on an empty name, on a file already
/// connected to another unit, or when no mode opens the file.
void open_unit(int n, const char* name, int name_length);

/// What open_unit would do with a name, found without opening, creating or waiting for
/// anything.
struct OpenForecast {
  std::string failure;   // the first line of the report the open ends with; empty: it opens
  bool creates = false;  // a missing file: created empty, so that its first read meets the end
  std::string created;   // the file created, when the name is a link that leads to no file
  std::string folder;    // the folder a missing file is created in (or would be)
  bool fifo = false;     // a FIFO: opened for reading; its bytes are its writer's, read once
  std::string rewind_failure;  // what a rewind after a read ends with; empty: it goes back
};

/// Forecasts open_unit(n, name, length) for the first length characters of name by the open's
/// own rules: the name as opened, the three attempts, the create of a missing file.
OpenForecast forecast_open(std::string_view name);

/// From now on every open_unit reads only, for a check: an existing file is opened for reading,
/// a missing one is not created (the open fails with the system's text), no claim is taken.
void open_units_for_reading_only();

/// Whether open_units_for_reading_only is in force.
bool units_open_for_reading_only();

/// The name an open of name reaches: trailing blanks removed, then ended at a zero byte (the
/// system reads a file name up to its first zero byte).
std::string_view opened_name(std::string_view name);

/// From now until unit n is disconnected, its records end in CR LF instead of a line feed (the
/// ZEP files' own line ends, for a writer that does not run unix2dos afterwards).
void end_records_with_cr_lf(int n);

/// Whether unit n is connected to the regular file that path reaches.
bool unit_is_file(int n, std::string_view path);

/// Repositions unit n at its first byte; a unit that was written is cut first. Ends the run with
/// "rewind" on a terminal.
void rewind_unit(int n);

/// Empties the regular file of unit n, which stands at its start (just opened and rewound), so
/// that no older content survives behind what the run writes. A file the unit may not write is
/// left as it is, for the first write to refuse. Ends the run with "endfile" when
/// the file system refuses.
void empty_unit(int n);

/// Ends the run with "close" naming unit n when its regular file is no longer reached by its
/// name (removed, its folder removed, or another file put in its place). Others pass.
void require_unit_file_in_place(int n);

/// Disconnects unit n and keeps its file, cut after the last byte written. Ends the run with
/// "write" or "close" when the file system refuses the last bytes or the close.
void close_unit(int n);

/// The byte offset in its file at which the next read of unit n starts; -1 when unit n is not
/// connected or cannot tell. One system call: for a check, not for every statement.
off_t unit_offset(int n);

/// Closes units 0 to 99 once per process, ignoring every failure. Safe to call at any moment
/// the main flow is stopped at (atexit, a deferred signal report, the failure path).
void close_all_units();

/// Whether unit n (0 to 99) is connected to a file or stream.
bool unit_connected(int n);

}  // namespace convkit
