#include "platform/rtl/string_list.h"

#include "platform/rtl/code_pages.h"
#include "platform/rtl/stream.h"

namespace ht {

namespace {

String utf16Text(const std::string& bytes, size_t from, bool bigEndian) {
  String s;
  s.reserve((bytes.size() - from) / 2);
  for (size_t i = from; i + 1 < bytes.size(); i += 2) {
    const auto a = uint8_t(bytes[i]), b = uint8_t(bytes[i + 1]);
    s.push_back(char16_t(bigEndian ? (a << 8 | b) : (b << 8 | a)));
  }
  return s;
}

}  // namespace

String TStringList::Text() const {
  String s;
  size_t n = 0;
  for (const String& l : FLines) n += l.size() + 2;
  s.reserve(n);
  for (const String& l : FLines) {
    s += l;
    s += u"\r\n";
  }
  return s;
}

void TStringList::SetText(StringView Value) {
  std::vector<String> lines;
  size_t start = 0;
  while (start < Value.size()) {
    size_t end = Value.find_first_of(u"\r\n", start);
    if (end == StringView::npos) end = Value.size();
    lines.emplace_back(Value.substr(start, end - start));
    if (end + 1 < Value.size() && Value[end] == u'\r' && Value[end + 1] == u'\n') ++end;
    start = end + 1;
  }
  FLines = std::move(lines);
  changed();
}

void TStringList::Add(StringView Line) {
  FLines.emplace_back(Line);
  changed();
}

void TStringList::Clear() {
  if (FLines.empty()) return;
  FLines.clear();
  changed();
}

void TStringList::Assign(const std::vector<String>& Lines) {
  FLines = Lines;
  changed();
}

void TStringList::Assign(const TStringList& Source) {
  if (&Source == this) return;
  FEncoding = Source.FEncoding;
  Assign(Source.FLines);
}

void TStringList::LoadFromFile(StringView FileName) {
  std::string bytes;
  {
    TFileStream f(FileName, fmOpenRead);
    char buf[65536];
    for (;;) {
      const size_t n = f.Read(buf, sizeof buf);
      if (n == 0) break;
      bytes.append(buf, n);
    }
  }
  auto starts = [&](std::string_view mark) { return std::string_view(bytes).substr(0, mark.size()) == mark; };
  String text;
  if (starts("\xEF\xBB\xBF")) {
    FEncoding = teUTF8;
    text = Utf8ToString(std::string_view(bytes).substr(3));
  } else if (starts("\xFF\xFE")) {
    FEncoding = teUTF16LE;
    text = utf16Text(bytes, 2, false);
  } else if (starts("\xFE\xFF")) {
    FEncoding = teUTF16BE;
    text = utf16Text(bytes, 2, true);
  } else {
    FEncoding = teANSI;
    text = AnsiToString(bytes);
  }
  SetText(text);
}

void TStringList::EndUpdate() {
  if (FUpdating > 0 && --FUpdating == 0 && FPending) {
    FPending = false;
    if (OnChange) OnChange();
  }
}

void TStringList::changed() {
  if (FUpdating > 0) {
    FPending = true;
    return;
  }
  if (OnChange) OnChange();
}

}  // namespace ht
