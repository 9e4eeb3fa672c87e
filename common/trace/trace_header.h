// The header of a trace file as a typed value, with units in the names, and every record as it
// stands in the file.
//
// Two layouts share the family's records, each a label ending in ':' and a value after blanks
// or a TAB. cvsin_type_2 (ZEP files and the simulators' own output) has 41 records: the name,
// Start/End/Max/Min in mV, Freq1-Freq8 (Hz), Amp1-Amp8 (mV) and Phase1-Phase8 (deg) for up to
// eight applied sine signals, then Type, Rate (mV/s), Direction, Scans, Average, Gain and the
// recording settings Initial(mV), Initial(mS), Pre(mV), Pre(ms), Post(mV), Post(ms).
// cvsin_type_1 (experimental files) has 19: one sine signal, Freq(Hz) and Amp(mV) (also taken
// as Freq1(Hz), Amp1(mV)), no phases.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "common/zep/zep_writer.h"

namespace convkit {

enum class Layout { cvsin_type_1, cvsin_type_2 };
enum class LineEnd { lf, cr_lf };

/// One header record as the file holds it.
struct HeaderRecord {
  std::string label;         // "Start(mV):"; for record 1 the layout's name
  std::string value_text;    // "-0.200000E+03"; empty for record 1
  int64_t line = 0;          // from 1
  int64_t value_column = 0;  // where value_text starts, from 1; 0 for record 1
};

struct TraceHeader {
  Layout layout = Layout::cvsin_type_2;
  LineEnd line_end = LineEnd::cr_lf;  // the line ends of the file read, and of a write
  double start_mv = 0.0;
  double end_mv = 0.0;
  double max_mv = 0.0;  // the vertex, where the sweep turns (not always the larger value)
  double min_mv = 0.0;
  double rate_mv_s = 0.0;
  std::array<double, kZepHarmonics> freq_hz{};
  std::array<double, kZepHarmonics> amp_mv{};
  std::array<double, kZepHarmonics> phase_deg{};
  int n_ac = 0;  // the AC slots with a non-zero amplitude
  // The remaining records by their labels without the colon ("Type(0-4)" -> "4").
  std::map<std::string, std::string> other;
  std::vector<HeaderRecord> records;  // every record in file order, record 1 first
};

/// The layout's name as record 1 holds it: "cvsin_type_1", "cvsin_type_2".
std::string_view layout_name(Layout layout);

/// How many records a layout's header has: 19 or 41.
int header_record_count(Layout layout);

/// What a label's value must be.
enum class ValueKind {
  number,  // a number in any form of the family (the typed fields and the settings in mV, ms)
  whole,   // digits only (Type, Scans, Average, Gain)
  text,    // any one item (Direction, and labels the layouts do not name)
};
ValueKind value_kind(std::string_view label);

/// Whether text is a whole value: 1 to 9 digits.
bool is_whole_text(std::string_view text);

/// The labels whose records a layout's header must hold, for its typed fields.
std::vector<std::string_view> required_labels(Layout layout);

/// The record of header with label, or nullptr.
const HeaderRecord* find_record(const TraceHeader& header, std::string_view label);

/// Puts a record's value (already of its kind; number is its value when it is a number) into
/// header: a typed field, or header.other. n_ac follows the amplitudes.
void set_header_value(TraceHeader& header, std::string_view label, std::string_view text,
                      double number);

/// The ZEP records a write makes of header: the typed fields, and the settings from
/// header.other where it holds them (else what the programs write). Throws
/// std::invalid_argument for a setting its field cannot hold (Type 12, Direction "up").
ZepRecords zep_records(const TraceHeader& header);

}  // namespace convkit
