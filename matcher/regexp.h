// RegExp: the system's own small regular-expression engine for field-name
// patterns. Compile turns a pattern into a node program in two passes (size,
// then emit); Find runs a backtracking search for the leftmost match start.
// The work of one Find is bounded for texts of any length.
#ifndef ZRFORM_MATCHER_REGEXP_H_
#define ZRFORM_MATCHER_REGEXP_H_

#include <string>
#include <string_view>
#include <vector>

#include "matcher/regexp_program.h"

namespace zr {

class RegExp {
 public:
  RegExp() = default;

  // Compiles pattern (a byte string; a zero byte ends it), replacing the
  // program. Returns false on a syntax error; the object then holds no
  // program, so Find returns -1 until the next successful Compile.
  bool Compile(std::string_view pattern);

  // The zero-based index at which the leftmost match starts, or -1. Returns -1
  // when no program is compiled.
  int Find(std::string_view text) const;
  // Find on a C string; a null text gives -1.
  int Find(const char* text) const;

  bool compiled() const { return !program_.empty(); }

 private:
  std::vector<unsigned char> program_;  // node program; see matcher/regexp_format.md
  regexp::Hints hints_;  // compile-time search shortcuts (single top-level branch only)
};

}  // namespace zr

#endif  // ZRFORM_MATCHER_REGEXP_H_
