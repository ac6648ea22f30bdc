// The History object: duplicates ignoring case, 1-based items, History.txt with code pages, which
// files it touches, start-up, the enumeration, running out of memory.
#include "server/history.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <functional>
#include <future>
#include <new>
#include <tuple>

#include "tests/store/test_folder.h"
#include "tests/support/failing_new.h"
#include "tests/support/test_support.h"

namespace zr {
namespace {

using testing::ScopedLocale;
using Entries = std::vector<std::pair<long, std::string>>;
using Texts = std::vector<std::string>;
using Fetch = std::pair<HResult, Texts>;
constexpr std::initializer_list<const char*> kUtf8 = {"C.UTF-8", "C.utf8"};
constexpr std::initializer_list<const char*> kLatin1 = {
    "en_US.ISO-8859-1", "en_US.iso88591", "de_DE.ISO-8859-1", "de_DE.iso88591", "en_US"};

Entries AllItems(const History& history) {
  long count = -1;
  EXPECT_EQ(history.Count(&count), kS_OK);
  Entries entries(count > 0 ? count : 0);
  for (long i = 1; i <= count; ++i)
    EXPECT_EQ(history.Item(i, &entries[i - 1].first, &entries[i - 1].second), kS_OK);
  return entries;
}

std::string CurFile(const History& history) {
  std::string name = "unset";
  EXPECT_EQ(history.GetCurFile(&name), kS_OK);
  return name;
}

template <typename Enumerator>
Fetch NextOf(Enumerator& enumerator, unsigned long celt) {
  Texts texts = {"stale"};
  unsigned long fetched = 99;
  HResult result = enumerator.Next(celt, &texts, &fetched);
  EXPECT_EQ(fetched, texts.size());
  return {result, texts};
}

class HistoryTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(utf8_.ok()) << "C.UTF-8 is not installed"; }
  void Add(std::initializer_list<const char*> texts) {
    for (const char* text : texts) ASSERT_EQ(history_.AddItem(text, 0), kS_OK);
  }
  ScopedLocale utf8_{kUtf8};
  TempFolder folder_;
  std::string path_ = folder_.File("History.txt");
  History history_;
};

TEST_F(HistoryTest, AddItemRejectsTextsEqualIgnoringCaseInAnyLocale) {
  const std::tuple<const char*, const char*, HResult> cases[] = {
      {"Hello World", "hELLO world", kS_FALSE},
      {"\xc3\x84pfel", "\xc3\xa4PFEL", kS_FALSE},                          // Äpfel / äPFEL
      {"\xce\xa3\xce\x9f\xce\xa6", "\xcf\x83\xce\xbf\xcf\x86", kS_FALSE},  // ΣΟΦ / σοφ
      {"Stra\xc3\x9f\x65", "STRASSE", kS_OK},                              // ß is not "SS"
      {"\xc3\xbf", "\xff", kS_OK},  // ÿ is not the byte 0xff
  };
  // The result must not depend on the process locale.
  for (auto names : {kUtf8, std::initializer_list<const char*>{"C"}, kLatin1}) {
    ScopedLocale locale(names);
    if (!locale.ok()) continue;
    for (const auto& [stored, added, result] : cases) {
      History history;
      ASSERT_EQ(history.AddItem(stored, 7), kS_OK);
      ASSERT_EQ(history.AddItem("other", 2), kS_OK);
      EXPECT_EQ(history.AddItem(added, 9), result) << added << " in " << *names.begin();
      Entries expected = {{7, stored}, {2, "other"}};
      if (result == kS_OK) expected.emplace_back(9, added);
      EXPECT_EQ(AllItems(history), expected);
    }
  }
}

TEST_F(HistoryTest, ItemCountsFromOneAndLeavesOutputsAloneOutOfRange) {
  Add({"oldest", "newest"});
  long type = -5;
  std::string text = "untouched";
  for (long index : {0L, 3L, LONG_MIN, LONG_MAX})
    EXPECT_EQ(history_.Item(index, &type, &text), kE_FAIL);
  EXPECT_EQ(std::make_pair(type, text), std::make_pair(-5L, std::string("untouched")));
  EXPECT_EQ(history_.Item(1, nullptr, &text), kE_POINTER);
  EXPECT_EQ(history_.Item(1, &type, nullptr), kE_POINTER);
  EXPECT_EQ(history_.Count(nullptr), kE_POINTER);
  EXPECT_EQ(history_.GetCurFile(nullptr), kE_POINTER);
}

TEST_F(HistoryTest, SaveWritesOnlyTheNewestThousand) {
  for (int i = 0; i < 1001; ++i) ASSERT_EQ(history_.AddItem("e" + std::to_string(i), i), kS_OK);
  ASSERT_EQ(history_.Save(path_, true), kS_OK);
  const std::string bytes = ReadBytes(path_);
  EXPECT_TRUE(bytes.starts_with("01-e1\r\n02-e2\r\n")) << bytes.substr(0, 20);
  EXPECT_TRUE(bytes.ends_with("\r\n1000-e1000\r\n"));
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 1000);
  EXPECT_EQ(AllItems(history_).size(), 1001u);  // the list in memory keeps them all
}

TEST_F(HistoryTest, LoadReadsLinesByTheirFirstDashWithoutDuplicateCheck) {
  WriteBytes(path_, "03-plain\r\nno dash here\r\n12-a-b-c\n05-Twice\r\n07-twice\r\n-\r\n");
  Add({"replaced"});
  ASSERT_EQ(history_.Load(path_, 0x12), kS_OK);
  EXPECT_EQ(AllItems(history_),
            (Entries{{3, "plain"}, {12, "a-b-c"}, {5, "Twice"}, {7, "twice"}, {0, ""}}));
  EXPECT_EQ(history_.AddItem("TWICE", 1), kS_FALSE);
  EXPECT_EQ(history_.AddItem("replaced", 1), kS_OK);  // the old list is gone
  EXPECT_EQ(CurFile(history_), path_);
  ASSERT_EQ(history_.ClearAll(), kS_OK);
  EXPECT_EQ(ReadBytes(path_).substr(0, 4), "03-p");  // untouched until the save
  ASSERT_EQ(history_.ShutDown(), kS_OK);
  EXPECT_EQ(ReadBytes(path_), "");
}

TEST_F(HistoryTest, TextsAreUtf8InMemoryAndCodePageInTheFile) {
  ScopedLocale latin1(kLatin1, "ISO-8859-1");
  if (!latin1.ok()) GTEST_SKIP() << "no ISO-8859-1 locale installed (e.g. en_US.ISO-8859-1)";
  WriteBytes(path_, "01-caf\xe9\r\n");
  ASSERT_EQ(history_.Load(path_, 0), kS_OK);
  EXPECT_EQ(AllItems(history_), (Entries{{1, "caf\xc3\xa9"}}));
  EXPECT_EQ(history_.AddItem("CAF\xc3\x89", 2), kS_FALSE);         // CAFÉ
  ASSERT_EQ(history_.AddItem("\xc3\x84 \xe2\x82\xac", 5), kS_OK);  // "Ä €"
  ASSERT_EQ(history_.ShutDown(), kS_OK);
  EXPECT_EQ(ReadBytes(path_), "01-caf\xe9\r\n05-\xc4 ?\r\n");
}

TEST_F(HistoryTest, StartUpLoadsHistoryTxtOfTheDataFolder) {
  testing::ScopedEnv data_home("XDG_DATA_HOME", folder_.path() + "/share");
  history_.StartUp();  // nothing there yet: the folder is made, the name taken
  EXPECT_EQ(CurFile(history_), folder_.path() + "/share/Zorvane/ToolBar/History.txt");
  ASSERT_EQ(history_.AddItem("one", 4), kS_OK);
  ASSERT_EQ(history_.ShutDown(), kS_OK);
  History second_run;
  second_run.StartUp();
  EXPECT_EQ(AllItems(second_run), (Entries{{4, "one"}}));
}

TEST_F(HistoryTest, NextSkipResetAndClonesWalkTheListIndependently) {
  Add({"a", "b", "c"});
  Texts texts = {"stale"};
  unsigned long fetched = 99;
  EXPECT_EQ(history_.Next(1, nullptr, &fetched), kE_POINTER);
  EXPECT_EQ(history_.Next(2, &texts, nullptr), kE_POINTER);  // more than one needs the count
  EXPECT_EQ(history_.Clone(nullptr), kE_POINTER);
  EXPECT_EQ(std::make_pair(texts, fetched), std::make_pair(Texts{"stale"}, 99ul));
  EXPECT_EQ(NextOf(history_, 0), Fetch(kS_OK, {}));
  EXPECT_EQ(NextOf(history_, 2), Fetch(kS_OK, {"a", "b"}));
  std::unique_ptr<HistoryEnumerator> clone;
  ASSERT_EQ(history_.Clone(&clone), kS_OK);
  EXPECT_EQ(NextOf(history_, ULONG_MAX), Fetch(kS_FALSE, {"c"}));
  ASSERT_EQ(history_.Reset(), kS_OK);
  EXPECT_EQ(history_.Skip(3), kS_OK);             // exactly to the end
  EXPECT_EQ(history_.Skip(ULONG_MAX), kS_FALSE);  // stops at the end...
  Add({"n0", "n1"});
  EXPECT_EQ(NextOf(history_, 1), Fetch(kS_OK, {"n0"}));  // ...not beyond it
  EXPECT_EQ(NextOf(*clone, 1), Fetch(kS_OK, {"c"}));     // not moved by the object
  // Cleared under a position of 4: nothing until the list grows past it.
  ASSERT_EQ(history_.ClearAll(), kS_OK);
  EXPECT_EQ(history_.Skip(1), kS_FALSE);
  Add({"x", "y", "z", "w", "v"});
  EXPECT_EQ(NextOf(history_, 9), Fetch(kS_FALSE, {"v"}));
  EXPECT_EQ(NextOf(*clone, 9), Fetch(kS_FALSE, {"w", "v"}));
}

// Runs attempt with n = 0, 1, ... allocations allowed while it fails; after_failure checks.
template <typename Attempt, typename Check>
HResult RetryUntilMemorySuffices(Attempt attempt, Check after_failure) {
  for (long n = 0; n < 50; ++n) {
    g_allocations_left.store(n);
    HResult result = attempt();
    g_allocations_left.store(-1);
    if (result != kE_OUTOFMEMORY) return result;
    after_failure(n);
  }
  return kE_OUTOFMEMORY;
}

TEST_F(HistoryTest, OutOfMemoryLeavesNothingHalfDone) {
  const std::string q(40, 'q');  // every copy allocates
  for (char c : {'a', 'b', 'c'}) ASSERT_EQ(history_.AddItem(q + c, 0), kS_OK);
  Texts texts = {"stale"};
  unsigned long fetched = 99;
  const auto next = [&] { return history_.Next(5, &texts, &fetched); };
  const auto unmoved = [&](long n) {  // a failed Next gives nothing and does not move
    EXPECT_TRUE(texts.empty() && fetched == 0) << n;
    EXPECT_EQ(NextOf(history_, 1), Fetch(kS_OK, {q + 'a'})) << n;
    ASSERT_EQ(history_.Reset(), kS_OK);
  };
  EXPECT_EQ(RetryUntilMemorySuffices(next, unmoved), kS_FALSE);
  EXPECT_EQ(texts.size(), 3u);
  // A failed AddItem adds nothing, and does not make a later one a duplicate.
  const std::string text = q + "new";
  const auto add = [&] { return history_.AddItem(text, 9); };
  const auto not_added = [&](long n) { EXPECT_EQ(AllItems(history_).size(), 3u) << n; };
  EXPECT_EQ(RetryUntilMemorySuffices(add, not_added), kS_OK);
  EXPECT_EQ(AllItems(history_).size(), 4u);
}

// Load takes only a regular file (no link, FIFO or folder; never a blocking open); Save writes
// no link, folder or missing folder.
TEST_F(HistoryTest, OnlyALoadOrRememberedSaveThatWorkedMovesTheCurrentFile) {
  Add({"x"});
  EXPECT_EQ(history_.Save(std::nullopt, true), kE_FAIL);  // no current file yet
  EXPECT_EQ(history_.ShutDown(), kE_FAIL);
  const std::string other = folder_.File("other.txt"), link = folder_.File("link.txt"),
                    fifo = folder_.File("fifo"), copy = folder_.File("copy.txt");
  WriteBytes(other, "07-other\r\n");
  ASSERT_EQ(::symlink(other.c_str(), link.c_str()), 0);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(history_.Save(copy, false), kS_OK);
  EXPECT_EQ(CurFile(history_), "");
  ASSERT_EQ(history_.Save(path_, true), kS_OK);
  const std::function<HResult()> refused[] = {
      [&] { return history_.Load(folder_.File("missing"), 0); },
      [&] { return history_.Load(folder_.path(), 0); },
      [&] { return history_.Load(link, 0); },
      [&] { return history_.Load(fifo, 0); },
      [&] { return history_.Save(link, true); },
      [&] { return history_.Save(folder_.path(), true); },
      [&] { return history_.Save(folder_.File("no/such/folder/h.txt"), true); },
  };
  for (size_t i = 0; i < std::size(refused); ++i) {
    auto call = std::async(std::launch::async, refused[i]);
    if (call.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
      ::close(::open(fifo.c_str(), O_RDWR | O_NONBLOCK));  // lets a blocked open go
      ADD_FAILURE() << "call " << i << " blocked";
    }
    EXPECT_EQ(call.get(), kE_FAIL) << i;
    EXPECT_EQ(AllItems(history_), (Entries{{0, "x"}})) << i;
    EXPECT_EQ(CurFile(history_), path_) << i;
  }
  EXPECT_EQ(ReadBytes(other), "07-other\r\n");  // not written through the link
  ASSERT_EQ(history_.AddItem("y", 2), kS_OK);
  ASSERT_EQ(history_.Save(std::nullopt, false), kS_OK);
  EXPECT_EQ(ReadBytes(path_), "00-x\r\n02-y\r\n");
  EXPECT_EQ(ReadBytes(copy), "00-x\r\n");
  ASSERT_EQ(history_.Load(other, 0), kS_OK);
  EXPECT_EQ(CurFile(history_), other);
}

}  // namespace
}  // namespace zr
