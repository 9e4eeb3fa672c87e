// pressik: a DigiElch 7 export into a ZEP trace file, as "pressik.inp" says.
#pragma once

namespace convkit {

/// The whole run in the working directory; ends by the silent stop or the failure path.
[[noreturn]] void run_pressik();

}  // namespace convkit
