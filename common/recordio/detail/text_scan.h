// The scanner of a text item. For the record layer's own statements only.
#pragma once

#include "common/recordio/detail/list_read.h"

namespace convkit::detail {

/// The scan of a text item, a repeat count included, into g_text; false when the file ends
/// inside a quoted text.
bool scan_text(ListRead& r);

}  // namespace convkit::detail
