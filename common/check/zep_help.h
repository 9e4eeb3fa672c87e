// The --help text of the two DigiElch-to-ZEP converters: the same control file and options, so
// one text, apart from the program's name, its control file and what it converts. It is joined
// at compile time: a text built while the program starts would allocate before main, where a
// tight memory limit ends the process without its report.
#pragma once

#include <array>
#include <cstddef>

namespace convkit {
namespace help_detail {

/// The characters of the literals parts, their terminating zeros left out, one after another.
template <size_t... N>
constexpr auto joined(const char (&... parts)[N]) {
  std::array<char, (N + ... + 0) - sizeof...(N)> text{};
  size_t at = 0;
  auto append = [&](const char* part, size_t length) {
    for (size_t i = 0; i < length; ++i) text[at++] = part[i];
  };
  (append(parts, N - 1), ...);
  return text;
}

}  // namespace help_detail

/// The --help text of name, which reads control; description is its second line ("Converts a
/// trace exported by ..."), without the line feed. Not zero-terminated: view it by its size.
template <size_t Name, size_t Control, size_t Description>
constexpr auto zep_help_text(const char (&name)[Name], const char (&control)[Control],
                             const char (&description)[Description]) {
  return help_detail::joined(
      "Usage: ", name, " [--check | --help | --version]\n", description,
      "\n"
      "\n"
      "Run it in the folder of the export. It reads ",
      control,
      " there: eight lines, CR LF ended,\n"
      "one value at the start of each:\n"
      "  1  the export to read              5  evertex, the vertex potential (V)\n"
      "  2  the ZEP file to write           6  eend, the end potential (V)\n"
      "  3  vscan, the scan rate (V/s)      7  amp, the AC amplitude (mV)\n"
      "  4  estart, the start potential (V) 8  nper, AC periods, a whole number\n"
      "then writes the ZEP file (created, or replaced) and runs unix2dos on it.\n"
      "\n"
      "  --check    read ",
      control,
      " and the export as the conversion does, change no file,\n"
      "             and report what it will do and what will go wrong (exit status 0: all\n"
      "             well, 1: warnings, 2: the conversion would fail)\n"
      "  --help     show this help\n"
      "  --version  show the version\n"
      "\n"
      "Without arguments: the conversion. Manual: man ",
      name, "; the ZEP file: man 5 zep.\n");
}

}  // namespace convkit
