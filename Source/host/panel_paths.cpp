#include "host/panel_paths.h"

#include <filesystem>

#include "markup/url_utils.h"

namespace ht {

namespace {
bool startsWith(StringView s, StringView prefix) { return s.substr(0, prefix.size()) == prefix; }
bool isWeb(StringView s) { return startsWith(s, u"http:") || startsWith(s, u"https:"); }
}  // namespace

bool HtIsWebRequest(StringView Url, StringView Base) { return isWeb(Url) || isWeb(Base); }

String HtPrepareWebUrl(StringView Url, StringView Base) {
  String url;
  url.reserve(Url.size());
  for (char16_t ch : Url) {
    if (ch == u'\x10') url += u"%10";
    else url.push_back(ch);
  }
  if (startsWith(Base, u"http") && !startsWith(url, u"http")) url = CombineURL(Base, url);
  return url;
}

String HtLocalImagePath(StringView Url, StringView Base) {
  String dir(Base);
  const size_t slash = dir.find_last_of(u"/\\");
  dir = slash == String::npos ? String() : dir.substr(0, slash + 1);
  if (startsWith(dir, u".")) {
    std::error_code ec;
    const std::filesystem::path abs = std::filesystem::absolute(std::filesystem::path(StringToUtf8(dir)), ec);
    if (!ec) {
      dir = Utf8ToString(abs.lexically_normal().string());
      if (dir.empty() || dir.back() != u'/') dir.push_back(u'/');
    }
  }
  String path(Url);
  bool absolute = false;
  if (startsWith(path, u"file://")) {
    // "file:///abs" names an absolute path; "file://name" a local one.
    path = path.substr(7);
    absolute = startsWith(path, u"/");
  } else if (startsWith(path, u"file:")) {
    path = path.substr(5);
  }
  for (char16_t& ch : path)
    if (ch == u'\\') ch = u'/';
  if (absolute) return path;
  while (startsWith(path, u"../")) {
    path = path.substr(3);
    // The folder loses its last name (and keeps its trailing "/").
    String d = dir;
    if (!d.empty() && d.back() == u'/') d.pop_back();
    const size_t cut = d.find_last_of(u'/');
    dir = cut == String::npos ? String() : d.substr(0, cut + 1);
  }
  if (path.find(u':') == String::npos && !startsWith(path, u"//")) {
    if (startsWith(path, u"/")) path = path.substr(1);
    path = dir + path;
  }
  return path;
}

}  // namespace ht
