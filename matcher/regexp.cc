// RegExp's public operations: compile into the node program with its search
// shortcuts, and search with the default limits.
#include "matcher/regexp.h"

#include "matcher/regexp_program.h"

namespace zr {

bool RegExp::Compile(std::string_view pattern) {
  hints_ = {};
  return regexp::CompileProgram(pattern, program_, hints_);
}

int RegExp::Find(std::string_view text) const {
  if (program_.empty()) return -1;
  return regexp::SearchProgram(regexp::ViewOf(program_, hints_), text,
                               regexp::kDefaultSearchLimits);
}

int RegExp::Find(const char* text) const {
  if (text == nullptr) return -1;
  return Find(std::string_view(text));
}

}  // namespace zr
