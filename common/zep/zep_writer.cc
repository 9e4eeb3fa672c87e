// The ZEP header block and data lines. Readers of ZEP files take every field by column, so
// each record goes through one formatted write with a fixed format, and the labels and
// constants below are the file's own text, trailing blanks included.
#include "common/zep/zep_writer.h"

#include "common/recordio/format_writer.h"

namespace convkit {
namespace {

struct ZepFormats {
  Format text14 = parse_format("(A14)");
  Format text18 = parse_format("(A18)");
  Format labelled = parse_format("(A14,1X,D13.6)");
  Format scans = parse_format("(A6,2X,I1)");
  Format data = parse_format("(3(E13.6,2x))");
  Format digit = parse_format("(I1)");
};

// Parsed once, on first use.
const ZepFormats& formats() {
  static const ZepFormats parsed;
  return parsed;
}

constexpr int kLabelLength = 14;
constexpr int kHarmonics = 8;

// The array types hold every label and text to its length (and its terminating zero).
using Label = char[kLabelLength + 1];
using Text18 = char[18 + 1];

void labelled(int n, const Label& label, double value) {
  write_formatted(n, formats().labelled, {text_out(label, kLabelLength), real_out(value)});
}

void labelled4(int n, const Label& label, float value) {
  write_formatted(n, formats().labelled, {text_out(label, kLabelLength), real4_out(value)});
}

void text18(int n, const Text18& text) {
  write_formatted(n, formats().text18, {text_out(text, 18)});
}

}  // namespace

void write_zep_header(int n, const ZepHeaderValues& values) {
  const ZepFormats& f = formats();
  write_formatted(n, f.text14, {text_out("cvsin_type_2  ", kLabelLength)});
  labelled(n, "Start(mV):    ", 1000.0 * values.estart);
  labelled(n, "End(mV):      ", 1000.0 * values.eend);
  // Max is the vertex and Min the lower of start and vertex, whichever way the sweep runs:
  // that is what the readers of these files expect.
  labelled(n, "Max(mV):      ", 1000.0 * values.evertex);
  labelled(n, "Min(mV):      ",
           1000.0 * (values.evertex < values.estart ? values.evertex : values.estart));

  // Eight harmonics, each with its number put into its three labels; only the first carries
  // the AC signal.
  Label freq = "Freq0(Hz):    ";
  Label amp = "Amp0(mV):     ";
  Label phase = "Phase0(deg):  ";
  for (int k = 1; k <= kHarmonics; ++k) {
    write_internal(freq + 4, 1, f.digit, {int_out(k)});
    write_internal(amp + 3, 1, f.digit, {int_out(k)});
    write_internal(phase + 5, 1, f.digit, {int_out(k)});
    labelled(n, freq, k == 1 ? values.freq : 0.0);
    labelled(n, amp, k == 1 ? values.amp : 0.0);
    labelled(n, phase, 0.0);
  }

  text18(n, "Type(0-4):      4 ");
  labelled(n, "Rate(mV/s):   ", 1000.0 * values.vscan);
  text18(n, "Direction:      c ");
  write_formatted(n, f.scans, {text_out("Scans:", 6), int_out(kZepScans)});
  text18(n, "Average:        19");
  text18(n, "Gain(0-4):      1 ");
  labelled(n, "Initial(mV):  ", 1000.0 * values.estart);
  // The recording settings are single-precision constants.
  labelled4(n, "Initial(mS):  ", 10000.0f);
  labelled4(n, "Pre(mV):      ", 0.0f);
  labelled4(n, "Pre(ms):      ", 0.0f);
  labelled4(n, "Post(mV):     ", 0.0f);
  labelled4(n, "Post(ms):     ", 0.0f);
}

void write_zep_point(int n, double first, double second, double third) {
  write_formatted(n, formats().data, {real_out(first), real_out(second), real_out(third)});
}

}  // namespace convkit
