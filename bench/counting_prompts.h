// Prompts for benchmarks: dialogs never open in these runs; each one counts,
// and a run that shows one is not the case measured.
#ifndef ZRFORM_BENCH_COUNTING_PROMPTS_H_
#define ZRFORM_BENCH_COUNTING_PROMPTS_H_

#include <optional>
#include <string>
#include <vector>

#include "forms/prompts.h"

namespace zr {

class CountingPrompts final : public Prompts {
 public:
  int shown = 0;
  MessageAnswer ShowMessage(WindowId, std::string_view, std::string_view, MessageIcon,
                            MessageButtons) override {
    ++shown;
    return MessageAnswer::kOk;
  }
  std::optional<std::string> AskMasterPassword(WindowId) override { return Shown(); }
  std::optional<std::string> SetUpMasterPassword(WindowId, std::string_view) override {
    return Shown();
  }
  int SelectLogin(WindowId, LoginStore&, const std::vector<int>&) override {
    ++shown;
    return -1;
  }
  RememberAnswer RememberPassword(WindowId, RememberPasswordData&) override {
    ++shown;
    return RememberAnswer::kNo;
  }
  void ShowLoginManager(WindowId, LoginStore&) override { ++shown; }
  void ShowFormManager(WindowId, FormProfile&, FormProfile&) override { ++shown; }

 private:
  std::optional<std::string> Shown() {
    ++shown;
    return std::nullopt;
  }
};

}  // namespace zr

#endif  // ZRFORM_BENCH_COUNTING_PROMPTS_H_
