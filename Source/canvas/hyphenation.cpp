#include "canvas/hyphenation.h"

#include <memory>
#include <vector>

#include "platform/rtl/case_mapping.h"
#include "platform/rtl/code_pages.h"

namespace ht {

namespace {

StringView hyphenKey(const THtObject* AObject) { return static_cast<const THtHyphenItem*>(AObject)->Word; }
StringView languageKey(const THtObject* AObject) { return static_cast<const THtLanguage*>(AObject)->Name; }

std::unique_ptr<THtObjectDictionary>& languages() {
  static std::unique_ptr<THtObjectDictionary> registry;
  return registry;
}

bool isVowel(char16_t c) {
  switch (c) {
    case 0x0401: case 0x0410: case 0x0415: case 0x0418: case 0x0419: case 0x041E:
    case 0x0423: case 0x042B: case 0x042D: case 0x042E: case 0x042F:
      return true;
    default:
      return false;
  }
}

// The stream's remaining bytes as text, by its byte-order mark.
String readText(TStream& ST) {
  const int64_t size = ST.Size() - ST.Position();
  std::string bytes(size > 0 ? size_t(size) : 0, '\0');
  if (!bytes.empty()) bytes.resize(ST.Read(bytes.data(), bytes.size()));
  auto utf16 = [&](size_t from, bool bigEndian) {
    String s;
    s.reserve((bytes.size() - from) / 2);
    for (size_t i = from; i + 1 < bytes.size(); i += 2) {
      const auto b0 = uint8_t(bytes[i]), b1 = uint8_t(bytes[i + 1]);
      s.push_back(char16_t(bigEndian ? (b0 << 8 | b1) : (b1 << 8 | b0)));
    }
    return s;
  };
  const auto at = [&](size_t i) { return i < bytes.size() ? uint8_t(bytes[i]) : 0; };
  if (at(0) == 0xFF && at(1) == 0xFE) return utf16(2, false);
  if (at(0) == 0xFE && at(1) == 0xFF) return utf16(2, true);
  if (at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF) return Utf8ToString(std::string_view(bytes).substr(3));
  return AnsiToString(bytes);
}

}  // namespace

THtLanguage* THtLanguage::GetLanguage(StringView LangCode) {
  if (!languages()) languages() = std::make_unique<THtObjectDictionary>(16, true, &languageKey);
  THtLanguage* lang;
  if (languages()->TryGetValue(LangCode, lang)) return lang;
  return languages()->AddObject(new THtLanguage(LangCode));
}

void THtLanguage::AddHyphenation(StringView Word, const TCardinalArray& APositions) {
  if (!Hyphen) Hyphen = std::make_unique<THtObjectDictionary>(32001, true, &hyphenKey);
  auto item = std::make_unique<THtHyphenItem>();
  item->Word = UpperCaseSameLength(Word);
  item->Positions = APositions;
  Hyphen->AddObject(item.release());
}

void THtLanguage::LoadHyphenationfromStream(TStream& ST) {
  const String text = readText(ST);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of(u"\r\n", start);
    if (end == String::npos) end = text.size();
    const StringView line = StringView(text).substr(start, end - start);
    start = end;
    if (start < text.size() && text[start] == u'\r') ++start;
    if (start < text.size() && text[start] == u'\n') ++start;

    const size_t blank = line.find(u' ');
    const StringView word = blank == StringView::npos ? StringView() : line.substr(0, blank);
    const StringView marked = blank == StringView::npos ? line : line.substr(blank + 1);
    TCardinalArray positions;
    uint32_t letters = 0;
    for (char16_t c : marked) {
      if (c == u'-')
        positions.push_back(letters + 1);
      else
        ++letters;
    }
    AddHyphenation(word, positions);
  }
}

TCardinalArray THtLanguage::GetHyphenationPositions(StringView Word) const {
  if (Word.size() <= 3) return {};
  const String upper = UpperCaseSameLength(Word);
  THtHyphenItem* item;
  if (Hyphen && Hyphen->TryGetValue(upper, item)) return item->Positions;
  if (Name == u"ru") return RussianHyphenationPositions(upper);
  return {};
}

TCardinalArray RussianHyphenationPositions(StringView U) {
  const size_t n = U.size();
  // V(i) for the 1-based position i.
  const auto V = [&](size_t i) { return isVowel(U[i - 1]); };
  size_t vowels = 0, k = 0;
  for (size_t i = 1; i <= n; ++i)
    if (V(i)) {
      ++vowels;
      k = i;
    }
  TCardinalArray positions;
  if (vowels < 2) return positions;
  k = std::min(k, n - 1);
  size_t i = 1;
  while (i < k) {
    const bool v = V(i);
    while (i <= k && V(i) == v) ++i;
    ++i;
    if (v && i <= k && V(i))
      while (i <= k && V(i)) ++i;
    if (i <= k && U[i - 1] == u'\u0419' && V(i - 1)) ++i;
    if (i <= k) positions.push_back(uint32_t(i));
  }
  return positions;
}

void FinalizeLanguages() { languages().reset(); }

}  // namespace ht
