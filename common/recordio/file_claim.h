// One writer a file: a run claims its control file and its output for as long as it lives, so
// that a second run meeting either of them stops before it changes a byte.
#pragma once

#include <string>
#include <string_view>

namespace convkit {

/// The open's refusal when another run holds the claim.
inline constexpr std::string_view kInUseMessage = "file is in use by another run";

/// Claims the regular file of unit n until the process ends, however it ends: exclusively when
/// the unit may write it, shared otherwise. The claim outlasts the unit's close and the commands
/// the run starts. Ends the run with "open", kInUseMessage naming unit n when another run holds
/// a claim in the way. Anything but a regular file, a file system without locks, and a check
/// (open_units_for_reading_only) pass.
void claim_unit_for_run(int n);

/// Whether a run holds a claim on the regular file name reaches that an exclusive claim would
/// meet. Opens it for reading only, takes no claim and changes nothing.
bool claimed_by_a_run(const std::string& name);

}  // namespace convkit
