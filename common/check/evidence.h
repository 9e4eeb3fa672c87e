// What an export says about itself, set against what the conversion will write: the roles its
// heading names, the times the ZEP field cannot tell apart.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/check/report.h"

namespace convkit {

/// The roles a heading names, in order ("E,t,I" from E/V, t (s), Current/A...), or "" for fewer
/// than two or one twice; seconds: in the time's unit (t/ms: 0.001), 0 unknown (a bare t);
/// scaled: a potential's or current's name whose unit is not V or A ("E/mV").
std::string heading_roles(std::string_view heading, double* seconds = nullptr,
                          std::string* scaled = nullptr);

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

/// An error at the heading whose roles differ from the reads ("E,t,I"), with --columns if option.
void judge_roles(Report& report, const Place& heading, std::string_view roles,
                 std::string_view reads, std::string_view program, bool option);

/// A stated count (at place) unlike the points found: an error where delt is derived from it.
void judge_stated_count(Report& report, const Place& place, int64_t stated, int32_t found,
                        bool delt_from_count);

/// The finding on points whose ZEP times print alike, at the first such point's line.
void judge_time_resolution(Report& report, const Place& place, const EqualTimes& equal,
                           double delt);

}  // namespace convkit
