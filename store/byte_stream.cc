// In-memory byte streams for reading and writing data files.
#include "store/byte_stream.h"

#include <algorithm>

namespace zr {

std::string_view ByteReader::Take(size_t n) {
  n = std::min(n, remaining());
  std::string_view taken = data_.substr(position_, n);
  position_ += n;
  return taken;
}

size_t ByteReader::Skip(size_t n) {
  n = std::min(n, remaining());
  position_ += n;
  return n;
}

ReadStatus ByteReader::ReadUint32(uint32_t& value) {
  if (AtEnd()) return ReadStatus::kEnd;
  std::string_view bytes = Take(4);
  if (bytes.size() < 4) return ReadStatus::kFailed;
  value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(bytes[i]);
  return ReadStatus::kOk;
}

bool ByteWriter::WriteUint32(uint32_t value) {
  char bytes[4];
  for (char& byte : bytes) {
    byte = static_cast<char>(value & 0xFF);
    value >>= 8;
  }
  return Write(std::string_view(bytes, 4));
}

}  // namespace zr
