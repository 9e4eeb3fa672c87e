// Fixed-length texts. A text is always its full length: what its content does not fill is
// blanks, and two texts that differ only in trailing blanks are equal.
#include "common/recordio/fixed_text.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace convkit {
namespace {

// Whether [a, a + a_length) and [b, b + b_length) share a byte. Through std::less, which
// orders any two pointers, because a part may point into an unrelated object.
bool overlaps(const char* a, size_t a_length, const char* b, size_t b_length) {
  if (a_length == 0 || b_length == 0) return false;
  std::less<const char*> before;
  return before(a, b + b_length) && before(b, a + a_length);
}

// The parts one after another into out, then blanks up to length.
void fill_parts(char* out, size_t length, std::span<const std::string_view> parts) {
  size_t at = 0;
  for (std::string_view part : parts) {
    if (at == length) break;
    size_t n = part.size() < length - at ? part.size() : length - at;
    if (n > 0) std::memcpy(out + at, part.data(), n);
    at += n;
  }
  std::memset(out + at, ' ', length - at);
}

}  // namespace

void text_assign(char* target, int target_length, const char* source, int source_length) {
  if (target_length <= 0) return;
  size_t la = static_cast<size_t>(target_length);
  size_t lb = source_length > 0 ? static_cast<size_t>(source_length) : 0;
  if (la <= lb) {
    std::memmove(target, source, la);
  } else {
    if (lb > 0) std::memmove(target, source, lb);
    std::memset(target + lb, ' ', la - lb);
  }
}

bool text_equal(const char* a, int a_length, const char* b, int b_length) {
  size_t la = a_length > 0 ? static_cast<size_t>(a_length) : 0;
  size_t lb = b_length > 0 ? static_cast<size_t>(b_length) : 0;
  // memcmp compares bytes as unsigned char, as the ordering of texts requires.
  size_t common = la < lb ? la : lb;
  if (common > 0 && std::memcmp(a, b, common) != 0) return false;
  const char* rest = la > lb ? a + common : b + common;
  size_t rest_length = (la > lb ? la : lb) - common;
  for (size_t i = 0; i < rest_length; ++i) {
    if (rest[i] != ' ') return false;
  }
  return true;
}

void text_concat(char* target, int target_length, std::span<const std::string_view> parts) {
  if (target_length <= 0) return;
  size_t length = static_cast<size_t>(target_length);
  bool shared = false;
  for (std::string_view part : parts) {
    if (overlaps(target, length, part.data(), part.size())) shared = true;
  }
  if (!shared) {
    fill_parts(target, length, parts);
    return;
  }
  // A part that is also the target would be overwritten before it is read.
  char* copy = static_cast<char*>(std::malloc(length));
  if (copy == nullptr) {
    std::fprintf(stderr, "malloc(%u) failure in %s\n", static_cast<unsigned>(length),
                 "text_concat");
    std::exit(3);
  }
  fill_parts(copy, length, parts);
  std::memcpy(target, copy, length);
  std::free(copy);
}

}  // namespace convkit
