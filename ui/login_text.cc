// Writing edited texts back into login records.
#include "ui/login_text.h"

#include "ui/control_text.h"

namespace zr {

bool StoreIfChanged(std::string& stored, const QString& shown) {
  if (FromCodePage(stored) == shown) return false;
  std::string text = ToCodePage(shown);
  if (text == stored) return false;
  stored = std::move(text);
  return true;
}

}  // namespace zr
