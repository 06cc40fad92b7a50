// The exception classes the program raises, each carrying its user-facing
// message as wide text. what() gives the same message in UTF-8.
#pragma once

#include <exception>
#include <string>

namespace varnika {

class Exception : public std::exception {
 public:
  explicit Exception(std::u16string message);
  const std::u16string& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return utf8_.c_str(); }

 private:
  std::u16string message_;
  std::string utf8_;
};

#define VARNIKA_DECLARE_EXCEPTION(Name, Base) \
  class Name : public Base {                  \
   public:                                    \
    using Base::Base;                         \
  }

VARNIKA_DECLARE_EXCEPTION(EStringListError, Exception);
VARNIKA_DECLARE_EXCEPTION(EStreamError, Exception);
VARNIKA_DECLARE_EXCEPTION(EFileStreamError, EStreamError);
VARNIKA_DECLARE_EXCEPTION(EFOpenError, EFileStreamError);    // "Cannot open file "%s". %s"
VARNIKA_DECLARE_EXCEPTION(EFCreateError, EFileStreamError);  // "Cannot create file "%s". %s"
VARNIKA_DECLARE_EXCEPTION(EReadError, EStreamError);         // "Stream read error"
VARNIKA_DECLARE_EXCEPTION(EWriteError, EStreamError);        // "Stream write error"
VARNIKA_DECLARE_EXCEPTION(EInvalidOperation, Exception);     // "Parent Required %s"
VARNIKA_DECLARE_EXCEPTION(EInvalidCast, Exception);          // "Invalid class typecast"
VARNIKA_DECLARE_EXCEPTION(EConvertError, Exception);         // conversions, assignment
VARNIKA_DECLARE_EXCEPTION(EResNotFound, Exception);          // "Resource %s not found"
VARNIKA_DECLARE_EXCEPTION(EComponentError, Exception);       // duplicate component names

#undef VARNIKA_DECLARE_EXCEPTION

// The operating system's own error, with its code and text.
class EOSError : public Exception {
 public:
  EOSError(int error_code, std::u16string message);
  int ErrorCode() const noexcept { return error_code_; }

 private:
  int error_code_;
};

// The system's text for an errno value ("No such file or directory").
std::u16string SysErrorMessage(int error_code);

// Raises EOSError for error_code with the system's message:
// "System Error.  Code: %d.\r\n%s".
[[noreturn]] void RaiseOSError(int error_code);
// The same for the current errno.
[[noreturn]] void RaiseLastOSError();

}  // namespace varnika
