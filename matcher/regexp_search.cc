// Search for the leftmost match: the compile-time shortcuts, then a
// backtracking matcher over the start positions. The backtracker has a step
// and depth allowance; when it runs out, the simulation finishes the search.
#include <algorithm>
#include <climits>
#include <cstring>

#include "matcher/regexp_program.h"

namespace zr::regexp {
namespace {

enum class Outcome { kMatch, kNoMatch, kExhausted };

// Facts about one star or plus node that hold for the rest of a search. What
// follows a node depends only on the node and the position, never on the path
// that led there, so these facts let later tries skip work already done; they
// keep patterns like "e.*mail" linear on long texts.
struct RepeatMemo {
  int pc;
  bool has_run;
  std::size_t run_from;  // the operand accepts every byte in [run_from, run_end)
  std::size_t run_end;   // and not the byte at run_end (or the text ends there)
  bool has_failure;
  std::size_t fail_from;  // what follows the node fails at every position
  std::size_t fail_to;    // in [fail_from, fail_to]
};

// Memos for the last few star and plus nodes used.
class RepeatMemos {
 public:
  // The memo of pc, new and empty when pc has none.
  RepeatMemo& For(int pc) {
    for (std::size_t i = 0; i < used_; ++i) {
      if (slots_[i].pc == pc) return slots_[i];
    }
    RepeatMemo& slot = used_ < kSlots ? slots_[used_++] : slots_[next_evict_++ % kSlots];
    slot = RepeatMemo{pc, false, 0, 0, false, 0, 0};
    return slot;
  }

 private:
  static constexpr std::size_t kSlots = 8;
  RepeatMemo slots_[kSlots];  // the first used_ are set
  std::size_t used_ = 0;
  std::size_t next_evict_ = 0;
};

class Backtracker {
 public:
  Backtracker(const unsigned char* code, std::string_view text, long steps, int max_depth)
      : code_(code), text_(text), steps_left_(steps), max_depth_(max_depth) {}

  // Runs the program at start. Every path is tried before kNoMatch.
  Outcome TryAt(std::size_t start) {
    if (Match(0, start, 0)) return Outcome::kMatch;
    return exhausted_ ? Outcome::kExhausted : Outcome::kNoMatch;
  }

 private:
  // True when the program from node pc matches the text from pos to an end node.
  bool Match(int pc, std::size_t pos, int depth);
  // Matches node pc, a star or plus, at pos.
  bool Repeat(int pc, std::size_t pos, int depth);
  // How many bytes from pos the simple node atom accepts in a row.
  std::size_t CountRun(int atom, std::size_t pos);

  bool Spend(long steps) {
    steps_left_ -= steps;
    if (steps_left_ < 0) exhausted_ = true;
    return !exhausted_;
  }

  const unsigned char* code_;
  std::string_view text_;
  long steps_left_;
  int max_depth_;
  bool exhausted_ = false;
  RepeatMemos memos_;
};

bool Backtracker::Match(int pc, std::size_t pos, int depth) {
  const std::size_t n = text_.size();
  while (pc >= 0) {
    if (!Spend(1)) return false;
    int next = NextNode(code_, pc);
    const int kind = code_[pc];
    switch (kind) {
      case kEnd:
        return true;
      case kBol:
        if (pos != 0) return false;
        break;
      case kEol:
        if (pos != n) return false;
        break;
      case kAny:
        if (pos >= n) return false;
        ++pos;
        break;
      case kAnyOf:
      case kAnyBut:
        if (pos >= n || !AtomAccepts(code_, pc, static_cast<unsigned char>(text_[pos]))) {
          return false;
        }
        ++pos;
        break;
      case kLiteral: {
        const char* literal = reinterpret_cast<const char*>(code_ + OperandOf(pc));
        const std::size_t len = std::strlen(literal);
        if (!Spend(static_cast<long>(len / 8))) return false;
        if (n - pos < len || std::memcmp(text_.data() + pos, literal, len) != 0) return false;
        pos += len;
        break;
      }
      case kBranch: {
        if (next < 0 || code_[next] != kBranch) {
          next = OperandOf(pc);  // a single alternative: no choice to remember
          break;
        }
        if (depth >= max_depth_) {
          exhausted_ = true;
          return false;
        }
        // Alternatives in order; the last one continues in this loop.
        int alt = pc;
        for (int following = next; following >= 0 && code_[following] == kBranch;
             following = NextNode(code_, alt)) {
          if (Match(OperandOf(alt), pos, depth + 1)) return true;
          if (exhausted_ || !Spend(1)) return false;
          alt = following;
        }
        next = OperandOf(alt);
        break;
      }
      case kStar:
      case kPlus:
        return Repeat(pc, pos, depth);
      default:  // nothing, loop-back and group marks only pass on
        break;
    }
    pc = next;
  }
  return false;  // a chain without an end node: not produced by the compiler
}

bool Backtracker::Repeat(int pc, std::size_t pos, int depth) {
  const int next = NextNode(code_, pc);
  if (next < 0) return false;
  if (depth >= max_depth_) {
    exhausted_ = true;
    return false;
  }
  RepeatMemo& known = memos_.For(pc);
  if (!known.has_run || pos < known.run_from || pos > known.run_end) {
    const std::size_t count = CountRun(OperandOf(pc), pos);
    if (exhausted_) return false;
    known.has_run = true;
    known.run_from = pos;
    known.run_end = pos + count;
  }
  const std::size_t lo = pos + (code_[pc] == kStar ? 0 : 1);
  const std::size_t hi = known.run_end;
  if (lo > hi) return false;  // a plus without its first byte
  if (known.has_failure && known.fail_from <= lo && known.fail_to >= hi) return false;
  // A copy: the tries below may take the memo's slot for another node.
  RepeatMemo memo = known;

  // Greedy: what follows is tried after the longest run first. When a literal
  // follows, only positions that hold its first byte can match.
  const int next_byte = code_[next] == kLiteral ? code_[OperandOf(next)] : -1;
  const std::size_t n = text_.size();
  for (std::size_t at = hi + 1; at-- > lo;) {
    if (memo.has_failure && at >= memo.fail_from && at <= memo.fail_to) {
      at = memo.fail_from;  // known to fail down to there
    } else if (next_byte < 0 || (at < n && static_cast<unsigned char>(text_[at]) == next_byte)) {
      if (Match(next, at, depth + 1)) return true;
      if (exhausted_) return false;
    }
    if (!Spend(1)) return false;
  }
  // Every position in [lo, hi] failed; join that to the known interval.
  if (memo.has_failure && memo.fail_from <= hi + 1 && memo.fail_to + 1 >= lo) {
    memo.fail_from = std::min(memo.fail_from, lo);
    memo.fail_to = std::max(memo.fail_to, hi);
  } else {
    memo.fail_from = lo;
    memo.fail_to = hi;
  }
  memo.has_failure = true;
  memos_.For(pc) = memo;
  return false;
}

std::size_t Backtracker::CountRun(int atom, std::size_t pos) {
  const std::size_t n = text_.size();
  if (code_[atom] == kAny) return n - pos;
  std::size_t end = pos;
  while (end < n && AtomAccepts(code_, atom, static_cast<unsigned char>(text_[end]))) ++end;
  Spend(static_cast<long>(end - pos));
  return end - pos;
}

bool Contains(std::string_view text, std::string_view literal) {
  if (text.size() < literal.size()) return false;
  return memmem(text.data(), text.size(), literal.data(), literal.size()) != nullptr;
}

}  // namespace

int SearchProgram(const ProgramView& program, std::string_view text, const SearchLimits& limits) {
  if (program.size == 0 || text.size() > static_cast<std::size_t>(INT_MAX)) return -1;
  const std::size_t n = text.size();
  if (!program.required.empty() && (program.starts_with_repeat || n >= kLongText) &&
      !Contains(text, program.required)) {
    return -1;
  }
  const long budget = limits.base_steps + limits.steps_per_byte * static_cast<long>(n + 1);
  Backtracker backtracker(program.code, text, budget, limits.max_depth);

  // The start positions worth trying, in order.
  std::size_t start = 0;
  while (true) {
    switch (backtracker.TryAt(start)) {
      case Outcome::kMatch:
        return static_cast<int>(start);
      case Outcome::kExhausted:
        return SimulateProgram(program, text, start);
      case Outcome::kNoMatch:
        break;
    }
    if (program.anchored || start >= n) return -1;  // "^" can only match at 0
    if (program.first_byte >= 0) {
      const void* hit = std::memchr(text.data() + start + 1, program.first_byte, n - start - 1);
      if (hit == nullptr) return -1;
      start = static_cast<const char*>(hit) - text.data();
    } else {
      ++start;
    }
  }
}

}  // namespace zr::regexp
