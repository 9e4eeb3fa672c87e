#include "common/trace/trace_header.h"

#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "common/trace/number_text.h"

namespace convkit {
namespace {

constexpr std::string_view kWholeLabels[] = {"Type(0-4):", "Scans:", "Average:", "Gain(0-4):"};
constexpr std::string_view kNumberSettings[] = {
    "Initial(mV):", "Initial(mS):", "Pre(mV):", "Pre(ms):", "Post(mV):", "Post(ms):"};

// The slot (0 to 7) of "Freq3(Hz):"-like labels, or -1: prefix, one digit 1-8, suffix.
int slot_of(std::string_view label, std::string_view prefix, std::string_view suffix) {
  if (label.size() != prefix.size() + 1 + suffix.size()) return -1;
  if (label.substr(0, prefix.size()) != prefix || label.substr(prefix.size() + 1) != suffix) {
    return -1;
  }
  const char digit = label[prefix.size()];
  return digit >= '1' && digit <= '8' ? digit - '1' : -1;
}

double other_number(const TraceHeader& h, std::string_view key, double otherwise) {
  auto it = h.other.find(std::string(key));
  if (it == h.other.end()) return otherwise;
  const NumberScan scan = scan_number(it->second);
  return is_number(scan.outcome) ? scan.value : otherwise;
}

// A whole-number setting of at most max; what the programs write when header has none.
int other_whole(const TraceHeader& h, std::string_view key, int max, int otherwise) {
  auto it = h.other.find(std::string(key));
  if (it == h.other.end()) return otherwise;
  const std::string& text = it->second;
  const int value = is_whole_text(text) ? std::atoi(text.c_str()) : -1;
  if (value < 0 || value > max) {
    throw std::invalid_argument(std::string(key) + " '" + text + "' does not fit its field (0 to " +
                                std::to_string(max) + ")");
  }
  return value;
}

}  // namespace

std::string_view layout_name(Layout layout) {
  return layout == Layout::cvsin_type_1 ? "cvsin_type_1" : "cvsin_type_2";
}

int header_record_count(Layout layout) { return layout == Layout::cvsin_type_1 ? 19 : 41; }

ValueKind value_kind(std::string_view label) {
  for (std::string_view w : kWholeLabels) {
    if (label == w) return ValueKind::whole;
  }
  for (std::string_view s : kNumberSettings) {
    if (label == s) return ValueKind::number;
  }
  if (label == "Start(mV):" || label == "End(mV):" || label == "Max(mV):" || label == "Min(mV):" ||
      label == "Rate(mV/s):" || label == "Freq(Hz):" || label == "Amp(mV):" ||
      slot_of(label, "Freq", "(Hz):") >= 0 || slot_of(label, "Amp", "(mV):") >= 0 ||
      slot_of(label, "Phase", "(deg):") >= 0) {
    return ValueKind::number;
  }
  return ValueKind::text;
}

bool is_whole_text(std::string_view text) {
  bool digits = !text.empty() && text.size() <= 9;
  for (char c : text) digits = digits && c >= '0' && c <= '9';
  return digits;
}

std::vector<std::string_view> required_labels(Layout layout) {
  std::vector<std::string_view> labels = {
      "Start(mV):", "End(mV):", "Max(mV):", "Min(mV):", "Rate(mV/s):"};
  if (layout == Layout::cvsin_type_2) {
    labels.insert(labels.end(), {"Freq1(Hz):", "Amp1(mV):"});
  } else {
    labels.insert(labels.end(), {"Freq(Hz):", "Amp(mV):"});
  }
  return labels;
}

const HeaderRecord* find_record(const TraceHeader& header, std::string_view label) {
  for (const HeaderRecord& r : header.records) {
    if (r.label == label) return &r;
  }
  return nullptr;
}

void set_header_value(TraceHeader& h, std::string_view label, std::string_view text,
                      double number) {
  if (label == "Start(mV):") {
    h.start_mv = number;
  } else if (label == "End(mV):") {
    h.end_mv = number;
  } else if (label == "Max(mV):") {
    h.max_mv = number;
  } else if (label == "Min(mV):") {
    h.min_mv = number;
  } else if (label == "Rate(mV/s):") {
    h.rate_mv_s = number;
  } else if (label == "Freq(Hz):") {
    h.freq_hz[0] = number;
  } else if (label == "Amp(mV):") {
    h.amp_mv[0] = number;
  } else if (int s = slot_of(label, "Freq", "(Hz):"); s >= 0) {
    h.freq_hz[static_cast<size_t>(s)] = number;
  } else if (int a = slot_of(label, "Amp", "(mV):"); a >= 0) {
    h.amp_mv[static_cast<size_t>(a)] = number;
  } else if (int p = slot_of(label, "Phase", "(deg):"); p >= 0) {
    h.phase_deg[static_cast<size_t>(p)] = number;
  } else {
    std::string key(label);
    if (!key.empty() && key.back() == ':') key.pop_back();
    h.other[key] = std::string(text);
    return;
  }
  h.n_ac = 0;
  for (double a : h.amp_mv) h.n_ac += a != 0.0 ? 1 : 0;
}

ZepRecords zep_records(const TraceHeader& h) {
  ZepRecords r;
  r.start_mv = h.start_mv;
  r.end_mv = h.end_mv;
  r.max_mv = h.max_mv;
  r.min_mv = h.min_mv;
  r.freq_hz = h.freq_hz;
  r.amp_mv = h.amp_mv;
  r.phase_deg = h.phase_deg;
  r.rate_mv_s = h.rate_mv_s;
  r.type = other_whole(h, "Type(0-4)", 9, r.type);
  auto direction = h.other.find("Direction");
  if (direction != h.other.end()) {
    if (direction->second.size() != 1) {
      throw std::invalid_argument("Direction '" + direction->second + "' is not one character");
    }
    r.direction = direction->second[0];
  }
  r.scans = other_whole(h, "Scans", 9, r.scans);
  r.average = other_whole(h, "Average", 99, r.average);
  r.gain = other_whole(h, "Gain(0-4)", 9, r.gain);
  r.initial_mv = other_number(h, "Initial(mV)", h.start_mv);
  r.initial_ms = other_number(h, "Initial(mS)", r.initial_ms);
  r.pre_mv = other_number(h, "Pre(mV)", r.pre_mv);
  r.pre_ms = other_number(h, "Pre(ms)", r.pre_ms);
  r.post_mv = other_number(h, "Post(mV)", r.post_mv);
  r.post_ms = other_number(h, "Post(ms)", r.post_ms);
  return r;
}

}  // namespace convkit
