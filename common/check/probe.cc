#include "common/check/probe.h"

#include "common/recordio/unit.h"

namespace convkit {

void start_check() {
  watch_run_ends(true);
  open_units_for_reading_only();
  connect_standard_units();
}

std::string name_as_opened(const char* chars, int length) {
  size_t n = length > 0 ? static_cast<size_t>(length) : 0;
  return std::string(opened_name(std::string_view(chars, n)));
}

}  // namespace convkit
