// The ZEP trace file: 41 fixed header records describing the sweep and the AC signal, then one
// 43-character line per point.
#pragma once

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

/// The digit of record 33 ("Scans:").
inline constexpr int kZepScans = 1;

/// Writes header records 1 to 41 to unit n at its position.
void write_zep_header(int n, const ZepHeaderValues& values);

/// Writes one data line "(3(E13.6,2x))" of first, second, third to unit n.
void write_zep_point(int n, double first, double second, double third);

}  // namespace convkit
