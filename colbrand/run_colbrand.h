// colbrand: a DigiSim export into three columns behind the bytes of "Header.txt", as
// "colbrand.inp" says.
#pragma once

namespace convkit {

/// The whole run in the working directory; ends by the silent stop or the failure path.
[[noreturn]] void run_colbrand();

}  // namespace convkit
