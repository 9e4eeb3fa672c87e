// The format parser: one pass over the text, into the flat descriptor list the writer walks.
#include "common/recordio/format_parse.h"

#include <stdexcept>
#include <string>

namespace convkit {
namespace {

// Formats are the programs' constants, and a count beyond a million is a slip. The bound also
// keeps small the one field that is ever formed aside: a field running past the end of a text.
constexpr int kMaxCount = 1000000;

[[noreturn]] void malformed(std::string_view text, const char* what) {
  throw std::invalid_argument("malformed format \"" + std::string(text) + "\": " + what);
}

class FormatParser {
 public:
  explicit FormatParser(std::string_view text) : text_(text) {}

  // The next character that is not a blank, or '\0' at the end; not taken.
  char peek() {
    while (at_ < text_.size() && text_[at_] == ' ') ++at_;
    return at_ < text_.size() ? text_[at_] : '\0';
  }

  char take() {
    char c = peek();
    if (at_ < text_.size()) ++at_;
    return c;
  }

  // A positive count; blanks between its digits are ignored like blanks anywhere else.
  int count() {
    if (!is_digit(peek())) fail("a count is missing");
    int value = 0;
    while (is_digit(peek())) {
      value = value * 10 + (text_[at_++] - '0');
      if (value > kMaxCount) fail("a count is above 1000000");
    }
    if (value == 0) fail("a count is zero");
    return value;
  }

  [[noreturn]] void fail(const char* what) const { malformed(text_, what); }

  static bool is_digit(char c) { return c >= '0' && c <= '9'; }

 private:
  std::string_view text_;
  size_t at_ = 0;
};

// A group without a data descriptor only adds blanks to the pending skip, whatever its repeat
// count; it becomes one skip, so that nested repeat counts cannot make a statement walk for
// ages. Its descriptors (already folded to skips) start at start.
void fold_group(const FormatParser& p, std::vector<Descriptor>& list, size_t start) {
  long long blanks = 0;
  for (size_t i = start + 1; i < list.size(); ++i) blanks += list[i].repeat;
  blanks *= list[start].repeat;
  if (blanks > kMaxCount) p.fail("a group skips more than 1000000 columns");
  list.resize(start);
  list.push_back({Descriptor::X, static_cast<int>(blanks)});
}

}  // namespace

Format parse_format(std::string_view text) {
  Format format;
  format.text = std::string(text);
  std::vector<Descriptor>& list = format.descriptors;
  FormatParser p(text);
  struct Open {
    size_t start;   // index of the group's descriptor
    bool has_data;  // a data descriptor stands somewhere inside
  };
  Open open[kMaxNesting];
  int depth = 0;  // groups open inside the outer parentheses
  auto mark_data = [&] {
    if (depth > 0) open[depth - 1].has_data = true;
  };

  if (p.take() != '(') p.fail("it does not start with '('");
  for (;;) {
    // One item.
    const bool counted = FormatParser::is_digit(p.peek());
    const int count = counted ? p.count() : 1;
    const char letter = p.take();
    switch (letter) {
      case '(':
        if (depth == kMaxNesting) p.fail("groups are nested too deeply");
        open[depth++] = {list.size(), false};
        list.push_back({Descriptor::group, count});
        continue;  // the group's first item follows at once
      case 'X':
      case 'x':
        if (!counted) p.fail("X needs a count");
        list.push_back({Descriptor::X, count});
        break;
      case 'A':
      case 'a':
      case 'I':
      case 'i': {
        if (counted) p.fail("a data descriptor has a repeat count");
        const Descriptor::Kind kind =
            letter == 'A' || letter == 'a' ? Descriptor::A : Descriptor::I;
        list.push_back({kind, 1, p.count()});
        mark_data();
        break;
      }
      case 'E':
      case 'e':
      case 'D':
      case 'd': {
        if (counted) p.fail("a data descriptor has a repeat count");
        const int width = p.count();
        if (p.take() != '.') p.fail("E or D needs '.' and a digit count");
        list.push_back({Descriptor::E, 1, width, p.count()});
        mark_data();
        break;
      }
      default:
        p.fail("an unknown descriptor");
    }
    // After an item: a comma and the next item, or closing parentheses.
    for (;;) {
      const char c = p.take();
      if (c == ',') break;
      if (c != ')') p.fail("',' or ')' expected");
      if (depth == 0) {
        if (p.peek() != '\0') p.fail("text after the final ')'");
        return format;
      }
      const Open group = open[--depth];
      if (group.has_data) {
        list.push_back({Descriptor::group_end});
        mark_data();
      } else {
        fold_group(p, list, group.start);
      }
      if (depth == 0) format.reversion = group.start;
    }
  }
}

}  // namespace convkit
