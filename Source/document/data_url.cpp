#include "document/data_url.h"

#include <functional>

#include "markup/base64.h"
#include "markup/url_utils.h"
#include "platform/rtl/format.h"

namespace ht {

namespace {

bool startsWith(StringView s, StringView prefix) { return s.substr(0, prefix.size()) == prefix; }

}  // namespace

bool SplitDataUrl(StringView Url, TDataUrl& Out) {
  if (!startsWith(Url, u"data:")) return false;
  const size_t comma = Url.find(u',', 5);
  if (comma == StringView::npos) return false;
  const StringView header = Url.substr(5, comma - 5);
  Out = TDataUrl{};
  size_t semi = header.find(u';');
  Out.MediaType = String(header.substr(0, semi));
  while (semi != StringView::npos) {
    const size_t next = header.find(u';', semi + 1);
    const StringView param =
        TrimBlanks(header.substr(semi + 1, next == StringView::npos ? StringView::npos : next - semi - 1));
    if (SameTextAscii(param, u"base64")) Out.Base64 = true;
    semi = next;
  }
  Out.Payload = Url.substr(comma + 1);
  return true;
}

String DataUrlKey(StringView Payload) {
  const size_t hash = std::hash<StringView>{}(Payload);
  return Format(u"%u.%u:", uint64_t(hash), uint64_t(Payload.size())) + String(Payload.substr(0, 100));
}

bool IsSVGText(StringView s) { return startsWith(s, u"<svg") || startsWith(s, u"<?xml"); }

void DecodeDataUrl(const TDataUrl& D, THtBytes& Bytes, String& Text) {
  Bytes.clear();
  Text.clear();
  if (D.Base64) {
    if (IsSVGText(D.Payload)) {
      Text = String(D.Payload);
      return;
    }
    Bytes = DecodeBase64ToBytes(D.Payload);
    return;
  }
  std::string raw = PercentDecodeBytes(D.Payload);
  if (IsSVGText(Utf8ToString(std::string_view(raw).substr(0, 5)))) {
    Text = Utf8ToString(raw);
    return;
  }
  Bytes.assign(raw.begin(), raw.end());
}

}  // namespace ht
