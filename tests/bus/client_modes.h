// Clients that the bus tests start as processes of their own (modes of the
// test program): a load client, a client that leaves a window open, and a
// client that stops answering its page's callbacks.
#ifndef ZRFORM_TESTS_BUS_CLIENT_MODES_H_
#define ZRFORM_TESTS_BUS_CLIENT_MODES_H_

#include <optional>

namespace zr::bus_test {

// Makes calls mixed calls as client number client, checking every answer, and
// prints one line: its count of wrong answers and each call's latency in
// microseconds. Returns the process exit status.
int RunLoadClient(int client, int calls);
// Calls PasswordManager (its window opens on the server's display), prints
// "calling" and waits for the reply, to be killed meanwhile.
int RunDialogClient();
// Calls FillInForm with a page whose first callback stops this process
// (SIGSTOP) before it can answer; prints "calling" first.
int RunStallClient();
// Runs the mode named by argv[1] ("--load C N", "--dialog", "--stall",
// "--hold"); none when argv names no mode.
std::optional<int> RunClientMode(int argc, char** argv);

}  // namespace zr::bus_test

#endif  // ZRFORM_TESTS_BUS_CLIENT_MODES_H_
