// Exact leftmost-start search that follows every path of the node program at
// once (a Pike VM): O(text length x program size) work for any pattern. It
// finishes a search when the backtracker runs out of its allowance.
#include <cstdint>
#include <cstring>
#include <utility>

#include "matcher/regexp_program.h"

namespace zr::regexp {
namespace {

// A thread waits at a byte-consuming state. key names the state by a byte
// offset in the program; node is the node that consumes; start is where the
// thread's match began.
//   any, class: key = node
//   literal:    key = offset of the operand byte to match next
//   star:       key = node (the loop)
//   plus:       key = node before the first byte, OperandOf(node) after it
struct Thread {
  int key;
  int node;
  int start;
};

// Follows every path from node pc that consumes no byte, at a position where
// "^" passes when at_start and "$" passes when at_end. Calls emit(key, node)
// for each byte-consuming state reached; enter(node) returns false for a node
// that needs no following (already followed). Returns true, and stops, when
// the end node is reached.
template <typename Enter, typename Emit>
bool WalkClosure(const unsigned char* code, int pc, bool at_start, bool at_end,
                 std::vector<int>& stack, Enter enter, Emit emit) {
  stack.clear();
  int at = pc;
  while (true) {
    // Follow one path; the other alternatives of branches wait on the stack.
    if (at < 0 || !enter(at)) {
      if (stack.empty()) return false;
      at = stack.back();
      stack.pop_back();
      continue;
    }
    const int next = NextNode(code, at);
    switch (code[at]) {
      case kEnd:
        return true;
      case kBol:
        at = at_start ? next : -1;
        break;
      case kEol:
        at = at_end ? next : -1;
        break;
      case kAny:
      case kAnyOf:
      case kAnyBut:
      case kPlus:
        emit(at, at);
        at = -1;
        break;
      case kLiteral:
        emit(OperandOf(at), at);
        at = -1;
        break;
      case kStar:
        emit(at, at);
        at = next;  // zero repetitions
        break;
      case kBranch:
        if (next >= 0 && code[next] == kBranch) stack.push_back(next);
        at = OperandOf(at);
        break;
      default:  // nothing, loop-back and group marks
        at = next;
        break;
    }
  }
}

// The closures of nodes at positions strictly inside the text, where neither
// "^" nor "$" passes, computed on first use and kept for the search. Only
// small closures are kept: overlapping large ones would be queued again by
// every thread, while following nodes marks each node once per position.
class ClosureCache {
 public:
  struct Target {
    int key;
    int node;
  };
  struct Closure {
    std::uint32_t begin;  // targets()[begin, end) are the states reached
    std::uint32_t end;
    bool accepts;  // the end node is reached
  };

  explicit ClosureCache(const ProgramView& program)
      : code_(program.code), index_(program.size, kUnknown), seen_(program.size, 0) {}

  // The closure of pc; false when it is too large to keep.
  bool Get(int pc, Closure* closure) {
    if (index_[pc] == kUnknown) Compute(pc);
    if (index_[pc] == kTooBig) return false;
    *closure = closures_[index_[pc]];
    return true;
  }
  const Target* targets() const { return targets_.data(); }

 private:
  static constexpr int kUnknown = -1;
  static constexpr int kTooBig = -2;
  static constexpr int kMaxNodes = 64;  // nodes followed to compute one closure
  static constexpr std::size_t kMaxTargets = 16;

  void Compute(int pc) {
    const std::size_t begin = targets_.size();
    ++seen_mark_;
    int nodes = 0;
    bool too_big = false;
    const bool accepts = WalkClosure(
        code_, pc, false, false, stack_,
        [&](int at) {
          if (too_big || seen_[at] == seen_mark_) return false;
          if (++nodes > kMaxNodes) {
            too_big = true;  // drains the walk
            return false;
          }
          seen_[at] = seen_mark_;
          return true;
        },
        [&](int key, int node) {
          targets_.push_back(Target{key, node});
        });
    if (too_big || targets_.size() - begin > kMaxTargets) {
      targets_.resize(begin);
      index_[pc] = kTooBig;
      return;
    }
    if (accepts) targets_.resize(begin);  // the states do not matter then
    index_[pc] = static_cast<int>(closures_.size());
    closures_.push_back(Closure{static_cast<std::uint32_t>(begin),
                                static_cast<std::uint32_t>(targets_.size()), accepts});
  }

  const unsigned char* code_;
  std::vector<int> index_;  // per node: index in closures_, or kUnknown, kTooBig
  std::vector<Closure> closures_;
  std::vector<Target> targets_;
  std::vector<std::uint32_t> seen_;
  std::uint32_t seen_mark_ = 0;
  std::vector<int> stack_;
};

class Simulator {
 public:
  Simulator(const ProgramView& program, std::string_view text)
      : program_(program),
        code_(program.code),
        text_(text),
        visited_(program.size, 0),
        queued_(program.size, 0),
        closures_(program) {}

  int Run(std::size_t from);

 private:
  // Queues the threads reachable from node pc at position pos without
  // consuming a byte. True when the end node is reachable.
  bool AddClosure(std::vector<Thread>& list, int pc, std::size_t pos, int start);
  void AddThread(std::vector<Thread>& list, int key, int node, int start);
  // Feeds byte c to t; survivors are queued at position pos (after c). True
  // when t reaches the end node.
  bool Step(const Thread& t, unsigned char c, std::size_t pos, std::vector<Thread>& list);
  bool CanStartAt(std::size_t pos) const;

  const ProgramView& program_;
  const unsigned char* code_;
  std::string_view text_;
  // Threads of one position are queued with mark_ = position + 1. A node or
  // key already marked for the position was reached by a thread that started
  // no later, so a later thread gains nothing there.
  std::vector<std::uint32_t> visited_;  // per node: closure already followed
  std::vector<std::uint32_t> queued_;   // per key: thread already queued
  std::uint32_t mark_ = 0;
  std::vector<int> stack_;
  ClosureCache closures_;
  std::vector<Thread> current_;  // sorted by start
  std::vector<Thread> next_;
};

int Simulator::Run(std::size_t from) {
  const std::size_t n = text_.size();
  int best = -1;
  std::size_t pos = from;
  while (true) {
    mark_ = static_cast<std::uint32_t>(pos + 1);
    // A new start comes after every thread in flight, so the list stays sorted.
    if (best < 0 && CanStartAt(pos) && AddClosure(current_, 0, pos, static_cast<int>(pos))) {
      best = static_cast<int>(pos);
    }
    if (current_.empty()) {
      if (best >= 0 || pos >= n || program_.anchored) return best;
      ++pos;
      if (program_.first_byte >= 0) {  // skip to the next possible start
        const void* hit = std::memchr(text_.data() + pos, program_.first_byte, n - pos);
        if (hit == nullptr) return -1;
        pos = static_cast<const char*>(hit) - text_.data();
      }
      continue;
    }
    if (pos == n) return best;

    const unsigned char c = static_cast<unsigned char>(text_[pos]);
    mark_ = static_cast<std::uint32_t>(pos + 2);
    next_.clear();
    for (const Thread& t : current_) {
      if (best >= 0 && t.start >= best) break;  // cannot start further left
      if (Step(t, c, pos + 1, next_)) {
        best = t.start;  // every later thread started no earlier
        break;
      }
    }
    std::swap(current_, next_);
    ++pos;
  }
}

bool Simulator::CanStartAt(std::size_t pos) const {
  if (program_.anchored) return pos == 0;
  if (program_.first_byte >= 0) {
    return pos < text_.size() && static_cast<unsigned char>(text_[pos]) == program_.first_byte;
  }
  return true;
}

bool Simulator::AddClosure(std::vector<Thread>& list, int pc, std::size_t pos, int start) {
  if (pc < 0 || visited_[pc] == mark_) return false;
  ClosureCache::Closure closure;
  if (pos > 0 && pos < text_.size() && closures_.Get(pc, &closure)) {
    visited_[pc] = mark_;
    if (closure.accepts) return true;
    const ClosureCache::Target* targets = closures_.targets();
    for (std::uint32_t i = closure.begin; i < closure.end; ++i) {
      AddThread(list, targets[i].key, targets[i].node, start);
    }
    return false;
  }
  // At the ends of the text, or for a large closure: follow the nodes.
  return WalkClosure(
      code_, pc, pos == 0, pos == text_.size(), stack_,
      [this](int at) { return visited_[at] != mark_ && (visited_[at] = mark_, true); },
      [&](int key, int node) { AddThread(list, key, node, start); });
}

inline void Simulator::AddThread(std::vector<Thread>& list, int key, int node, int start) {
  if (queued_[key] == mark_) return;
  queued_[key] = mark_;
  list.push_back(Thread{key, node, start});
}

bool Simulator::Step(const Thread& t, unsigned char c, std::size_t pos, std::vector<Thread>& list) {
  const int node = t.node;
  switch (code_[node]) {
    case kAny:
    case kAnyOf:
    case kAnyBut:
      if (!AtomAccepts(code_, node, c)) return false;
      return AddClosure(list, NextNode(code_, node), pos, t.start);
    case kLiteral:
      if (code_[t.key] != c) return false;
      if (code_[t.key + 1] != 0) {
        AddThread(list, t.key + 1, node, t.start);
        return false;
      }
      return AddClosure(list, NextNode(code_, node), pos, t.start);
    case kStar:
      if (!AtomAccepts(code_, OperandOf(node), c)) return false;
      return AddClosure(list, node, pos, t.start);  // loop again or go on
    case kPlus: {
      if (!AtomAccepts(code_, OperandOf(node), c)) return false;
      const int loop = OperandOf(node);
      if (visited_[loop] == mark_) return false;
      visited_[loop] = mark_;
      AddThread(list, loop, node, t.start);
      return AddClosure(list, NextNode(code_, node), pos, t.start);
    }
    default:
      return false;
  }
}

}  // namespace

int SimulateProgram(const ProgramView& program, std::string_view text, std::size_t from) {
  if (program.size == 0 || from > text.size()) return -1;
  Simulator simulator(program, text);
  return simulator.Run(from);
}

}  // namespace zr::regexp
