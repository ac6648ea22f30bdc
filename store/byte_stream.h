// In-memory byte streams that the data files are read from and written to.
// A file is read whole into a ByteReader; a save fills a ByteWriter and hands
// its bytes to an atomic file write. Numbers are 32-bit little-endian.
#ifndef ZRFORM_STORE_BYTE_STREAM_H_
#define ZRFORM_STORE_BYTE_STREAM_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zr {

// Outcome of reading one number: a whole number, a clean end of the data
// (no byte left), or a failure (the data ends inside the number).
enum class ReadStatus { kOk, kEnd, kFailed };

class ByteReader {
 public:
  // The reader looks at data; data must outlive it.
  explicit ByteReader(std::string_view data) : data_(data) {}

  // Takes up to n bytes; returns them (fewer at the end of the data).
  std::string_view Take(size_t n);
  // Passes over up to n bytes; returns how many were passed.
  size_t Skip(size_t n);
  ReadStatus ReadUint32(uint32_t& value);

  bool AtEnd() const { return position_ == data_.size(); }
  size_t remaining() const { return data_.size() - position_; }

 private:
  std::string_view data_;
  size_t position_ = 0;
};

class ByteWriter {
 public:
  // Appending to memory cannot fail short of running out of memory, which
  // throws; the bool results keep the shape of the file operations.
  bool Write(std::string_view bytes) {
    data_.append(bytes);
    return true;
  }
  bool WriteUint32(uint32_t value);

  const std::string& data() const { return data_; }

 private:
  std::string data_;
};

}  // namespace zr

#endif  // ZRFORM_STORE_BYTE_STREAM_H_
