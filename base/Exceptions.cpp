#include "base/Exceptions.h"

#include <cerrno>
#include <cstring>

#include "base/Format.h"
#include "base/Utf.h"

namespace varnika {

Exception::Exception(std::u16string message)
    : message_(std::move(message)), utf8_(Utf16ToUtf8(message_)) {}

EOSError::EOSError(int error_code, std::u16string message)
    : Exception(std::move(message)), error_code_(error_code) {}

std::u16string SysErrorMessage(int error_code) {
  char buffer[256];
  // GNU strerror_r returns the message pointer (possibly not into buffer).
  const char* text = strerror_r(error_code, buffer, sizeof buffer);
  return Utf8ToUtf16(text ? text : "");
}

void RaiseOSError(int error_code) {
  throw EOSError(error_code, Format(u"System Error.  Code: %d.\r\n%s", error_code,
                                    SysErrorMessage(error_code)));
}

void RaiseLastOSError() { RaiseOSError(errno); }

}  // namespace varnika
