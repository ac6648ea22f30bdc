// RegExp's public operations: compile into the node program with its search
// shortcuts, and search with the default limits.
#include "matcher/regexp.h"

#include <utility>

#include "matcher/regexp_program.h"

namespace zr {

bool RegExp::Compile(std::string_view pattern) {
  regexp::Hints hints;
  const bool ok = regexp::CompileProgram(pattern, program_, hints);
  first_byte_ = hints.first_byte;
  anchored_ = hints.anchored;
  required_ = std::move(hints.required);
  starts_with_repeat_ = hints.starts_with_repeat;
  return ok;
}

int RegExp::Find(std::string_view text) const {
  if (program_.empty()) return -1;
  regexp::ProgramView view;
  view.code = program_.data();
  view.size = program_.size();
  view.first_byte = first_byte_;
  view.anchored = anchored_;
  view.required = required_;
  view.starts_with_repeat = starts_with_repeat_;
  return regexp::SearchProgram(view, text, regexp::kDefaultSearchLimits);
}

int RegExp::Find(const char* text) const {
  if (text == nullptr) return -1;
  return Find(std::string_view(text));
}

}  // namespace zr
