#include "platform/rtl/exception.h"

namespace ht {

Exception::Exception(String message) : message_(std::move(message)), utf8_(StringToUtf8(message_)) {}

}  // namespace ht
