// Formatted write statements. A format is parsed once into a flat list of descriptors; a
// statement walks that list, forming each field straight into the record being built (the
// unit's buffer, or the target text), so writing a data line allocates nothing.
#include "common/recordio/format_writer.h"

#include <cstring>

#include "common/recordio/detail/unit_bytes.h"
#include "common/recordio/field_forms.h"
#include "common/recordio/run_end.h"
#include "common/recordio/unit.h"

namespace convkit {

using namespace detail;
namespace {

bool has_data_descriptor(const Format& format, size_t from) {
  for (size_t i = from; i < format.descriptors.size(); ++i) {
    Descriptor::Kind k = format.descriptors[i].kind;
    if (k == Descriptor::A || k == Descriptor::I || k == Descriptor::E) return true;
  }
  return false;
}

size_t field_width(const Descriptor& d) { return d.width > 0 ? static_cast<size_t>(d.width) : 0; }

// The field of one data descriptor; an item it cannot form (a number under A, a text under I
// or E, a real under I) fills the field with asterisks, as a value too wide for it would.
char* form_item(char* out, const Descriptor& d, const WriteItem& item) {
  switch (d.kind) {
    case Descriptor::A:
      if (item.kind == WriteItem::text) return form_a(out, item.chars, item.length, d.width);
      break;
    case Descriptor::I:
      if (item.kind == WriteItem::integer) return form_i(out, item.i, d.width);
      break;
    case Descriptor::E:
      if (item.kind == WriteItem::real8 || item.kind == WriteItem::real4) {
        return form_e(out, item.d, d.width, d.digits);
      }
      if (item.kind == WriteItem::integer) {
        return form_e(out, static_cast<double>(item.i), d.width, d.digits);
      }
      break;
    default:
      return out;
  }
  std::memset(out, '*', field_width(d));
  return out + field_width(d);
}

// Records go to a unit: each field is formed in the unit's buffer behind the record so far.
class UnitSink {
 public:
  explicit UnitSink(Unit& u) : unit_(u) {}

  void field(size_t skip, const Descriptor& d, const WriteItem& item) {
    char* at = reserve_bytes(unit_, skip + field_width(d));
    std::memset(at, ' ', skip);
    extend_record(unit_, form_item(at + skip, d, item));
  }
  // Whether the statement may go on with another record.
  bool next_record() {
    end_record(unit_);
    return true;
  }
  void end() { end_record(unit_); }

 private:
  Unit& unit_;
};

// The record is the target text itself: what lies beyond it is dropped, what is not written is
// blank at the end. The target is one record, so a statement that would start another stops.
class TextSink {
 public:
  TextSink(char* target, size_t length) : target_(target), length_(length) {}

  void field(size_t skip, const Descriptor& d, const WriteItem& item) {
    blanks_to(column_ + skip);
    const size_t width = field_width(d);
    if (column_ < length_) {
      const size_t room = length_ - column_;
      if (width <= room) {
        form_item(target_ + column_, d, item);
      } else {
        // Only a field running past the end of the target is formed aside.
        scratch_.assign(width, ' ');
        form_item(scratch_.data(), d, item);
        std::memcpy(target_ + column_, scratch_.data(), room);
      }
    }
    column_ += width;
  }
  bool next_record() { return false; }
  void end() { blanks_to(length_); }

 private:
  void blanks_to(size_t column) {
    if (column_ < length_) {
      size_t stop = column < length_ ? column : length_;
      if (stop > column_) std::memset(target_ + column_, ' ', stop - column_);
    }
    column_ = column;
  }

  char* target_;
  size_t length_;
  size_t column_ = 0;
  std::string scratch_;
};

// One statement: the walk over the format, items taken in order.
template <class Sink>
void walk(const Format& format, std::span<const WriteItem> items, Sink& sink) {
  struct Level {
    size_t group;   // index of the group's descriptor
    int remaining;  // walks left, this one included
  };
  Level levels[kMaxNesting];
  int depth = 0;
  const std::vector<Descriptor>& list = format.descriptors;
  auto next = items.begin();
  size_t skip = 0;
  size_t at = 0;
  for (;;) {
    if (at >= list.size()) {
      // The final parenthesis. Items left over start the next record at the reversion point;
      // without a data descriptor from there on they never would be taken, so the statement
      // ends instead of walking for ever.
      if (next == items.end()) break;
      const size_t reversion = format.reversion < list.size() ? format.reversion : 0;
      if (!has_data_descriptor(format, reversion)) break;
      if (!sink.next_record()) return sink.end();
      skip = 0;
      depth = 0;
      at = reversion;
      continue;
    }
    const Descriptor& d = list[at];
    switch (d.kind) {
      case Descriptor::group:
        if (depth == kMaxNesting) break;
        levels[depth++] = {at, d.repeat};
        break;
      case Descriptor::group_end:
        if (depth > 0 && --levels[depth - 1].remaining > 0) {
          at = levels[depth - 1].group;
        } else if (depth > 0) {
          --depth;
        }
        break;
      case Descriptor::X:
        if (d.repeat > 0) skip += static_cast<size_t>(d.repeat);
        break;
      case Descriptor::A:
      case Descriptor::I:
      case Descriptor::E:
        if (next == items.end()) return sink.end();
        sink.field(skip, d, *next++);
        skip = 0;
        break;
    }
    ++at;
  }
  // The blanks of a skip after the last field are never written.
  sink.end();
}

}  // namespace

void write_formatted(int n, const Format& format, std::span<const WriteItem> items) {
  Unit& u = unit(n);
  begin_statement(n, format.text, /*writing=*/true);
  begin_writing(u, "write start");
  UnitSink sink(u);
  walk(format, items, sink);
  end_statement();
}

void write_internal(char* target, int target_length, const Format& format,
                    std::span<const WriteItem> items) {
  begin_internal_statement(format.text);
  TextSink sink(target, target_length > 0 ? static_cast<size_t>(target_length) : 0);
  walk(format, items, sink);
  end_statement();
}

}  // namespace convkit
