// zrform-browser: the native messaging host of the ZRForm browser extension.
// Started by the browser with the caller's origin, it answers framed JSON
// requests on standard input until the browser closes it. Standard output
// carries the framed replies and nothing else: everything else that would
// reach it (Qt's messages included) goes to standard error, and no value or
// password is ever printed. Also: install | uninstall | status.
#include <poll.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "browser/host/extension_ids.h"
#include "browser/host/host_install.h"
#include "browser/host/host_request.h"
#include "browser/host/host_session.h"
#include "browser/host/native_frame.h"

namespace zr {
namespace {

// Chromium passes "chrome-extension://ID/"; Firefox the manifest's path and
// the add-on's id.
bool CallerIsExtension(const std::vector<std::string>& arguments) {
  if (arguments.size() == 1) return arguments[0] == kChromiumOrigin;
  return arguments.size() == 2 && arguments[1] == kFirefoxExtensionId;
}

void ToStandardError(QtMsgType, const QMessageLogContext&, const QString& message) {
  std::fprintf(stderr, "zrform-browser: %s\n", message.toLocal8Bit().constData());
}

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += static_cast<size_t>(written);
  }
  return true;
}

bool SendError(int out, const QJsonValue& id, const std::string& error) {
  return WriteAll(out, EncodeFrame(ReplyBytes(id, ErrorReply(id, "bad-message", error))));
}

// Serves requests from in until it closes; a stream that cannot be followed
// any further (a bad length, or a message cut short at its end) gets one
// error reply first. Returns the exit status.
int Serve(int in, int out, HostSession& session) {
  std::string buffer;
  size_t start = 0;  // where the unread bytes of buffer begin
  static char chunk[64 * 1024];
  for (;;) {
    FrameRead frame = ReadFrame(std::string_view(buffer).substr(start));
    if (frame.status == FrameRead::Status::kBadLength) {
      SendError(out, QJsonValue(),
                "a message length of " + std::to_string(frame.length) +
                    " bytes is not taken (1 to " + std::to_string(kMaxRequestBytes) +
                    "); the host stops reading");
      return 0;
    }
    if (frame.status == FrameRead::Status::kFrame) {
      DecodedRequest decoded = DecodeRequest(frame.payload);
      std::string reply =
          decoded.request
              ? ReplyBytes(decoded.request->id, session.Handle(*decoded.request))
              : ReplyBytes(decoded.id, ErrorReply(decoded.id, "bad-message", decoded.error));
      if (!WriteAll(out, EncodeFrame(reply))) return 0;  // the browser is gone
      start += frame.consumed;
      continue;
    }
    buffer.erase(0, start);
    start = 0;
    ssize_t got = ::read(in, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      if (!buffer.empty()) {
        SendError(out, QJsonValue(),
                  "the input ended inside a message (" + std::to_string(buffer.size()) +
                      " bytes of it came)");
      }
      return 0;
    }
    buffer.append(chunk, static_cast<size_t>(got));
  }
}

constexpr int kReaderCheckMs = 250;

// True when nobody reads the replies any more (the browser was killed or
// closed the port): the write end of a pipe whose reader is gone reports an error.
bool ReaderGone(int out) {
  pollfd watched{out, 0, 0};
  return ::poll(&watched, 1, 0) > 0 && (watched.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
}

std::string ThisProgram(const char* argv0) {
  std::error_code error;
  std::filesystem::path self = std::filesystem::canonical("/proc/self/exe", error);
  if (!error) return self.string();
  return std::filesystem::absolute(argv0, error).string();
}

}  // namespace
}  // namespace zr

int main(int argc, char** argv) {
  using namespace zr;
  std::vector<std::string> arguments(argv + 1, argv + argc);
  qInstallMessageHandler(ToStandardError);
  if (!arguments.empty() && IsInstallCommand(arguments[0])) {
    QCoreApplication app(argc, argv);
    return RunInstallCommand(arguments, ThisProgram(argv[0]));
  }
  if (!CallerIsExtension(arguments)) {
    std::cerr << "zrform-browser: refused: only the ZRForm extension (" << kChromiumOrigin << " or "
              << kFirefoxExtensionId
              << ") may start this host; to set it up, run: zrform-browser install\n";
    return 1;
  }
  // The replies keep standard output to themselves.
  const int out = ::dup(STDOUT_FILENO);
  if (out < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
    std::cerr << "zrform-browser: cannot set up standard output\n";
    return 1;
  }
  std::signal(SIGPIPE, SIG_IGN);
  QCoreApplication app(argc, argv);
  HostSession session(QDBusConnection::sessionBus());
  // A call can wait for minutes on a server window. If the browser goes away
  // meanwhile the host ends at once: leaving the bus gives every reference it
  // held on the server back. The timer only fires inside such a wait.
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [out] {
    if (ReaderGone(out)) std::_Exit(0);
  });
  watch.start(kReaderCheckMs);
  const int status = Serve(STDIN_FILENO, out, session);
  session.Release();
  return status;
}
