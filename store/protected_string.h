// ProtectedString: one enciphered text of a data file, stored as a 32-bit
// byte count followed by the Base64 text of its ciphertext.
#ifndef ZRFORM_STORE_PROTECTED_STRING_H_
#define ZRFORM_STORE_PROTECTED_STRING_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "store/byte_stream.h"

namespace zr {

// The longest Base64 text a stored string may have: that of 1024 bytes.
inline constexpr size_t kMaxStoredTextLength = 1368;

// s as a stored string holds it: up to its first zero byte, and cut to the
// 1024-byte buffer at the last character boundary of the code page that fits.
std::string_view FitToStoredString(std::string_view s);

// Writes s (up to its first zero byte) as a ProtectedString. A text longer
// than the 1024-byte buffer is cut at the last character boundary of the code
// page that fits.
bool WriteProtectedString(ByteWriter& file, std::string_view s);

// Reads one ProtectedString into s.
// Returns false, leaving s unchanged, at the end of the data or when the
// length cannot be read whole, or when a non-zero length is followed by no
// byte at all. A text cut short by the end of the data, a text that is not
// valid Base64 and a length above kMaxStoredTextLength (whose bytes are
// passed over) all read as the empty string with true, so reading goes on.
bool ReadProtectedString(ByteReader& file, std::string& s);

}  // namespace zr

#endif  // ZRFORM_STORE_PROTECTED_STRING_H_
