#include "platform/rtl/string_list.h"

#include "platform/rtl/code_pages.h"
#include "platform/rtl/exception.h"
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

void TStringList::Put(int Index, StringView S) {
  if (Index < 0 || Index >= Count()) throw Exception(u"List index out of bounds (%d)", Index);
  FLines[size_t(Index)] = String(S);
  changed();
}

void TStringList::Delete(int Index) {
  if (Index < 0 || Index >= Count()) throw Exception(u"List index out of bounds (%d)", Index);
  FLines.erase(FLines.begin() + Index);
  changed();
}

namespace {

bool sameAscii(StringView A, StringView B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i) {
    char16_t a = A[i], b = B[i];
    if (a >= u'A' && a <= u'Z') a = char16_t(a + 32);
    if (b >= u'A' && b <= u'Z') b = char16_t(b + 32);
    if (a != b) return false;
  }
  return true;
}

}  // namespace

String TStringList::Names(int Index) const {
  if (Index < 0 || Index >= Count()) return String();
  const String& l = FLines[size_t(Index)];
  const size_t eq = l.find(u'=');
  return eq == String::npos ? String() : l.substr(0, eq);
}

String TStringList::ValueFromIndex(int Index) const {
  if (Index < 0 || Index >= Count()) return String();
  const String& l = FLines[size_t(Index)];
  const size_t eq = l.find(u'=');
  return eq == String::npos ? String() : l.substr(eq + 1);
}

int TStringList::IndexOfName(StringView AName) const {
  for (int i = 0; i < Count(); ++i) {
    const String& l = FLines[size_t(i)];
    const size_t eq = l.find(u'=');
    if (eq != String::npos && sameAscii(StringView(l).substr(0, eq), AName)) return i;
  }
  return -1;
}

String TStringList::Values(StringView AName) const { return ValueFromIndex(IndexOfName(AName)); }

void TStringList::SetValues(StringView AName, StringView Value) {
  int i = IndexOfName(AName);
  if (Value.empty()) {
    if (i >= 0) Delete(i);
    return;
  }
  const String line = String(AName) + u"=" + String(Value);
  if (i < 0) {
    FLines.push_back(line);
    i = Count() - 1;
  }
  Put(i, line);
}

}  // namespace ht
