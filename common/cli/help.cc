// The --help texts. vantor and pressik share one text, apart from the name, the control file
// and what they convert; it is joined at compile time: a text built while the program starts
// would allocate before main, where a tight memory limit ends the process without its report.
#include "common/cli/help.h"

#include <array>
#include <cstddef>

namespace convkit {
namespace {

// The characters of the literals parts, their terminating zeros left out, one after another.
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

// The --help text of name, which reads control; description is its fourth line ("Converts a
// trace exported by ..."), without the line feed. Not zero-terminated: view it by its size.
template <size_t Name, size_t Control, size_t Description>
constexpr auto zep_help_text(const char (&name)[Name], const char (&control)[Control],
                             const char (&description)[Description]) {
  return joined(
      "Usage: ", name, " [--check] [--columns LIST] --vscan V --estart V --evertex V\n",
      "         --eend V --amp MV --nper N EXPORT OUTPUT\n",  //
      "  or:  ", name, " [--check] [--columns LIST]\n", description,
      "\n"
      "\n"
      "With EXPORT and OUTPUT it reads the export EXPORT and writes the ZEP file OUTPUT\n"
      "(created, or replaced) from these values, and reads no control file:\n"
      "  --vscan V    the scan rate (V/s)        --eend V   the end potential (V)\n"
      "  --estart V   the start potential (V)    --amp MV   the AC amplitude (mV)\n"
      "  --evertex V  the vertex potential (V)   --nper N   AC periods, a whole number\n"
      "Without them it reads ",
      control,
      " in the working directory: eight lines, CR LF ended,\n"
      "one value at the start of each:\n"
      "  1  the export to read              5  evertex, the vertex potential (V)\n"
      "  2  the ZEP file to write           6  eend, the end potential (V)\n"
      "  3  vscan, the scan rate (V/s)      7  amp, the AC amplitude (mV)\n"
      "  4  estart, the start potential (V) 8  nper, AC periods, a whole number\n"
      "Either way it writes the ZEP file, then runs unix2dos on it.\n"
      "\n"
      "  --columns LIST  the roles of a data line's values, comma-separated: E the\n"
      "                  potential, I the current, t the time, - ignored (default E,t,I;\n"
      "                  E,I for two-value exports, E,I,t for time last); either form\n"
      "  --check         read what the conversion reads, change no file, and report\n"
      "                  what it will do and what will go wrong (exit status 0: all\n"
      "                  well, 1: warnings, 2: the conversion would fail)\n"
      "  --help          show this help\n"
      "  --version       show the version\n"
      "\n"
      "Manual: man ",
      name, "; the ZEP file: man 5 zep.\n");
}

constexpr char kVantor[] = "vantor";
constexpr char kVantorControl[] = "vantor.inp";
constexpr auto kVantorHelp = zep_help_text(
    kVantor, kVantorControl,
    "Converts a trace exported by DigiElch (releases before 7) into a ZEP trace file.");

constexpr char kPressik[] = "pressik";
constexpr char kPressikControl[] = "pressik.inp";
constexpr auto kPressikHelp = zep_help_text(
    kPressik, kPressikControl, "Converts a trace exported by DigiElch 7 into a ZEP trace file.");

constexpr char kColbrandHelp[] =
    "Usage: colbrand [--check] --delt S [--header FILE] EXPORT OUTPUT\n"
    "  or:  colbrand [--check]\n"
    "Converts a trace exported by DigiSim into three columns (E, -I, t) behind the bytes of\n"
    "your own header file.\n"
    "\n"
    "With EXPORT and OUTPUT it reads the export EXPORT and writes OUTPUT (created, or\n"
    "replaced), and reads no control file:\n"
    "  --delt S       the time step between points (s)\n"
    "  --header FILE  the header file put in front of the point lines (default Header.txt)\n"
    "Without them it reads colbrand.inp in the working directory: three lines, CR LF\n"
    "ended:\n"
    "  1  the export to read (the whole line is the name)\n"
    "  2  the file to write (created, or replaced)\n"
    "  3  delt, the time step between points (s)\n"
    "and puts Header.txt from the same folder in front of the point lines.\n"
    "\n"
    "  --check    read what the conversion reads, change no file, and report what it\n"
    "             will do and what will go wrong (exit status 0: all well, 1: warnings,\n"
    "             2: the conversion would fail)\n"
    "  --help     show this help\n"
    "  --version  show the version\n"
    "\n"
    "Manual: man colbrand.\n";

}  // namespace

// Set before the process starts: nothing runs or allocates ahead of main.
constinit const ProgramText kVantorText = {
    kVantor, kVantorControl, {kVantorHelp.data(), kVantorHelp.size()}, Options::zep};
constinit const ProgramText kPressikText = {
    kPressik, kPressikControl, {kPressikHelp.data(), kPressikHelp.size()}, Options::zep};
constinit const ProgramText kColbrandText = {
    "colbrand", "colbrand.inp", {kColbrandHelp, sizeof kColbrandHelp - 1}, Options::colbrand};

}  // namespace convkit
