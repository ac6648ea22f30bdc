// Native messaging framing: each message is a 32-bit length in the machine's
// byte order, then that many bytes of UTF-8 JSON. ReadFrame is a plain
// function over the bytes received so far, so it can be tested and fuzzed
// without a pipe.
#ifndef ZRFORM_BROWSER_HOST_NATIVE_FRAME_H_
#define ZRFORM_BROWSER_HOST_NATIVE_FRAME_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zr {

// The longest message a browser sends (Chromium refuses more at postMessage),
// and the longest a browser takes from a host (one byte more closes the port).
inline constexpr uint32_t kMaxRequestBytes = 64u * 1024 * 1024;
inline constexpr uint32_t kMaxReplyBytes = 1024u * 1024;

struct FrameRead {
  enum class Status {
    kFrame,      // payload holds one whole message; consumed counts its bytes
    kNeedMore,   // the bytes end inside the length or the message
    kBadLength,  // 0 or over kMaxRequestBytes: the stream cannot be followed further
  };
  Status status = Status::kNeedMore;
  uint32_t length = 0;  // the length read, once four bytes are there
  size_t consumed = 0;
  std::string_view payload;  // points into the bytes given
};

// The first message of bytes.
FrameRead ReadFrame(std::string_view bytes);

// payload with its length in front.
std::string EncodeFrame(std::string_view payload);

}  // namespace zr

#endif  // ZRFORM_BROWSER_HOST_NATIVE_FRAME_H_
