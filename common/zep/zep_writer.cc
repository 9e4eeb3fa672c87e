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
  // The records of one short value: the label blank-filled to 16 characters, then the value.
  Format digit_record = parse_format("(A16,I1,A1)");
  Format letter_record = parse_format("(A16,A1,A1)");
  Format two_digit_record = parse_format("(A16,I2)");
};

// Parsed once, on first use.
const ZepFormats& formats() {
  static const ZepFormats parsed;
  return parsed;
}

constexpr int kLabelLength = 14;

// The array types hold every label and text to its length (and its terminating zero).
using Label = char[kLabelLength + 1];
constexpr int kText18 = 18;

void labelled(int n, const Label& label, double value) {
  write_formatted(n, formats().labelled, {text_out(label, kLabelLength), real_out(value)});
}

// Records 30, 32, 34 and 35: an 18-character text made from the label and its short value, as
// one (A18) record.
void text18(int n, const Format& form, std::initializer_list<WriteItem> items) {
  char text[kText18];
  write_internal(text, kText18, form, items);
  write_formatted(n, formats().text18, {text_out(text, kText18)});
}

}  // namespace

ZepRecords zep_records(const ZepHeaderValues& values) {
  ZepRecords r;
  r.start_mv = 1000.0 * values.estart;
  r.end_mv = 1000.0 * values.eend;
  // Max is the vertex and Min the lower of start and vertex, whichever way the sweep runs:
  // that is what the readers of these files expect.
  r.max_mv = 1000.0 * values.evertex;
  r.min_mv = 1000.0 * (values.evertex < values.estart ? values.evertex : values.estart);
  r.freq_hz[0] = values.freq;
  r.amp_mv[0] = values.amp;
  r.rate_mv_s = 1000.0 * values.vscan;
  r.initial_mv = 1000.0 * values.estart;
  // The recording settings are single-precision constants.
  r.initial_ms = 10000.0f;
  return r;
}

void write_zep_header(int n, const ZepHeaderValues& values) {
  write_zep_records(n, zep_records(values));
}

void write_zep_records(int n, const ZepRecords& r) {
  const ZepFormats& f = formats();
  write_formatted(n, f.text14, {text_out("cvsin_type_2  ", kLabelLength)});
  labelled(n, "Start(mV):    ", r.start_mv);
  labelled(n, "End(mV):      ", r.end_mv);
  labelled(n, "Max(mV):      ", r.max_mv);
  labelled(n, "Min(mV):      ", r.min_mv);

  // Eight harmonics, each with its number put into its three labels.
  Label freq = "Freq0(Hz):    ";
  Label amp = "Amp0(mV):     ";
  Label phase = "Phase0(deg):  ";
  for (int k = 1; k <= kZepHarmonics; ++k) {
    write_internal(freq + 4, 1, f.digit, {int_out(k)});
    write_internal(amp + 3, 1, f.digit, {int_out(k)});
    write_internal(phase + 5, 1, f.digit, {int_out(k)});
    const auto slot = static_cast<size_t>(k - 1);
    labelled(n, freq, r.freq_hz[slot]);
    labelled(n, amp, r.amp_mv[slot]);
    labelled(n, phase, r.phase_deg[slot]);
  }

  const char direction[1] = {r.direction};
  text18(n, f.digit_record, {text_out("Type(0-4):      "), int_out(r.type), text_out(" ")});
  labelled(n, "Rate(mV/s):   ", r.rate_mv_s);
  text18(n, f.letter_record, {text_out("Direction:      "), text_out(direction, 1), text_out(" ")});
  write_formatted(n, f.scans, {text_out("Scans:", 6), int_out(r.scans)});
  text18(n, f.two_digit_record, {text_out("Average:        "), int_out(r.average)});
  text18(n, f.digit_record, {text_out("Gain(0-4):      "), int_out(r.gain), text_out(" ")});
  labelled(n, "Initial(mV):  ", r.initial_mv);
  labelled(n, "Initial(mS):  ", r.initial_ms);
  labelled(n, "Pre(mV):      ", r.pre_mv);
  labelled(n, "Pre(ms):      ", r.pre_ms);
  labelled(n, "Post(mV):     ", r.post_mv);
  labelled(n, "Post(ms):     ", r.post_ms);
}

void write_zep_point(int n, double first, double second, double third) {
  write_formatted(n, formats().data, {real_out(first), real_out(second), real_out(third)});
}

}  // namespace convkit
