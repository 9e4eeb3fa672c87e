#include "common/check/evidence.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "common/recordio/field_forms.h"

namespace convkit {
namespace {

// The role a column name gives, with or without its unit ("E/V", "t", "Potential/V", "time").
char role_of(std::string word) {
  const size_t unit = word.find_first_of("/(");
  if (unit != std::string::npos) word.resize(unit);
  while (!word.empty() && (word.back() == ':' || word.back() == '.')) word.pop_back();
  for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (word == "potential" || word == "voltage" || word == "e") return 'E';
  if (word == "current" || word == "i") return 'I';
  if (word == "time" || word == "t") return 't';
  return 0;
}

// Seconds in one unit of a time column ("s", "ms)"); 0 for a unit not known.
double seconds_per(std::string_view unit) {
  if (unit == "s" || unit == "s)") return 1.0;
  return unit.substr(0, 2) == "ms" ? 1e-3 : unit.substr(0, 3) == "min" ? 60.0 : 0.0;
}

std::string roles_in_words(std::string_view roles) {
  std::string words;
  for (char c : roles) words += c == ',' ? std::string(", ") : std::string(1, c);
  return words;
}

}  // namespace

std::string heading_roles(std::string_view heading, double* seconds, std::string* scaled) {
  static constexpr std::string_view kApart = " \t,;";
  std::string roles;
  size_t a = heading.find_first_not_of(kApart);
  while (a != std::string_view::npos) {
    size_t b = std::min(heading.find_first_of(kApart, a), heading.size());
    const size_t next = heading.find_first_not_of(kApart, b);
    const bool unit_follows = next != std::string_view::npos && heading[next] == '(';
    const char role = role_of(std::string(heading.substr(a, b - a)));
    const size_t end = unit_follows ? heading.find_first_of(kApart, next) : b;
    const std::string_view name = heading.substr(a, end - a);
    const size_t u = name.find_first_not_of("/(", name.find_first_of("/("));
    const std::string_view unit = name.substr(std::min(u, name.size()));
    if (role == 't' && seconds != nullptr) {
      *seconds = !unit.empty() ? seconds_per(unit) : (name.size() > 1 ? 1.0 : 0.0);
    }
    // A potential not in V or a current not in A ("E/mV", "I (uA)"): the ZEP file's are.
    const char base = role == 'E' ? 'V' : 'A';
    if ((role == 'E' || role == 'I') && scaled != nullptr && !unit.empty() && unit[0] != base &&
        unit.substr(0, 3).find(base) != std::string_view::npos) {
      *scaled = std::string(name);
    }
    if (role != 0) {
      if (roles.find(role) != std::string::npos) return "";
      if (!roles.empty()) roles += ',';
      roles += role;
    }
    a = next;
  }
  return roles.size() >= 3 ? roles : "";
}

EqualTimes equal_times(int32_t points, double delt) {
  EqualTimes e;
  if (!(std::isfinite(delt) && delt > 0.0)) return e;
  // Six digits tell apart times that differ by more than a millionth part of them: the first
  // pair that may print alike lies near point 100000.
  char before[13], now[13];
  int32_t from = points > 99000 ? 99000 : points;
  form_e(before, static_cast<double>(from - 1) * delt, 13, 6);
  for (int32_t i = from + 1; i <= points; ++i) {
    form_e(now, static_cast<double>(i - 1) * delt, 13, 6);
    if (std::memcmp(before, now, 13) == 0) {
      if (e.count++ == 0) e.first = i;
    }
    std::memcpy(before, now, 13);
  }
  return e;
}

double factor_near_1000(double a, double b) {
  if (b == 0.0 || !std::isfinite(a / b)) return 0.0;
  const double f = std::abs(a / b);
  if (f > 900.0 && f < 1100.0) return f;
  if (f > 1.0 / 1100.0 && f < 1.0 / 900.0) return f;
  return 0.0;
}

bool roles_fit(std::string_view roles, std::string_view reads) {
  // Ignored reads beyond the names are columns left unnamed (a point number); names beyond the
  // reads are values the read skips.
  std::string read;
  for (char c : reads) {
    if (c != ',' && (c != '-' || reads.size() <= roles.size())) read += c;
  }
  if (read.size() > (roles.size() + 1) / 2) return false;
  for (size_t k = 0; k < read.size(); ++k) {
    if (roles[2 * k] != read[k] && read[k] != '-') return false;
  }
  return true;
}

void judge_roles(Report& report, const Place& heading, std::string_view roles,
                 std::string_view reads, std::string_view program, bool option) {
  if (roles.empty() || roles_fit(roles, reads)) return;
  if (roles.find('E') == std::string_view::npos || roles.find('I') == std::string_view::npos) {
    return;
  }
  std::string text = "the heading names the columns " + roles_in_words(roles) + ", and " +
                     std::string(program) + " reads " + roles_in_words(reads) +
                     ": the values are written in the wrong roles";
  text += option ? "; --columns " + std::string(roles) + " reads this export"
                 : "; export the columns " + roles_in_words(reads) + ", in this order";
  report.error(heading, text);
}

void judge_stated_count(Report& report, const Place& place, int64_t stated, int32_t found,
                        bool delt_from_count) {
  if (stated < 0 || stated == found) return;
  const std::string numbers = "this line states " + std::to_string(stated) +
                              " points, and the export holds " + std::to_string(found);
  if (delt_from_count) {
    report.error(place,
                 numbers + ": delt is derived from the " + std::to_string(found) +
                     " points found as if they were the whole sweep, so every time of the ZEP "
                     "file is wrong; export the whole sweep");
  } else {
    report.warning(place, numbers +
                              ": the time step is given, so the times are right, but the trace is "
                              "incomplete");
  }
}

void judge_time_resolution(Report& report, const Place& place, const EqualTimes& equal,
                           double delt) {
  if (equal.count == 0) return;
  report.warning(place,
                 "from this point on, " + std::to_string(equal.count) +
                     (equal.count == 1 ? " point prints" : " points print") +
                     " the same time as the point before it: the time field keeps six digits, "
                     "and delt is " +
                     number_text(delt) + " s");
}

}  // namespace convkit
