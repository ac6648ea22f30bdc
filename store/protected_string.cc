// Reading and writing ProtectedStrings.
#include "store/protected_string.h"

#include <cstdint>

#include "platform/code_page.h"
#include "store/file_cipher.h"

namespace zr {

std::string_view FitToStoredString(std::string_view s) {
  s = s.substr(0, s.find('\0'));
  if (s.size() > kMaxCipherBytes) s = s.substr(0, CharBoundaryAtOrBefore(s, kMaxCipherBytes));
  return s;
}

bool WriteProtectedString(ByteWriter& file, std::string_view s) {
  std::string text = FileCipher().Encrypt(FitToStoredString(s));
  return file.WriteUint32(static_cast<uint32_t>(text.size())) && file.Write(text);
}

bool ReadProtectedString(ByteReader& file, std::string& s) {
  uint32_t length = 0;
  if (file.ReadUint32(length) != ReadStatus::kOk) return false;
  if (length == 0) {
    s.clear();
    return true;
  }
  if (length > kMaxStoredTextLength) {
    // More than the 1024-byte buffer could ever have held: never trusted.
    if (file.Skip(length) == 0) return false;
    s.clear();
    return true;
  }
  std::string_view text = file.Take(length);
  if (text.empty()) return false;
  if (text.size() < length) {
    // Cut short by the end of the file: what is left cannot be the text.
    s.clear();
    return true;
  }
  text = text.substr(0, text.find('\0'));
  s = FileCipher().Decrypt(text);
  return true;
}

}  // namespace zr
