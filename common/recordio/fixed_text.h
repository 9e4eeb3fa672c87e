// Fixed-length texts: every text variable has a length fixed at creation and is blank-filled.
#pragma once

#include <initializer_list>
#include <span>
#include <string_view>

namespace convkit {

/// The length of the text buffers that control lines and export header items are read into.
inline constexpr int kLineLength = 72;

/// target (length target_length) receives source: cut, or filled with blanks. May overlap.
void text_assign(char* target, int target_length, const char* source, int source_length);

/// Blank-padded equality: the shorter text counts as filled with blanks.
bool text_equal(const char* a, int a_length, const char* b, int b_length);

/// The parts one after another into target, as many characters as fit, then blanks. A part may
/// overlap target.
void text_concat(char* target, int target_length, std::span<const std::string_view> parts);
inline void text_concat(char* target, int target_length,
                        std::initializer_list<std::string_view> parts) {
  text_concat(target, target_length,
              std::span<const std::string_view>(parts.begin(), parts.size()));
}

}  // namespace convkit
