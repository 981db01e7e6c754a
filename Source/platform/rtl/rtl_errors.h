#pragma once
// The run-time library's own error classes, shared by every subsystem.
#include "platform/rtl/exception.h"

namespace ht {

// The list error of the platform lists; string-list errors are list errors too.
HT_DECLARE_EXCEPTION(EListError, Exception);
HT_DECLARE_EXCEPTION(EStringListError, EListError);

// Raised for a capacity request beyond what a container can address.
HT_DECLARE_EXCEPTION(EOutOfMemory, Exception);

// Raised when a reference-counted object is freed while references remain.
HT_DECLARE_EXCEPTION(EInvalidPointer, Exception);

// Raised by consistency checks whose failure the caller can observe:
// "Assertion failure (<file>, line <n>)".
HT_DECLARE_EXCEPTION(EAssertionFailed, Exception);

// An object of another class where a particular class was required:
// "Invalid class typecast".
HT_DECLARE_EXCEPTION(EInvalidCast, Exception);

// A platform call failed; the message is the platform's text for its last
// error, and ErrorCode its number where the failing layer has one (else 0).
class EOSError : public Exception {
 public:
  using Exception::Exception;
  EOSError(int errorCode, String message) : Exception(std::move(message)), errorCode_(errorCode) {}
  int ErrorCode() const { return errorCode_; }

 private:
  int errorCode_ = 0;
};

// An abstract operation of a class without an implementation: "Abstract Error".
HT_DECLARE_EXCEPTION(EAbstractError, Exception);

}  // namespace ht
