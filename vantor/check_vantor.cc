#include "vantor/check_vantor.h"

#include "common/check/zep_check.h"
#include "common/check/zep_help.h"

namespace convkit {
namespace {

constexpr char kName[] = "vantor";
constexpr char kControl[] = "vantor.inp";
constexpr auto kHelp = zep_help_text(
    kName, kControl,
    "Converts a trace exported by DigiElch (releases before 7) into a ZEP trace file.");

}  // namespace

// Set before the process starts: nothing runs or allocates ahead of main.
constinit const ProgramText kVantorText = {kName, {kHelp.data(), kHelp.size()}};

int check_vantor() { return check_zep_program({kName, kControl, 3, false, true}); }

}  // namespace convkit
