// Pattern to node program. The parser runs twice over the pattern: the first
// pass checks the syntax and counts the program size without storing anything,
// the second writes a program of exactly that size.
#include <cstring>

#include "matcher/regexp_program.h"

namespace zr::regexp {
namespace {

// What the parser knows about an atom, piece, branch or expression.
constexpr int kWorst = 0;     // nothing known
constexpr int kHasWidth = 1;  // always consumes at least one byte
constexpr int kSimple = 2;    // one byte at a time: a one-byte literal, "." or a class
constexpr int kSpStart = 4;   // starts with a "*" or "+" piece

// Bytes with a meaning outside classes.
constexpr char kMeta[] = "^$.[()|?+*\\";

bool IsQuantifier(int c) { return c == '*' || c == '+' || c == '?'; }

class Compiler {
 public:
  // With code == nullptr the compiler only counts; otherwise it writes at most
  // capacity bytes into code.
  Compiler(std::string_view pattern, unsigned char* code, std::size_t capacity)
      : pattern_(pattern), code_(code), capacity_(capacity) {}

  // Parses the whole pattern. Returns false on a syntax error; flags receives
  // what is known about the expression.
  bool Run(int* flags) { return Reg(false, flags) >= 0 && !overflow_; }

  std::size_t size() const { return size_; }

 private:
  int Peek() const {
    return pos_ < pattern_.size() ? static_cast<unsigned char>(pattern_[pos_]) : 0;
  }
  int Fail() { return -1; }

  int Reg(bool paren, int* flags);
  int Branch(int* flags);
  int Piece(int* flags);
  int Atom(int* flags);
  int Class(int* flags);

  // Emission. In the counting pass offsets are not real and links are skipped.
  int Node(int kind);
  void Byte(int c);
  void Insert(int kind, int operand);
  void Tail(int pc, int target);
  void OperandTail(int pc, int target);

  std::string_view pattern_;
  std::size_t pos_ = 0;
  unsigned char* code_;
  std::size_t capacity_;
  std::size_t size_ = 0;
  bool overflow_ = false;
  int next_group_ = 1;
};

// expression: branch ("|" branch)*, wrapped in an open/close pair when paren.
int Compiler::Reg(bool paren, int* flags) {
  *flags = kHasWidth;  // until a branch without width turns up
  int ret = -1;
  int group = 0;
  if (paren) {
    if (next_group_ > kMaxGroups) return Fail();
    group = next_group_++;
    ret = Node(kOpen + group);
  }
  int sub;
  int branch = Branch(&sub);
  if (branch < 0) return -1;
  if (ret >= 0) {
    Tail(ret, branch);
  } else {
    ret = branch;
  }
  if (!(sub & kHasWidth)) *flags &= ~kHasWidth;
  *flags |= sub & kSpStart;
  while (Peek() == '|') {
    ++pos_;
    branch = Branch(&sub);
    if (branch < 0) return -1;
    Tail(ret, branch);
    if (!(sub & kHasWidth)) *flags &= ~kHasWidth;
    *flags |= sub & kSpStart;
  }
  const int ender = Node(paren ? kClose + group : kEnd);
  Tail(ret, ender);
  // Every alternative continues after the expression.
  if (code_ != nullptr && !overflow_) {
    for (int pc = ret; pc >= 0; pc = NextNode(code_, pc)) OperandTail(pc, ender);
  }
  if (paren) {
    if (Peek() != ')') return Fail();  // missing ")"
    ++pos_;
  } else if (Peek() != 0) {
    return Fail();  // a ")" without "("
  }
  return ret;
}

// branch: piece*, as a branch node whose operand is the chain of pieces.
int Compiler::Branch(int* flags) {
  *flags = kWorst;
  const int ret = Node(kBranch);
  int chain = -1;
  while (Peek() != 0 && Peek() != '|' && Peek() != ')') {
    int sub;
    const int latest = Piece(&sub);
    if (latest < 0) return -1;
    *flags |= sub & kHasWidth;
    if (chain < 0) {
      *flags |= sub & kSpStart;
    } else {
      Tail(chain, latest);
    }
    chain = latest;
  }
  if (chain < 0) Node(kNothing);  // an empty branch matches the empty string
  return ret;
}

// piece: atom followed by at most one of "*", "+", "?".
int Compiler::Piece(int* flags) {
  int sub;
  const int ret = Atom(&sub);
  if (ret < 0) return -1;
  const int op = Peek();
  if (!IsQuantifier(op)) {
    *flags = sub;
    return ret;
  }
  if (!(sub & kHasWidth) && op != '?') return Fail();  // "*" or "+" on what can be empty
  *flags = op == '+' ? (kHasWidth | kSpStart) : op == '*' ? kSpStart : kWorst;

  if (op == '*' && (sub & kSimple)) {
    Insert(kStar, ret);
  } else if (op == '*') {
    // x* as a branch of (x, loop back to the branch) and nothing.
    Insert(kBranch, ret);
    OperandTail(ret, Node(kBack));
    OperandTail(ret, ret);
    Tail(ret, Node(kBranch));
    Tail(ret, Node(kNothing));
  } else if (op == '+' && (sub & kSimple)) {
    Insert(kPlus, ret);
  } else if (op == '+') {
    // x+ as x followed by a branch of (loop back to x) and nothing.
    const int next = Node(kBranch);
    Tail(ret, next);
    Tail(Node(kBack), ret);
    Tail(next, Node(kBranch));
    Tail(ret, Node(kNothing));
  } else {
    // x? as a branch of x and nothing.
    Insert(kBranch, ret);
    Tail(ret, Node(kBranch));
    const int next = Node(kNothing);
    Tail(ret, next);
    OperandTail(ret, next);
  }
  ++pos_;
  if (IsQuantifier(Peek())) return Fail();  // two quantifiers in a row
  return ret;
}

int Compiler::Atom(int* flags) {
  *flags = kWorst;
  const int c = Peek();
  ++pos_;
  switch (c) {
    case '^':
      return Node(kBol);
    case '$':
      return Node(kEol);
    case '.':
      *flags |= kHasWidth | kSimple;
      return Node(kAny);
    case '[':
      return Class(flags);
    case '(': {
      int sub;
      const int ret = Reg(true, &sub);
      if (ret < 0) return -1;
      *flags |= sub & (kHasWidth | kSpStart);
      return ret;
    }
    case 0:
    case '|':
    case ')':
      return Fail();  // Branch stops before these
    case '?':
    case '+':
    case '*':
      return Fail();  // a quantifier where an atom is expected
    case '\\': {
      if (Peek() == 0) return Fail();  // backslash at the end
      const int ret = Node(kLiteral);
      Byte(Peek());
      ++pos_;
      Byte(0);
      *flags |= kHasWidth | kSimple;
      return ret;
    }
    default: {
      // A run of literal bytes; before a quantifier its last byte stands alone.
      --pos_;
      std::size_t len = 1;
      while (pos_ + len < pattern_.size() && std::strchr(kMeta, pattern_[pos_ + len]) == nullptr) {
        ++len;
      }
      if (len > 1 && pos_ + len < pattern_.size() && IsQuantifier(pattern_[pos_ + len])) --len;
      *flags |= kHasWidth;
      if (len == 1) *flags |= kSimple;
      const int ret = Node(kLiteral);
      for (; len > 0; --len) Byte(static_cast<unsigned char>(pattern_[pos_++]));
      Byte(0);
      return ret;
    }
  }
}

// "[" has been read. Members are stored as a NUL-terminated operand.
int Compiler::Class(int* flags) {
  int ret;
  if (Peek() == '^') {
    ret = Node(kAnyBut);
    ++pos_;
  } else {
    ret = Node(kAnyOf);
  }
  if (Peek() == ']' || Peek() == '-') Byte(pattern_[pos_++]);
  while (Peek() != 0 && Peek() != ']') {
    if (Peek() != '-') {
      Byte(pattern_[pos_++]);
      continue;
    }
    ++pos_;
    if (Peek() == ']' || Peek() == 0) {
      Byte('-');
      continue;
    }
    // A range: bounds compare as signed bytes; the low bound is already stored.
    const int low = static_cast<signed char>(pattern_[pos_ - 2]);
    const int high = static_cast<signed char>(pattern_[pos_]);
    if (low > high) return Fail();
    for (int b = low + 1; b <= high; ++b) {
      if (b != 0) Byte(static_cast<unsigned char>(b));  // a zero byte would end the operand
    }
    ++pos_;
  }
  Byte(0);
  if (Peek() != ']') return Fail();  // no closing "]"
  ++pos_;
  *flags |= kHasWidth | kSimple;
  return ret;
}

int Compiler::Node(int kind) {
  const int ret = static_cast<int>(size_);
  Byte(kind);
  Byte(0);
  Byte(0);
  return ret;
}

void Compiler::Byte(int c) {
  if (code_ != nullptr) {
    if (size_ < capacity_) {
      code_[size_] = static_cast<unsigned char>(c);
    } else {
      overflow_ = true;
    }
  }
  ++size_;
}

// Moves the node at operand (the last thing emitted) forward and puts a node
// of kind in its place, so that the new node holds it as its operand.
void Compiler::Insert(int kind, int operand) {
  if (code_ == nullptr) {
    size_ += kNodeHeader;
    return;
  }
  if (size_ + kNodeHeader > capacity_) {
    overflow_ = true;
    size_ += kNodeHeader;
    return;
  }
  std::memmove(code_ + operand + kNodeHeader, code_ + operand, size_ - operand);
  code_[operand] = static_cast<unsigned char>(kind);
  code_[operand + 1] = 0;
  code_[operand + 2] = 0;
  size_ += kNodeHeader;
}

// Sets the link of the last node in the chain that starts at pc to target.
void Compiler::Tail(int pc, int target) {
  if (code_ == nullptr || overflow_) return;
  int scan = pc;
  for (int next = NextNode(code_, scan); next >= 0; next = NextNode(code_, scan)) scan = next;
  const int offset = code_[scan] == kBack ? scan - target : target - scan;
  code_[scan + 1] = static_cast<unsigned char>((offset >> 8) & 0xff);
  code_[scan + 2] = static_cast<unsigned char>(offset & 0xff);
}

// Tail on the operand of pc, when pc is a branch.
void Compiler::OperandTail(int pc, int target) {
  if (code_ == nullptr || overflow_ || code_[pc] != kBranch) return;
  Tail(OperandOf(pc), target);
}

// Shortcuts for a program with a single top-level branch.
void ComputeHints(const std::vector<unsigned char>& program, int flags, Hints& hints) {
  const unsigned char* code = program.data();
  const int after_branch = NextNode(code, 0);
  if (after_branch < 0 || code[after_branch] != kEnd) return;  // several alternatives
  int scan = OperandOf(0);
  if (code[scan] == kLiteral) {
    hints.first_byte = code[OperandOf(scan)];
  } else if (code[scan] == kBol) {
    hints.anchored = true;
  }
  hints.starts_with_repeat = (flags & kSpStart) != 0;
  std::size_t best = 0;
  const char* longest = nullptr;
  for (; scan >= 0; scan = NextNode(code, scan)) {
    if (code[scan] != kLiteral) continue;
    const char* text = reinterpret_cast<const char*>(code + OperandOf(scan));
    const std::size_t len = std::strlen(text);
    if (len >= best) {  // the later one wins a tie
      best = len;
      longest = text;
    }
  }
  if (longest != nullptr) hints.required.assign(longest, best);
}

}  // namespace

bool CompileProgram(std::string_view pattern, std::vector<unsigned char>& code, Hints& hints) {
  code.clear();
  hints = Hints{};
  pattern = pattern.substr(0, pattern.find('\0'));

  int flags;
  Compiler counter(pattern, nullptr, 0);
  if (!counter.Run(&flags)) return false;
  const std::size_t size = counter.size();
  if (size > kMaxProgramSize) return false;  // links could not reach

  code.resize(size);
  Compiler emitter(pattern, code.data(), size);
  if (!emitter.Run(&flags) || emitter.size() != size) {
    code.clear();
    return false;
  }
  ComputeHints(code, flags, hints);
  return true;
}

}  // namespace zr::regexp
