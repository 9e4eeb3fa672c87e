// vantor: a DigiElch export (releases before 7) into a ZEP trace file, as "vantor.inp" says.
#pragma once

namespace convkit {

/// The whole run in the working directory; ends by the silent stop or the failure path.
[[noreturn]] void run_vantor();

}  // namespace convkit
