// Tests of the History object: duplicates ignoring case, 1-based items, the
// "History.txt" load and save rules with code-page conversion, start-up, the
// string enumeration's positions, and out of memory leaving nothing half done.
#include "server/history.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <new>
#include <utility>

#include "tests/support/test_support.h"
#include "tests/store/test_folder.h"

// Allocation failures on demand for the out-of-memory tests: while armed, the
// allocations after the first `left` throw std::bad_alloc. Inert otherwise.
namespace {
std::atomic<long> g_allocations_left{-1};
}  // namespace

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  long left = g_allocations_left.load();
  if (left == 0) throw std::bad_alloc();
  if (left > 0) g_allocations_left.store(left - 1);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace zr {
namespace {

using testing::ScopedEnv;
using testing::ScopedLocale;

constexpr std::initializer_list<const char*> kUtf8Locales = {"C.UTF-8", "C.utf8"};
constexpr std::initializer_list<const char*> kLatin1Locales = {
    "en_US.ISO-8859-1", "en_US.iso88591", "de_DE.ISO-8859-1", "de_DE.iso88591", "en_US"};

// Makes allocations fail from the (n+1)-th on, until it goes out of scope.
class FailAllocationsAfter {
 public:
  explicit FailAllocationsAfter(long n) { g_allocations_left.store(n); }
  ~FailAllocationsAfter() { g_allocations_left.store(-1); }
};

using Entries = std::vector<std::pair<long, std::string>>;

// Every entry through Count and Item.
Entries AllItems(const History& history) {
  long count = -1;
  EXPECT_EQ(history.Count(&count), kS_OK);
  Entries entries;
  for (long i = 1; i <= count; ++i) {
    long type = -1;
    std::string text;
    EXPECT_EQ(history.Item(i, &type, &text), kS_OK);
    entries.emplace_back(type, text);
  }
  return entries;
}

std::string CurFile(const History& history) {
  std::string name = "unset";
  EXPECT_EQ(history.GetCurFile(&name), kS_OK);
  return name;
}

class HistoryTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(utf8_.ok()) << "C.UTF-8 is not installed"; }
  std::string File(const std::string& name) const { return folder_.File(name); }
  // The texts the next Next(celt) of enumerator gives, with its result.
  template <typename Enumerator>
  static std::pair<HResult, std::vector<std::string>> NextOf(Enumerator& enumerator,
                                                             unsigned long celt) {
    std::vector<std::string> texts = {"stale"};
    unsigned long fetched = 99;
    HResult result = enumerator.Next(celt, &texts, &fetched);
    EXPECT_EQ(fetched, texts.size());
    return {result, texts};
  }

  static std::pair<HResult, std::vector<std::string>> Fetched(HResult r, std::vector<std::string> t) {
    return {r, std::move(t)};
  }

  ScopedLocale utf8_{kUtf8Locales};
  TempFolder folder_;
  History history_;
};

TEST_F(HistoryTest, AddItemRejectsTextsEqualIgnoringCaseInAnyLocale) {
  struct Case {
    const char* stored;
    const char* added;
    HResult expected;
  };
  // clang-format off
  const Case cases[] = {
      {"Hello World", "hELLO world", kS_FALSE},  {"Hello", "Hello ", kS_OK},
      {"\xc3\x84pfel", "\xc3\xa4PFEL", kS_FALSE},    // Äpfel / äPFEL
      {"\xce\xa3\xce\x9f\xce\xa6", "\xcf\x83\xce\xbf\xcf\x86", kS_FALSE},  // ΣΟΦ / σοφ
      {"Stra\xc3\x9f" "e", "STRASSE", kS_OK},      // ß is not "SS"
      {"a\xff", "A\xff", kS_FALSE},                  // stray bytes stay bytes
      {"\xc3\xbf", "\xff", kS_OK},                   // ÿ is not the byte 0xff
  };
  // clang-format on
  // "C" has no non-ASCII case mapping, and Latin-1 would fold other bytes:
  // the result must not depend on the process locale.
  for (auto names : {kUtf8Locales, std::initializer_list<const char*>{"C"}, kLatin1Locales}) {
    ScopedLocale locale(names);
    if (!locale.ok()) continue;
    for (const Case& c : cases) {
      History history;
      ASSERT_EQ(history.AddItem(c.stored, 7), kS_OK);
      ASSERT_EQ(history.AddItem("other", 2), kS_OK);
      EXPECT_EQ(history.AddItem(c.added, 9), c.expected)
          << c.stored << " / " << c.added << " in " << *names.begin();
      Entries expected = {{7, c.stored}, {2, "other"}};
      if (c.expected == kS_OK) expected.emplace_back(9, c.added);
      EXPECT_EQ(AllItems(history), expected);
    }
  }
}

TEST_F(HistoryTest, ItemCountsFromOneAndLeavesOutputsAloneOutOfRange) {
  long type = -5;
  std::string text = "untouched";
  EXPECT_EQ(history_.Item(1, &type, &text), kE_FAIL);
  ASSERT_EQ(history_.AddItem("oldest", 3), kS_OK);
  ASSERT_EQ(history_.AddItem("middle", 0), kS_OK);
  ASSERT_EQ(history_.AddItem("newest", 12), kS_OK);
  for (long index : {0L, 4L, -1L, LONG_MIN, LONG_MAX}) {
    EXPECT_EQ(history_.Item(index, &type, &text), kE_FAIL) << index;
    EXPECT_EQ(type, -5);
    EXPECT_EQ(text, "untouched");
  }
  EXPECT_EQ(AllItems(history_), (Entries{{3, "oldest"}, {0, "middle"}, {12, "newest"}}));
  EXPECT_EQ(history_.Item(1, nullptr, &text), kE_POINTER);
  EXPECT_EQ(history_.Item(1, &type, nullptr), kE_POINTER);
  EXPECT_EQ(history_.Count(nullptr), kE_POINTER);
  EXPECT_EQ(history_.GetCurFile(nullptr), kE_POINTER);
  EXPECT_EQ(history_.GetClassID(nullptr), kE_POINTER);
}

TEST_F(HistoryTest, SaveWritesOnlyTheNewestThousand) {
  for (int i = 0; i < 1001; ++i) ASSERT_EQ(history_.AddItem("e" + std::to_string(i), i), kS_OK);
  const std::string path = File("History.txt");
  ASSERT_EQ(history_.Save(path, true), kS_OK);
  const std::string bytes = ReadBytes(path);
  EXPECT_TRUE(bytes.starts_with("01-e1\r\n02-e2\r\n")) << bytes.substr(0, 20);
  EXPECT_TRUE(bytes.ends_with("\r\n1000-e1000\r\n"));
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 1000);
  long count = 0;
  ASSERT_EQ(history_.Count(&count), kS_OK);
  EXPECT_EQ(count, 1001);  // the list in memory keeps them all
}

TEST_F(HistoryTest, LoadReadsLinesByTheirFirstDashWithoutDuplicateCheck) {
  const std::string path = File("History.txt");
  WriteBytes(path, "03-plain\r\nno dash here\r\n12-a-b-c\n05-Twice\r\n07-twice\r\n-\r\n");
  ASSERT_EQ(history_.AddItem("replaced", 1), kS_OK);
  ASSERT_EQ(history_.Load(path, 0x12), kS_OK);
  EXPECT_EQ(AllItems(history_),
            (Entries{{3, "plain"}, {12, "a-b-c"}, {5, "Twice"}, {7, "twice"}, {0, ""}}));
  EXPECT_EQ(history_.AddItem("TWICE", 1), kS_FALSE);
  EXPECT_EQ(history_.AddItem("", 1), kS_FALSE);
  EXPECT_EQ(history_.AddItem("replaced", 1), kS_OK);  // the old list is gone
  EXPECT_EQ(history_.AddItem("no dash here", 1), kS_OK);
  EXPECT_EQ(CurFile(history_), path);
}

TEST_F(HistoryTest, ClearAllThenShutDownLeavesAnEmptyFile) {
  const std::string path = File("History.txt");
  WriteBytes(path, "01-a\r\n");
  ASSERT_EQ(history_.Load(path, 0), kS_OK);
  ASSERT_EQ(history_.ClearAll(), kS_OK);
  EXPECT_EQ(ReadBytes(path), "01-a\r\n");      // untouched until the save
  EXPECT_EQ(history_.AddItem("A", 4), kS_OK);  // no longer a duplicate
  ASSERT_EQ(history_.ClearAll(), kS_OK);
  ASSERT_EQ(history_.ShutDown(), kS_OK);
  EXPECT_EQ(ReadBytes(path), "");
}

TEST_F(HistoryTest, SaveNamesAndRemembering) {
  ASSERT_EQ(history_.AddItem("x", 1), kS_OK);
  EXPECT_EQ(history_.Save(std::nullopt, true), kE_FAIL);  // no current file yet
  EXPECT_EQ(history_.ShutDown(), kE_FAIL);
  EXPECT_EQ(history_.Save("", true), kE_FAIL);
  const std::string copy = File("copy.txt"), kept = File("kept.txt");
  ASSERT_EQ(history_.Save(copy, false), kS_OK);
  EXPECT_EQ(ReadBytes(copy), "01-x\r\n");
  EXPECT_EQ(CurFile(history_), "");
  ASSERT_EQ(history_.Save(kept, true), kS_OK);
  EXPECT_EQ(CurFile(history_), kept);
  // A failed save neither reports success nor moves the current file there.
  EXPECT_EQ(history_.Save(File("no/such/folder/h.txt"), true), kE_FAIL);
  EXPECT_EQ(history_.Save(folder_.path(), true), kE_FAIL);
  EXPECT_EQ(CurFile(history_), kept);
  ASSERT_EQ(history_.AddItem("y", 2), kS_OK);
  ASSERT_EQ(history_.Save(std::nullopt, false), kS_OK);
  EXPECT_EQ(ReadBytes(kept), "01-x\r\n02-y\r\n");
  EXPECT_EQ(ReadBytes(copy), "01-x\r\n");
}

TEST_F(HistoryTest, TextsAreUtf8InMemoryAndCodePageInTheFile) {
  const std::string path = File("History.txt");
  ScopedLocale latin1(kLatin1Locales, "ISO-8859-1");
  if (!latin1.ok()) GTEST_SKIP() << "no ISO-8859-1 locale installed (e.g. en_US.ISO-8859-1)";
  WriteBytes(path, "01-caf\xe9\r\n");
  ASSERT_EQ(history_.Load(path, 0), kS_OK);
  EXPECT_EQ(AllItems(history_), (Entries{{1, "caf\xc3\xa9"}}));
  EXPECT_EQ(history_.AddItem("CAF\xc3\x89", 2), kS_FALSE);         // CAFÉ
  ASSERT_EQ(history_.AddItem("\xc3\x84 \xe2\x82\xac", 5), kS_OK);  // "Ä €"
  ASSERT_EQ(history_.ShutDown(), kS_OK);
  EXPECT_EQ(ReadBytes(path), "01-caf\xe9\r\n05-\xc4 ?\r\n");
  // File names are converted too: the UTF-8 name reaches the Latin-1 file.
  WriteBytes(File("h\xefst.txt"), "03-z\r\n");
  ASSERT_EQ(history_.Load(File("h\xc3\xafst.txt"), 0), kS_OK);
  EXPECT_EQ(AllItems(history_), (Entries{{3, "z"}}));
  EXPECT_EQ(CurFile(history_), File("h\xc3\xafst.txt"));
}

TEST_F(HistoryTest, StartUpLoadsHistoryTxtOfTheDataFolder) {
  ScopedEnv data_home("XDG_DATA_HOME", folder_.path() + "/share");
  const std::string path = folder_.path() + "/share/Zorvane/ToolBar/History.txt";
  {
    History first_run;  // nothing there yet: the folder is made, the name taken
    first_run.StartUp();
    EXPECT_EQ(AllItems(first_run), Entries{});
    EXPECT_EQ(CurFile(first_run), path);
    ASSERT_EQ(first_run.AddItem("one", 4), kS_OK);
    ASSERT_EQ(first_run.ShutDown(), kS_OK);
  }
  EXPECT_EQ(ReadBytes(path), "04-one\r\n");
  {
    History second_run;
    second_run.StartUp();
    EXPECT_EQ(AllItems(second_run), (Entries{{4, "one"}}));
    ASSERT_EQ(second_run.AddItem("two", 5), kS_OK);
  }  // destroyed without ShutDown: nothing written
  EXPECT_EQ(ReadBytes(path), "04-one\r\n");
}

TEST_F(HistoryTest, NextRefusesMissingOutputsAndChangesNothing) {
  ASSERT_EQ(history_.AddItem("a", 1), kS_OK);
  struct Case {
    unsigned long celt;
    bool texts, fetched;
    HResult expected;
  };
  const Case cases[] = {{1, false, true, kE_POINTER}, {2, true, false, kE_POINTER},
                        {0, true, false, kE_POINTER}, {1, true, false, kS_OK}};
  for (const Case& c : cases) {
    ASSERT_EQ(history_.Reset(), kS_OK);
    std::vector<std::string> texts = {"stale"};
    unsigned long fetched = 99;
    HResult result =
        history_.Next(c.celt, c.texts ? &texts : nullptr, c.fetched ? &fetched : nullptr);
    EXPECT_EQ(result, c.expected) << c.celt << c.texts << c.fetched;
    if (result == kE_POINTER) {
      EXPECT_EQ(texts, std::vector<std::string>{"stale"});
      EXPECT_EQ(fetched, 99u);
      EXPECT_EQ(NextOf(history_, 1), Fetched(kS_OK, {"a"}));  // did not move
    } else {
      EXPECT_EQ(texts, std::vector<std::string>{"a"});
    }
  }
  std::vector<std::string> texts;
  EXPECT_EQ(history_.Next(1, &texts, nullptr), kS_FALSE);  // at the end
  EXPECT_TRUE(texts.empty());
  EXPECT_EQ(history_.Clone(nullptr), kE_POINTER);
}

TEST_F(HistoryTest, NextSkipAndResetWalkTheList) {
  for (const char* text : {"a", "b", "c"}) ASSERT_EQ(history_.AddItem(text, 0), kS_OK);
  EXPECT_EQ(NextOf(history_, 0), Fetched(kS_OK, {}));
  EXPECT_EQ(NextOf(history_, 2), Fetched(kS_OK, {"a", "b"}));
  EXPECT_EQ(NextOf(history_, 2), Fetched(kS_FALSE, {"c"}));
  EXPECT_EQ(NextOf(history_, ULONG_MAX), Fetched(kS_FALSE, {}));
  ASSERT_EQ(history_.Reset(), kS_OK);
  EXPECT_EQ(NextOf(history_, ULONG_MAX), Fetched(kS_FALSE, {"a", "b", "c"}));
  ASSERT_EQ(history_.Reset(), kS_OK);
  EXPECT_EQ(history_.Skip(2), kS_OK);
  EXPECT_EQ(history_.Skip(1), kS_OK);  // exactly to the end
  ASSERT_EQ(history_.Reset(), kS_OK);
  EXPECT_EQ(history_.Skip(ULONG_MAX), kS_FALSE);  // stops at the end...
  ASSERT_EQ(history_.AddItem("d", 0), kS_OK);
  EXPECT_EQ(NextOf(history_, 5), Fetched(kS_FALSE, {"d"}));  // ...not beyond it
}

TEST_F(HistoryTest, ClonesAreIndependentAndPositionsSurviveClearAllAndAppends) {
  ASSERT_EQ(history_.AddItem("a", 0), kS_OK);
  ASSERT_EQ(history_.AddItem("b", 0), kS_OK);
  ASSERT_EQ(history_.Skip(1), kS_OK);
  std::unique_ptr<HistoryEnumerator> clone, second;
  ASSERT_EQ(history_.Clone(&clone), kS_OK);
  ASSERT_EQ(clone->Clone(&second), kS_OK);
  // Enough appends to move the list's storage.
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(history_.AddItem("n" + std::to_string(i), 0), kS_OK);
  EXPECT_EQ(NextOf(history_, 2), Fetched(kS_OK, {"b", "n0"}));
  EXPECT_EQ(NextOf(*clone, 1), Fetched(kS_OK, {"b"}));  // not moved by the object
  EXPECT_EQ(second->position(), 1u);                    // nor by its original
  ASSERT_EQ(second->Reset(), kS_OK);
  EXPECT_EQ(NextOf(*second, 1), Fetched(kS_OK, {"a"}));
  // Cleared under a position of 3: nothing until the list grows past it.
  ASSERT_EQ(history_.ClearAll(), kS_OK);
  EXPECT_EQ(NextOf(history_, 1), Fetched(kS_FALSE, {}));
  EXPECT_EQ(history_.Skip(1), kS_FALSE);
  for (const char* text : {"x", "y", "z", "w"}) ASSERT_EQ(history_.AddItem(text, 0), kS_OK);
  EXPECT_EQ(NextOf(history_, 9), Fetched(kS_FALSE, {"w"}));
  EXPECT_EQ(NextOf(*clone, 9), Fetched(kS_FALSE, {"z", "w"}));
  EXPECT_EQ(NextOf(*second, 9), Fetched(kS_FALSE, {"y", "z", "w"}));
}

// Runs attempt(n) for n = 0, 1, 2, ... (each lets n allocations succeed) until
// it gives something other than E_OUTOFMEMORY; after_failure checks the state.
template <typename Attempt, typename Check>
HResult RetryUntilMemorySuffices(Attempt attempt, Check after_failure) {
  for (long n = 0; n < 50; ++n) {
    HResult result = attempt(n);
    if (result != kE_OUTOFMEMORY) return result;
    after_failure(n);
  }
  return kE_OUTOFMEMORY;
}

TEST_F(HistoryTest, OutOfMemoryLeavesNothingHalfDone) {
  const std::string long_text(40, 'q');  // every copy allocates
  for (int i = 0; i < 3; ++i) ASSERT_EQ(history_.AddItem(long_text + char('a' + i), i), kS_OK);
  std::vector<std::string> texts;
  unsigned long fetched = 0;
  HResult result = RetryUntilMemorySuffices(
      [&](long n) {
        EXPECT_EQ(history_.Reset(), kS_OK);
        EXPECT_EQ(history_.Skip(1), kS_OK);
        texts = {"stale"};
        fetched = 99;
        FailAllocationsAfter fail(n);
        return history_.Next(5, &texts, &fetched);
      },
      [&](long n) {
        EXPECT_TRUE(texts.empty()) << n;
        EXPECT_EQ(fetched, 0u) << n;
        EXPECT_EQ(NextOf(history_, 1), Fetched(kS_OK, {long_text + 'b'})) << n;  // not moved
      });
  EXPECT_EQ(result, kS_FALSE);
  EXPECT_EQ(texts, (std::vector<std::string>{long_text + 'b', long_text + 'c'}));
  // A failed AddItem adds nothing, and does not make a later one a duplicate.
  result = RetryUntilMemorySuffices(
      [&](long n) {
        std::string text = long_text + "new";
        FailAllocationsAfter fail(n);
        return history_.AddItem(text, 9);
      },
      [&](long n) { EXPECT_EQ(AllItems(history_).size(), 3u) << n; });
  EXPECT_EQ(result, kS_OK);
  EXPECT_EQ(AllItems(history_).size(), 4u);
}

}  // namespace
}  // namespace zr
