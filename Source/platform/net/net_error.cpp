#include "platform/net/net_error.h"

namespace ht {

namespace {

String message(int errorCode, StringView detail) {
  String text = Format(u"System Error.  Code: %d.\n%s", errorCode, NetErrorDescription(errorCode));
  if (!detail.empty()) {
    text += u" (";
    text += detail;
    text += u")";
  }
  return text;
}

}  // namespace

EOSError NetError(int errorCode, StringView detail) { return EOSError(errorCode, message(errorCode, detail)); }

StringView NetErrorDescription(int errorCode) {
  switch (errorCode) {
    case NET_ERROR_TIMEOUT: return u"The operation timed out";
    case NET_ERROR_INTERNAL: return u"An internal error occurred";
    case NET_ERROR_INVALID_URL: return u"The URL is invalid";
    case NET_ERROR_UNRECOGNIZED_SCHEME: return u"The URL does not use a recognized protocol";
    case NET_ERROR_NAME_NOT_RESOLVED: return u"The server name or address could not be resolved";
    case NET_ERROR_CANNOT_CONNECT: return u"A connection with the server could not be established";
    case NET_ERROR_CONNECTION_ERROR:
      return u"The connection with the server was terminated abnormally";
    case NET_ERROR_CLIENT_AUTH_CERT_NEEDED: return u"A certificate is required to complete client authentication";
    case NET_ERROR_INVALID_SERVER_RESPONSE: return u"The server response could not be parsed";
    case NET_ERROR_REDIRECT_FAILED: return u"The redirection failed";
    case NET_ERROR_SECURE_CHANNEL_ERROR: return u"An error occurred in the secure channel support";
    case NET_ERROR_SECURE_FAILURE: return u"A security error occurred";
    default: return u"";
  }
}

}  // namespace ht
