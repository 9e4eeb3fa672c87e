#include "vantor/check_vantor.h"

#include "common/check/zep_check.h"

namespace convkit {

const ProgramText kVantorText = {
    "vantor",
    "Usage: vantor [--check | --help | --version]\n"
    "Converts a trace exported by DigiElch (releases before 7) into a ZEP trace file.\n"
    "\n"
    "Run it in the folder of the export. It reads vantor.inp there: eight lines, CR LF ended,\n"
    "one value at the start of each:\n"
    "  1  the export to read              5  evertex, the vertex potential (V)\n"
    "  2  the ZEP file to write           6  eend, the end potential (V)\n"
    "  3  vscan, the scan rate (V/s)      7  amp, the AC amplitude (mV)\n"
    "  4  estart, the start potential (V) 8  nper, AC periods, a whole number\n"
    "then writes the ZEP file (created, or replaced) and runs unix2dos on it.\n"
    "\n"
    "  --check    read vantor.inp and the export as the conversion does, change no file,\n"
    "             and report what it will do and what will go wrong (exit status 0: all\n"
    "             well, 1: warnings, 2: the conversion would fail)\n"
    "  --help     show this help\n"
    "  --version  show the version\n"
    "\n"
    "Without arguments: the conversion. Manual: man vantor; the ZEP file: man 5 zep.\n"};

int check_vantor() { return check_zep_program({"vantor", "vantor.inp", 3, false, true}); }

}  // namespace convkit
