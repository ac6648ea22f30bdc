// The node program that RegExp compiles a pattern into, shared by the compiler
// and the two search engines (backtracker and simulation). The byte layout is
// described in matcher/regexp_format.md. Internal to the matcher and its tests.
#ifndef ZRFORM_MATCHER_REGEXP_PROGRAM_H_
#define ZRFORM_MATCHER_REGEXP_PROGRAM_H_

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace zr::regexp {

// Node kinds: the first byte of every node.
enum Kind : unsigned char {
  kEnd = 0,      // the program matched
  kBol = 1,      // "^": only at position 0 of the text
  kEol = 2,      // "$": only at the end of the text
  kAny = 3,      // ".": any one byte
  kAnyOf = 4,    // "[...]": one byte of the operand
  kAnyBut = 5,   // "[^...]": one byte not in the operand
  kBranch = 6,   // one alternative (the operand node); the link is the next alternative
  kBack = 7,     // loop-back: the link counts backwards
  kLiteral = 8,  // the operand bytes, in order
  kNothing = 9,  // matches the empty string
  kStar = 10,    // the simple operand node, zero or more times, greedy
  kPlus = 11,    // the simple operand node, one or more times, greedy
  kOpen = 20,    // kOpen + n (n = 1..9): start of group n
  kClose = 30,   // kClose + n (n = 1..9): end of group n
};

inline constexpr int kNodeHeader = 3;  // kind byte + two-byte link
inline constexpr std::size_t kMaxProgramSize = 32767;
inline constexpr int kMaxGroups = 9;

inline int KindAt(const unsigned char* code, int pc) { return code[pc]; }

// The node after pc, or -1 when its link is 0.
inline int NextNode(const unsigned char* code, int pc) {
  const int offset = (code[pc + 1] << 8) | code[pc + 2];
  if (offset == 0) return -1;
  return code[pc] == kBack ? pc - offset : pc + offset;
}

// The operand of pc: NUL-terminated bytes for literal and class nodes, the
// repeated node for star and plus, the alternative for a branch.
inline int OperandOf(int pc) { return pc + kNodeHeader; }

// Search shortcuts computed at compile time for a program with a single
// top-level branch. None of them changes a result.
struct Hints {
  int first_byte = -1;              // the branch starts with a literal: its first byte
  bool anchored = false;            // the branch starts with "^"
  std::string required;             // longest top-level literal (later one on ties)
  bool starts_with_repeat = false;  // the branch starts with a "*" or "+" piece
};

// Compiles pattern (cut at its first zero byte) into code, sized exactly, and
// fills hints. On a syntax error, or a program over kMaxProgramSize bytes,
// returns false and leaves code empty.
bool CompileProgram(std::string_view pattern, std::vector<unsigned char>& code, Hints& hints);

// A compiled program as the search engines read it.
struct ProgramView {
  const unsigned char* code = nullptr;
  std::size_t size = 0;
  int first_byte = -1;
  bool anchored = false;
  std::string_view required;
  bool starts_with_repeat = false;
};

// The view of code with its hints; both must outlive it.
inline ProgramView ViewOf(const std::vector<unsigned char>& code, const Hints& hints) {
  return {code.data(),    code.size(),    hints.first_byte,
          hints.anchored, hints.required, hints.starts_with_repeat};
}

// The backtracker's allowance for one search: base_steps + steps_per_byte *
// (text length + 1) steps, and max_depth nested choice points. When either
// runs out the search goes on with the simulation, which gives the same answer.
struct SearchLimits {
  long base_steps;
  long steps_per_byte;
  int max_depth;
};
inline constexpr SearchLimits kDefaultSearchLimits{20000, 16, 1000};

// Texts from this length on are checked for hints.required before any search,
// whatever the branch starts with: a cheap scan that can save a long search.
inline constexpr std::size_t kLongText = 256;

// The zero-based start of the leftmost match of program in text, or -1.
int SearchProgram(const ProgramView& program, std::string_view text, const SearchLimits& limits);

// The leftmost match start at or after from, by simulating all paths of the
// program at once: O(text length x program size) work. Used when the
// backtracker runs out of its allowance; exposed for tests.
int SimulateProgram(const ProgramView& program, std::string_view text, std::size_t from);

// True when the class node at pc lists byte c (a zero byte is never listed).
inline bool ClassHas(const unsigned char* code, int pc, unsigned char c) {
  const char* members = reinterpret_cast<const char*>(code + OperandOf(pc));
  return c != 0 && std::strchr(members, c) != nullptr;
}

// True when the simple node at pc (any, class or literal, whose first byte
// counts) accepts byte c.
inline bool AtomAccepts(const unsigned char* code, int pc, unsigned char c) {
  switch (code[pc]) {
    case kAny:
      return true;
    case kAnyOf:
      return ClassHas(code, pc, c);
    case kAnyBut:
      return !ClassHas(code, pc, c);
    case kLiteral:
      return code[OperandOf(pc)] == c;
    default:
      return false;
  }
}

}  // namespace zr::regexp

#endif  // ZRFORM_MATCHER_REGEXP_PROGRAM_H_
