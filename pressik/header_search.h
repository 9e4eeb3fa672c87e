// pressik's own header search, used by both of its passes and by its --check.
#pragma once

#include "common/zeprun/zep_run.h"

namespace convkit {

/// Reads records of unit 2 up to and including the first whose first item begins with
/// "number", into run.line, which is not set before the first read: a line whose first item
/// is null (it begins with a comma or a slash) leaves what the last read put there. Ends the
/// run when the export ends first.
void skip_header(ZepRun& run);

}  // namespace convkit
