// Reading and writing the length-prefixed messages of native messaging.
#include "browser/host/native_frame.h"

#include <cstring>

namespace zr {

FrameRead ReadFrame(std::string_view bytes) {
  FrameRead read;
  if (bytes.size() < sizeof(uint32_t)) return read;
  std::memcpy(&read.length, bytes.data(), sizeof(uint32_t));
  if (read.length == 0 || read.length > kMaxRequestBytes) {
    read.status = FrameRead::Status::kBadLength;
    return read;
  }
  if (bytes.size() - sizeof(uint32_t) < read.length) return read;
  read.status = FrameRead::Status::kFrame;
  read.consumed = sizeof(uint32_t) + read.length;
  read.payload = bytes.substr(sizeof(uint32_t), read.length);
  return read;
}

std::string EncodeFrame(std::string_view payload) {
  const auto length = static_cast<uint32_t>(payload.size());
  std::string frame(sizeof(uint32_t), '\0');
  std::memcpy(frame.data(), &length, sizeof(uint32_t));
  frame.append(payload);
  return frame;
}

}  // namespace zr
