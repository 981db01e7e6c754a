#include "backends/dx_fonts.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "backends/canvas_dx.h"
#include "backends/d2d_helper.h"
#include "backends/gp_fonts.h"

namespace ht {

using namespace d2d;

const THtFontClass THtFontDX::ClassType{
    "THtFontDX", &THtFont::ClassType,
    CreateInstance<THtFontDX, THtFont, THtFontCollection*, const String&, float, THtFontStyles>};

namespace {

struct TNameEnding {
  const char16_t* Ending;
  UINT32 Weight;  // 0: weight kept
  DWRITE_FONT_STRETCH Stretch;
};

// Tested in this order; the first match is cut off the name.
const TNameEnding kEndings[] = {
    {u" NARROW", 0, DWRITE_FONT_STRETCH_ULTRA_CONDENSED}, {u" BLACK", 900, DWRITE_FONT_STRETCH_NORMAL},
    {u" BOLD", 700, DWRITE_FONT_STRETCH_NORMAL},          {u" EXTRABOLD", 800, DWRITE_FONT_STRETCH_NORMAL},
    {u" MEDIUM", 500, DWRITE_FONT_STRETCH_NORMAL},        {u" LIGHT", 300, DWRITE_FONT_STRETCH_NORMAL},
    {u" EXTRALIGHT", 200, DWRITE_FONT_STRETCH_NORMAL},    {u" REGULAR", 400, DWRITE_FONT_STRETCH_NORMAL},
};

String upper(StringView s) {
  String r(s);
  for (char16_t& c : r)
    if (c >= u'a' && c <= u'z') c = char16_t(c - 32);
  return r;
}

THtDXFontCollection* sharedDX() {
  return static_cast<THtDXFontCollection*>(THtCanvasDX::ClassType.SharedFontCollection());
}

}  // namespace

THtFontDX::THtFontDX(THtFontCollection* AOwner, const String& AFamily, float AHeight, THtFontStyles AStyle)
    : THtFont(AOwner, AFamily, AHeight, AStyle) {
  createFormat();
  measure();
}

void THtFontDX::createFormat() {
  UINT32 weight = FStyle.Contains(hfsBold)         ? 700
                  : FStyle.Contains(hfsUltraLight) ? 200
                  : FStyle.Contains(hfsLight)      ? 300
                                                   : 400;
  DWRITE_FONT_STYLE style = FStyle.Contains(hfsItalic) ? DWRITE_FONT_STYLE_ITALIC : DWRITE_FONT_STYLE_NORMAL;
  DWRITE_FONT_STRETCH stretch = DWRITE_FONT_STRETCH_NORMAL;
  String name = RealName;
  String up = upper(name);
  for (const TNameEnding& e : kEndings) {
    StringView end(e.Ending);
    if (up.size() > end.size() && StringView(up).substr(up.size() - end.size()) == end) {
      name.resize(name.size() - end.size());
      if (e.Weight) weight = e.Weight;
      stretch = e.Stretch;
      break;
    }
  }
  std::shared_ptr<IDWriteFontCollection> collection;
  if (auto* own = dynamic_cast<THtDXFontCollection*>(FOwner); own && !own->CustomDXFonts().Empty())
    collection = own->CustomDXFonts().HasFont(name);
  if (!collection && FOwner != sharedDX() && !sharedDX()->CustomDXFonts().Empty())
    collection = sharedDX()->CustomDXFonts().HasFont(name);
  auto factory = GetDWriteFactory();
  if (!collection) {
    OleCheck(factory->GetSystemFontCollection(&collection, 0));
    UINT32 index;
    BOOL exists;
    OleCheck(collection->FindFamilyName(name, &index, &exists));
    if (!exists && SameTextAscii(name, u"Helvetica")) name = RealName = u"Arial";
  }
  FormatName = name;
  FormatWeight = weight;
  FormatStretch = stretch;
  factory->CreateTextFormat(name, collection, weight, style, stretch, std::max(FHeight, 1.0f), u"en-us", &Font);
  if (!Font) {
    std::shared_ptr<IDWriteFontCollection> system;
    OleCheck(factory->GetSystemFontCollection(&system, 0));
    OleCheck(factory->CreateTextFormat(u"Arial", system, weight, style, DWRITE_FONT_STRETCH_NORMAL, 10.0f, u"en-us",
                                       &Font));
    RealName = u"Arial";
  }
  Font->SetWordWrapping(DWRITE_WORD_WRAPPING_NO_WRAP);
  IsTimes = AsciiLowerCase(FFamily).rfind(u"times", 0) == 0;
}

void THtFontDX::measure() {
  String family;
  OleCheck(Font->GetFontFamilyName(&family));
  size_t comma = family.rfind(u',');
  if (comma != String::npos && comma > 0) family.resize(comma);
  std::shared_ptr<IDWriteFontCollection> collection;
  OleCheck(Font->GetFontCollection(&collection));
  UINT32 index;
  BOOL exists;
  OleCheck(collection->FindFamilyName(family, &index, &exists));
  if (!exists) OleCheck(collection->FindFamilyName(u"Arial", &index, &exists));
  if (!exists) index = 0;
  std::shared_ptr<IDWriteFontFamily> fam;
  OleCheck(collection->GetFontFamily(index, &fam));
  std::shared_ptr<IDWriteFont> font;
  OleCheck(fam->GetFirstMatchingFont(Font->GetFontWeight(), Font->GetFontStretch(), Font->GetFontStyle(), &font));
  DWRITE_FONT_METRICS m;
  font->GetMetrics(&m);
  float u = float(m.designUnitsPerEm), k = FSize * 96 / 72;
  Fixed = false;
  Underline = (-float(m.underlinePosition) - float(m.underlineThickness) / 2) / u * k;
  UnderlineHeight = std::max(1, int(std::trunc(float(m.underlineThickness) / u * k)));
  Strike = float(m.strikethroughPosition) / u * k;

  std::shared_ptr<IDWriteTextLayout> layout;
  OleCheck(GetDWriteFactory()->CreateTextLayout(u"i", Font.get(), 2147483648.0f, 2147483648.0f, &layout));
  Ascent = float(m.ascent) / u * FHeight;
  Descent = float(m.descent) / u * FHeight;
  DWRITE_LINE_SPACING_METHOD method;
  float baseline;
  OleCheck(layout->GetLineSpacing(&method, &LineSpacing, &baseline));
  LineHeight = Ascent + Descent + LineSpacing;
  DWRITE_TEXT_METRICS tm;
  OleCheck(layout->GetMetrics(&tm));
  MinCharWidth = tm.widthIncludingTrailingWhitespace;
  THtTextStyle plain;
  plain.Reset();
  SpaceWidth = THtCanvasDX::ClassType.MeasureString(u"     ", this, plain, 5, 1, -1) / 5;
  if (FHeight == 0) FSize = FHeight = SpaceWidth = Ascent = Descent = 0;
}

// ---------------------------------------------------------------- in-memory fonts

void TDXCustomFonts::AddFontStream(const String& AFontName, TStream& AStream) {
  auto bytes = std::make_shared<const std::vector<uint8_t>>(StreamBytes(AStream));
  for (auto& [key, font] : FFonts) {
    if (*font->FontData != *bytes) continue;
    if (font->FontName == AFontName) return;
    bytes = font->FontData;
    break;
  }
  auto font = std::make_shared<TDXCustomFont>();
  font->FontName = AFontName;
  font->FontData = std::move(bytes);
  String key = FontNameLowerCase(AFontName);
  auto it = std::find_if(FFonts.begin(), FFonts.end(), [&](auto& e) { return e.first == key; });
  if (it != FFonts.end())
    it->second = std::move(font);
  else
    FFonts.emplace_back(std::move(key), std::move(font));
  FUpdated = true;
}

std::shared_ptr<IDWriteFontCollection> TDXCustomFonts::HasFont(StringView FontName) {
  if (FUpdated) {
    auto c = std::make_unique<TDXCustomFontCollection>();
    for (auto& [key, font] : FFonts)
      if (!font->Collection) c->FontList.push_back(font);
    TDXCustomFontCollection* raw = c.get();
    OleCheck(GetDWriteFactory()->CreateCustomFontCollection(c->ColLoader.get(), &raw, sizeof raw,
                                                            &c->FFontCollection));
    for (auto& font : c->FontList) font->Collection = c->FFontCollection;
    FCollections.push_back(std::move(c));
    FUpdated = false;
  }
  String key = FontNameLowerCase(FontName);
  for (auto& [k, font] : FFonts)
    if (k == key) return font->Collection;
  return nullptr;
}

// ---------------------------------------------------------------- loaders

HRESULT TDWriteFontResource::ReadFileFragment(const void** Start, UINT64 Offset, UINT64 Size, void** Context) {
  const std::vector<uint8_t>* data = Res ? Res->FontData.get() : nullptr;
  if (!data || Offset >= data->size() || Size > data->size() - Offset) {
    *Start = nullptr;
    *Context = nullptr;
    return E_FAIL;
  }
  *Start = data->data() + Offset;
  *Context = const_cast<uint8_t*>(data->data() + Offset);
  return S_OK;
}

HRESULT TDWriteFontResource::GetFileSize(UINT64* Size) {
  if (!Res || !Res->FontData) return E_FAIL;
  *Size = Res->FontData->size();
  return S_OK;
}

HRESULT TDWriteFontResource::GetLastWriteTime(UINT64* Time) {
  *Time = 0;
  return S_OK;
}

HRESULT TDWriteFontFileLoader::CreateStreamFromKey(const void* Key, UINT32 KeySize,
                                                   std::shared_ptr<IDWriteFontFileStream>* Stream) {
  Stream->reset();
  if (!Key || KeySize != sizeof(void*) || !FCollection) return E_INVALIDARG;
  const TDXCustomFont* named;
  std::memcpy(&named, Key, sizeof named);
  for (auto& f : FCollection->FontList)
    if (f.get() == named) {
      *Stream = std::make_shared<TDWriteFontResource>(f);
      return S_OK;
    }
  return E_INVALIDARG;
}

HRESULT TDWriteFontFileEnumerator::MoveNext(BOOL* HasCurrentFile) {
  *HasCurrentFile = 0;
  if (!FCollection) return S_OK;
  while (size_t(FIndex) < FCollection->FontList.size()) {
    FCurrentfile.reset();
    const TDXCustomFont* key = FCollection->FontList[size_t(FIndex)].get();
    OleCheck(FFactory->CreateCustomFontFileReference(&key, sizeof key, FCollection->Loader.get(), &FCurrentfile));
    *HasCurrentFile = FCurrentfile != nullptr;
    ++FIndex;
    break;
  }
  return S_OK;
}

HRESULT TDWriteFontFileEnumerator::GetCurrentFontFile(std::shared_ptr<IDWriteFontFile>* File) {
  *File = FCurrentfile;
  return S_OK;
}

HRESULT TDWriteFontCollectionLoader::CreateEnumeratorFromKey(IDWriteFactory* Factory, const void*, UINT32,
                                                             std::shared_ptr<IDWriteFontFileEnumerator>* Enumerator) {
  *Enumerator = std::make_shared<TDWriteFontFileEnumerator>(Factory, FCollection);
  return S_OK;
}

TDXCustomFontCollection::TDXCustomFontCollection() : FFactory(GetDWriteFactory()) {
  Loader = std::make_shared<TDWriteFontFileLoader>();
  Loader->FCollection = this;
  ColLoader = std::make_shared<TDWriteFontCollectionLoader>();
  ColLoader->FCollection = this;
  OleCheck(FFactory->RegisterFontFileLoader(Loader));
  HRESULT hr = FFactory->RegisterFontCollectionLoader(ColLoader);
  if (FAILED(hr)) {
    FFactory->UnregisterFontFileLoader(Loader.get());
    OleCheck(hr);
  }
}

TDXCustomFontCollection::~TDXCustomFontCollection() {
  Loader->FCollection = nullptr;
  ColLoader->FCollection = nullptr;
  FFactory->UnregisterFontFileLoader(Loader.get());
  FFactory->UnregisterFontCollectionLoader(ColLoader.get());
}

void THtDXFontCollection::AddFontStream(const String& AName, TStream& AStream) {
  AStream.SetPosition(0);
  FCustom.AddFontStream(AName, AStream);
  RecordCustomFont(AName, AStream);
}

void THtDXFontCollection::AddFontsFrom(THtFontCollection* ASource) {
  CopyCustomFontsFrom(ASource);
}

}  // namespace ht
