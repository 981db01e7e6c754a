#include "canvas/font.h"

#include <filesystem>

#include "canvas/canvas.h"
#include "canvas/matrix.h"
#include "platform/rtl/number_text.h"

namespace ht {

const THtFontClass THtFont::ClassType{
    "THtFont", nullptr,
    &CreateInstance<THtFont, THtFont, THtFontCollection*, const String&, float, THtFontStyles>};

namespace {

// The 1-based range [first, first + len) of s clipped to s, as Copy does.
StringView copyRange(StringView s, int first, int len) {
  if (first < 1) first = 1;
  if (len <= 0 || size_t(first) > s.size()) return StringView();
  return s.substr(size_t(first - 1), size_t(len));
}

}  // namespace

// ---------------------------------------------------------------------------
// THtFont

THtFont::THtFont(THtFontCollection* AOwner, const String& AFamily, float AHeight, THtFontStyles AStyle)
    : RealName(AFamily),
      FSize(AHeight * 72 / 96),
      FHeight(AHeight),
      FFamily(AFamily),
      FStyle(AStyle),
      FOwner(AOwner) {
  if (!AOwner) throw EAssertionFailed(u"Assertion failure (%s, line %d)", u"font.cpp", __LINE__);
  if (AOwner->CanvasClass) AOwner->CanvasClass->DecodeFontFamily(RealName);
  FWidths = std::make_unique<THtObjectDictionary>(4095, true, KeyField<&THtFontWidthRec::s>);
}

bool THtFont::GetWidth(StringView s, int AFirstChar, int ALength, float& W) const {
  if (AFirstChar < 1 || ALength < 0 || size_t(AFirstChar - 1) + size_t(ALength) > s.size()) return false;
  const char16_t* p = s.data() + (AFirstChar - 1);
  const int32_t slot = FWidths->IndexOfChars(FWidths->HashFunc()(p, ALength), p, ALength);
  if (slot < 0) return false;
  W = static_cast<const THtFontWidthRec*>(FWidths->Items()[slot].Data)->width;
  return true;
}

void THtFont::AddWidth(StringView s, float W) { FWidths->AddObject(new THtFontWidthRec(s, W)); }

void THtFont::AddWidth(StringView s, int AFirstChar, int ALength, float W) {
  AddWidth(copyRange(s, AFirstChar, ALength), W);
}

// ---------------------------------------------------------------------------
// THtFontCollection

THtFontCollection::THtFontCollection(const THtCanvasClass* ACanvasClass, bool AShared)
    : THtObjectDictionary(1024, true, &THtFont::KeyOf),
      CanvasClass(ACanvasClass),
      Shared(AShared),
      CustomFonts(std::make_unique<THtObjectDictionary>(16, true, KeyField<&THtCustomFont::FontNameLower>)) {}

THtFontCollection::~THtFontCollection() {
  // Custom fonts go first; the fonts go with the base dictionary.
  CustomFonts.reset();
}

String THtFontCollection::FontKeyFor(StringView AFamily, float AHeight, THtFontStyles AStyle,
                                     const std::vector<String>& AFeatures) {
  String key = FontNameLowerCase(AFamily);
  key += u'|';
  key += FastFloatToStr(AHeight, 2);
  key += u'|';
  key += char16_t(AStyle.ToBits() & 0xF3);
  for (const String& f : AFeatures) {
    key += u'|';
    key += f;
  }
  return key;
}

THtFont* THtFontCollection::GetFont(StringView AFamily, float AHeight, THtFontStyles AStyle,
                                    const std::vector<String>& AFeatures) {
  const String key = FontKeyFor(AFamily, AHeight, AStyle, AFeatures);
  THtFont* font = nullptr;
  if (!TryGetValue(key, font)) {
    const THtFontStyles plain = AStyle - THtFontStyles{hfsUnderline, hfsStrikeOut};
    const String family(AFamily.substr(0, 31));
    const THtFontClass* fontClass = CanvasClass ? CanvasClass->FontClass() : &THtFont::ClassType;
    std::unique_ptr<THtFont> made = fontClass->Create(this, family, AHeight, plain);
    made->FFontKey = key;
    made->FontFeatureSettings = AFeatures;
    font = made.get();
    AddObject(made.release());
  }
  font->SetStyle(AStyle);
  return font;
}

void THtFontCollection::AddFontFile(const String& AName, const String& AFileName) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(std::filesystem::path(StringToUtf8(AFileName)), ec)) return;
  TFileStream stream(AFileName, fmOpenRead);
  AddFontStream(AName, stream);
}

void THtFontCollection::AddFontStream(const String&, TStream&) {}

void THtFontCollection::AddFontsFrom(THtFontCollection*) {}

void THtFontCollection::RecordCustomFont(const String& AName, TStream& AStream) {
  auto* f = new THtCustomFont();
  f->FontNameLower = FontNameLowerCase(AName);
  f->FontName = AName;
  if (KeepFontData) f->FontData = StreamBytes(AStream);
  CustomFonts->AddObject(f);
}

void THtFontCollection::CopyCustomFontsFrom(THtFontCollection* ASource) {
  if (!ASource || !ASource->CustomFonts) return;
  int32_t pos = 0;
  while (THtObject* o = ASource->CustomFonts->NextObject(pos)) {
    auto* f = static_cast<THtCustomFont*>(o);
    THtCustomFont* existing = nullptr;
    if (f->FontData.empty() || CustomFonts->TryGetValue(f->FontNameLower, existing)) continue;
    TMemoryStream s(f->FontData.data(), f->FontData.size());
    AddFontStream(f->FontName, s);
  }
}

std::vector<uint8_t> StreamBytes(TStream& Stream) {
  if (auto* m = dynamic_cast<TMemoryStream*>(&Stream)) return m->Data();
  int64_t size = Stream.Size();
  std::vector<uint8_t> bytes(size > 0 ? size_t(size) : 0);
  Stream.SetPosition(0);
  size_t got = bytes.empty() ? 0 : Stream.Read(bytes.data(), bytes.size());
  bytes.resize(got);
  return bytes;
}

THtBytes THtFontCollection::GetFontData() { return THtBytes(); }

}  // namespace ht
