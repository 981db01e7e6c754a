#pragma once
// Base of every exception the engine raises. Each subsystem's exception class
// derives from it and carries that subsystem's fixed English message.
#include <exception>
#include <string>

#include "platform/rtl/format.h"
#include "platform/rtl/string.h"

namespace ht {

class Exception : public std::exception {
 public:
  explicit Exception(String message);
  template <class... Args>
  Exception(StringView fmt, const Args&... args) : Exception(Format(fmt, args...)) {}

  const String& Message() const { return message_; }
  const char* what() const noexcept override { return utf8_.c_str(); }

 private:
  String message_;
  std::string utf8_;
};

// Declares an exception class that inherits the base's constructors.
#define HT_DECLARE_EXCEPTION(Name, Base) \
  class Name : public Base {             \
   public:                               \
    using Base::Base;                    \
  }

// An index or value outside the range an operation accepts.
HT_DECLARE_EXCEPTION(ERangeError, Exception);

}  // namespace ht
