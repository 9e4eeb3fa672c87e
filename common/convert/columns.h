// The roles of the values of an export's data line: which is the potential, which the current.
// A ZEP data line is always E, -I and the time derived from the point's index, whatever order
// the export keeps its values in.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace convkit {

enum class Role : uint8_t {
  potential,  // E
  current,    // I
  time,       // t: read, and replaced by the time derived from the point's index
  ignored,    // -: read and ignored
};

inline constexpr int kMaxColumns = 16;

/// The roles of one data line's values, in order.
struct Columns {
  Role roles[kMaxColumns] = {Role::potential, Role::time, Role::current};
  int count = 3;      // values read from each data line
  int potential = 0;  // where E stands
  int current = 2;    // where I stands
  int time = 1;       // where t stands; -1 when no value is the time
};

/// Reads a comma-separated LIST of roles (E potential, I current, t time, - ignored) into
/// columns. Returns what is wrong with it, empty when it is right: exactly one E and one I, no
/// other letter, no empty role, at most kMaxColumns roles.
std::string parse_columns(std::string_view list, Columns& columns);

/// The LIST that gives columns ("E,t,I").
std::string columns_text(const Columns& columns);

}  // namespace convkit
