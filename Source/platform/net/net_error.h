#pragma once
// Failures of the HTTP service. The engine was written against a platform
// whose HTTP errors are numbered (12002 time-out, 12175 certificate refused,
// ...) and branches on a few of those numbers, so every failure of the
// libcurl layer is mapped to the number of the matching condition and raised
// as the operating system's error, whose message holds the number.
#include "platform/rtl/rtl_errors.h"

namespace ht {

// Numbers of the conditions the HTTP layer reports.
enum : int {
  NET_ERROR_INTERNAL = 12004,
  NET_ERROR_TIMEOUT = 12002,
  NET_ERROR_INVALID_URL = 12005,
  NET_ERROR_UNRECOGNIZED_SCHEME = 12006,
  NET_ERROR_NAME_NOT_RESOLVED = 12007,
  NET_ERROR_CANNOT_CONNECT = 12029,
  NET_ERROR_CONNECTION_ERROR = 12030,
  NET_ERROR_CLIENT_AUTH_CERT_NEEDED = 12044,
  NET_ERROR_INVALID_SERVER_RESPONSE = 12152,
  NET_ERROR_REDIRECT_FAILED = 12156,
  NET_ERROR_SECURE_CHANNEL_ERROR = 12157,
  NET_ERROR_SECURE_FAILURE = 12175,
};

// The operating system's error for a condition number, with the message
// "System Error.  Code: <n>.\n<description>" and the library's detail
// appended when there is one.
EOSError NetError(int errorCode, StringView detail);

// The fixed description of a condition number ("" for an unknown number).
StringView NetErrorDescription(int errorCode);

}  // namespace ht
