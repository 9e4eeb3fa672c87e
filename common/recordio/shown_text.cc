#include "common/recordio/shown_text.h"

namespace convkit {

std::string shown(std::string_view text, size_t most) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string s = "'";
  for (char ch : text.substr(0, most)) {
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 32 && c < 127 && c != '\\') {
      s += ch;
    } else {
      s += "\\x";
      s += kHex[c >> 4];
      s += kHex[c & 15];
    }
  }
  if (text.size() > most) s += "...";
  s += '\'';
  return s;
}

}  // namespace convkit
