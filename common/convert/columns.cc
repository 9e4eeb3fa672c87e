#include "common/convert/columns.h"

namespace convkit {
namespace {

char letter(Role role) {
  switch (role) {
    case Role::potential:
      return 'E';
    case Role::current:
      return 'I';
    case Role::time:
      return 't';
    case Role::ignored:
      return '-';
  }
  return '?';
}

}  // namespace

std::string parse_columns(std::string_view list, Columns& columns) {
  Columns read;
  read.count = 0;
  read.time = -1;
  int potentials = 0, currents = 0;
  size_t at = 0;
  for (;;) {
    size_t comma = list.find(',', at);
    std::string_view role =
        list.substr(at, comma == std::string_view::npos ? list.npos : comma - at);
    if (role.empty()) return "a role is empty; separate the roles by single commas";
    if (read.count == kMaxColumns) {
      return "more than " + std::to_string(kMaxColumns) + " values a line";
    }
    if (role == "E") {
      read.roles[read.count] = Role::potential;
      read.potential = read.count;
      ++potentials;
    } else if (role == "I") {
      read.roles[read.count] = Role::current;
      read.current = read.count;
      ++currents;
    } else if (role == "t") {
      read.roles[read.count] = Role::time;
      if (read.time < 0) read.time = read.count;
    } else if (role == "-") {
      read.roles[read.count] = Role::ignored;
    } else {
      // Appended piece by piece: GCC 12's -Wrestrict misreads a "'" + std::string chain at -O3.
      std::string wrong = "'";
      wrong.append(role);
      wrong.append(
          "' is no role; the roles are E (potential), I (current), t (time) and - (ignored)");
      return wrong;
    }
    ++read.count;
    if (comma == std::string_view::npos) break;
    at = comma + 1;
  }
  if (potentials != 1 || currents != 1) {
    return "name E (potential) and I (current) once each, such as E,I or E,t,I";
  }
  columns = read;
  return {};
}

std::string columns_text(const Columns& columns) {
  std::string text;
  for (int k = 0; k < columns.count; ++k) {
    if (k > 0) text += ',';
    text += letter(columns.roles[k]);
  }
  return text;
}

}  // namespace convkit
