// What an export says about itself, set against what the conversion will write: the roles its
// heading names, the times the ZEP field cannot tell apart.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/check/report.h"

namespace convkit {

/// The roles a heading names for its columns, in order, comma-separated ("E,t,I"): E for E,
/// E/V, Potential/V, E (V); I for I, I/A, Current/A; t for t, t/s, Time/s, time; any case. Empty
/// when it names fewer than two, or one twice. seconds: the seconds in the time column's unit
/// (t/ms: 0.001), or 0 where it is not known (a bare t).
std::string heading_roles(std::string_view heading, double* seconds = nullptr);

/// Consecutive points whose times (i - 1) * delt print alike in the ZEP time field.
struct EqualTimes {
  int32_t first = 0;  // the second point of the first such pair, or 0
  int64_t count = 0;  // points that print like the point before them
};

/// Counts them over points 1 to points.
EqualTimes equal_times(int32_t points, double delt);

/// The factor a / b when it lies near 1000 or 1/1000 (within 10 %), else 0.
double factor_near_1000(double a, double b);

/// Whether the roles a heading names are those a program reads ("E,t,I"; a "-" there reads any).
bool roles_fit(std::string_view roles, std::string_view reads);

/// The finding on a heading whose roles (heading_roles) differ from those the program reads
/// (reads, such as "E,t,I"): an error at the heading; option names the option that reads the
/// export in its roles, or is empty where there is none.
void judge_roles(Report& report, const Place& heading, std::string_view roles,
                 std::string_view reads, std::string_view program, bool option);

/// The finding on a count the export states (stated, at place) that differs from the points
/// found: severity error where delt is derived from the count, else warning.
void judge_stated_count(Report& report, const Place& place, int64_t stated, int32_t found,
                        bool delt_from_count);

/// The finding on points whose ZEP times print alike, at the first such point's line.
void judge_time_resolution(Report& report, const Place& place, const EqualTimes& equal,
                           double delt);

}  // namespace convkit
