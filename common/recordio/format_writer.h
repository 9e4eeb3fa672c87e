// Formatted write statements: the items laid out in the fields of a parsed format, one or more
// records per statement.
//
// A data descriptor given an item it cannot form (a number under A, a text under I or E, a
// real under I) fills its field with asterisks; E forms an integer item as a real.
#pragma once

#include <initializer_list>
#include <span>

#include "common/recordio/format_parse.h"
#include "common/recordio/write_item.h"

namespace convkit {

/// One formatted write statement on unit n: whole records, each ended by a line feed.
void write_formatted(int n, const Format& format, std::span<const WriteItem> items);
inline void write_formatted(int n, const Format& format, std::initializer_list<WriteItem> items) {
  write_formatted(n, format, std::span<const WriteItem>(items.begin(), items.size()));
}

/// One formatted write statement into target (fixed length): its first record overwrites the
/// text, blank-filled; characters beyond its length are dropped.
void write_internal(char* target, int target_length, const Format& format,
                    std::span<const WriteItem> items);
inline void write_internal(char* target, int target_length, const Format& format,
                           std::initializer_list<WriteItem> items) {
  write_internal(target, target_length, format,
                 std::span<const WriteItem>(items.begin(), items.size()));
}

}  // namespace convkit
