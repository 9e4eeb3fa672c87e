// The fixed-width line read.
#pragma once

namespace convkit {

/// One "(A72)" read on unit n: the first 72 bytes of the next line, blank-filled after its line
/// feed; the rest of the line is skipped. Ends the run on an end of file ("fmt").
void read_text_line(int n, char* target72);

}  // namespace convkit
