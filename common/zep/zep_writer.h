// The ZEP trace file: 41 fixed header records describing the sweep and the AC signal, then one
// 43-character line per point.
#pragma once

#include <array>

namespace convkit {

/// The values a header block is written from.
struct ZepHeaderValues {
  double estart;   // V, start potential
  double evertex;  // V, vertex potential
  double eend;     // V, end potential
  double vscan;    // V/s, scan rate
  double amp;      // mV, AC amplitude (written unscaled)
  double freq;     // Hz, AC frequency
};

/// The number of AC signals (harmonic slots) a header describes.
inline constexpr int kZepHarmonics = 8;

/// The digit of record 33 ("Scans:").
inline constexpr int kZepScans = 1;

/// The value of every header record, as the file holds it (potentials and rate in mV).
struct ZepRecords {
  double start_mv = 0.0;
  double end_mv = 0.0;
  double max_mv = 0.0;  // the vertex
  double min_mv = 0.0;
  std::array<double, kZepHarmonics> freq_hz{};
  std::array<double, kZepHarmonics> amp_mv{};
  std::array<double, kZepHarmonics> phase_deg{};
  int type = 4;  // one digit
  double rate_mv_s = 0.0;
  char direction = 'c';
  int scans = kZepScans;  // one digit
  int average = 19;       // two digits
  int gain = 1;           // one digit
  double initial_mv = 0.0;
  double initial_ms = 10000.0;
  double pre_mv = 0.0;
  double pre_ms = 0.0;
  double post_mv = 0.0;
  double post_ms = 0.0;
};

/// The records the programs write for values: potentials and rate times 1000, Max the vertex,
/// Min the lower of start and vertex, the AC signal in the first slot.
ZepRecords zep_records(const ZepHeaderValues& values);

/// Writes header records 1 to 41 to unit n at its position.
void write_zep_header(int n, const ZepHeaderValues& values);

/// Writes header records 1 to 41 of records to unit n at its position.
void write_zep_records(int n, const ZepRecords& records);

/// Writes one data line "(3(E13.6,2x))" of first, second, third to unit n.
void write_zep_point(int n, double first, double second, double third);

}  // namespace convkit
