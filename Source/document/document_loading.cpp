// Loading: bytes or text into the element tree, the html/head/body
// structure, the document's sheet with its imports and fonts, and the first
// style pass.
#include <filesystem>
#include <fstream>
#include <random>

#include "markup/file_utils.h"
#include "canvas/canvas.h"
#include "canvas/font.h"
#include "css/css_extensions.h"
#include "css/default_style_sheet.h"
#include "document/document.h"
#include "document/global.h"
#include "document/script_adapter.h"
#include "document/self_styles.h"
#include "markup/base64.h"
#include "markup/str_utils.h"
#include "markup/url_utils.h"
#include "platform/rtl/code_pages.h"

namespace ht {

namespace {

// Text from bytes: a byte-order mark decides (and is skipped), else
// Fallback. Found is what the mark said.
String decodeBytes(const std::vector<uint8_t>& Bytes, THtmlEncoding Fallback, THtmlEncoding& Found) {
  const size_t n = Bytes.size();
  auto utf16 = [&](size_t from, bool bigEndian) {
    String s;
    s.reserve((n - from) / 2);
    for (size_t i = from; i + 1 < n; i += 2)
      s.push_back(bigEndian ? char16_t(Bytes[i] << 8 | Bytes[i + 1]) : char16_t(Bytes[i + 1] << 8 | Bytes[i]));
    return s;
  };
  const auto* p = reinterpret_cast<const char*>(Bytes.data());
  if (n >= 3 && Bytes[0] == 0xEF && Bytes[1] == 0xBB && Bytes[2] == 0xBF) {
    Found = heUTF8;
    return Utf8ToString(std::string_view(p + 3, n - 3));
  }
  if (n >= 2 && Bytes[0] == 0xFF && Bytes[1] == 0xFE) {
    Found = heUTF16;
    return utf16(2, false);
  }
  if (n >= 2 && Bytes[0] == 0xFE && Bytes[1] == 0xFF) {
    Found = heUTF16;
    return utf16(2, true);
  }
  Found = heDefault;
  switch (Fallback) {
    case heUTF16: return utf16(0, false);
    case heANSI: return AnsiToString(std::string_view(p, n));
    case heUTF8: return Utf8ToString(std::string_view(p, n));
    default: return AnsiToString(std::string_view(p, n));
  }
}

bool tagIn(StringView Tag, std::initializer_list<const char16_t*> Set) {
  for (const char16_t* t : Set)
    if (Tag == t) return true;
  return false;
}

String newFontName() {
  static std::mt19937_64 rng{std::random_device{}()};
  static const char16_t* const hex = u"0123456789ABCDEF";
  String s = u"F";
  for (int i = 0; i < 32; ++i) s.push_back(hex[rng() & 15]);
  return s;
}

}  // namespace

void THtDocument::LoadfromFile(const String& FileName) {
  std::ifstream in(std::filesystem::path(StringToUtf8(FileName)), std::ios::binary);
  if (!in) throw EFOpenError(u"Cannot open file \"%s\"", FileName);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  THtmlEncoding found = heDefault;
  const String text = decodeBytes(bytes, heANSI, found);
  // Read as lines and joined again with CR LF, with a break after the last.
  String joined;
  joined.reserve(text.size() + 2);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of(u"\r\n", start);
    if (end == String::npos) end = text.size();
    joined.append(text, start, end - start);
    joined += u"\r\n";
    if (end < text.size() && text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n') ++end;
    start = end + 1;
  }
  CurrentFile = FileName;
  Parse(joined, found, 0);
}

void THtDocument::LoadfromStream(TStream& AStream, THtmlEncoding AEncoding, int ACodePage) {
  const int64_t left = AStream.Size() - AStream.Position();
  std::vector<uint8_t> bytes(size_t(left > 0 ? left : 0));
  if (!bytes.empty()) bytes.resize(AStream.Read(bytes.data(), bytes.size()));
  THtmlEncoding found = heDefault;
  const THtmlEncoding fallback = AEncoding == heUTF16 ? heUTF16 : AEncoding == heANSI ? heANSI : heUTF8;
  Parse(decodeBytes(bytes, fallback, found), heDefault, ACodePage);
}

void THtDocument::Parse(const String& HTML, THtmlEncoding AEncoding, int ACodePage) {
  if (Count() > 0) throw EHtmlParserException(u"THtDOcument.Parse should be called only once");
  Selection.Clear();
  if (ChildNodeList()) ChildNodeList()->Clear();
  FIndexCounter = 1;
  Index = 0;
  NeedRecalc = true;
  {
    THtmlParser hp(HTML, false);
    Painting = true;
    struct TEnd {
      THtDocument* Doc;
      THtmlParser* HP;
      ~TEnd() {
        Doc->Encoding = HP->Encoding;
        Doc->Codepage = HP->Codepage;
        Doc->Painting = false;
      }
    } end{this, &hp};
    if (FQuirksModeSelector == qmDocType) FQuirksMode = false;
    else FQuirksMode = true;
    hp.Encoding = AEncoding;
    hp.Codepage = uint32_t(ACodePage);
    hp.Root = this;
    hp.GlobalRoot = this;
    hp.SetCaseSensitive(false);
    bool more = hp.NextItem();
    while (more && hp.TagType == htComment) more = hp.NextItem();
    while (hp.TagType == htCustom) {
      if (!ProcessingInstructins) ProcessingInstructins = std::make_unique<std::vector<String>>();
      ProcessingInstructins->push_back(u"<!" + hp.Value + u">");
      // The keyword in any case: "<!doctype html>" is as common as the
      // upper-case form.
      const String upper = [&] {
        String u;
        for (char16_t c : hp.Value) u.push_back(AsciiUpper(c));
        return u;
      }();
      if (upper.starts_with(u"DOCTYPE")) {
        FQuirksMode = false;
        hp.SetCaseSensitive(upper.starts_with(u"DOCTYPE X"));
      }
      if (!more || !(more = hp.NextItem())) break;
      if ((hp.TagType == htSpace || hp.TagType == htString) && IsBlankString(hp.Value)) more = hp.NextItem();
    }
    if (more || hp.TagType != htCustom) {
      hp.RepeatCurrent = true;
      InternalParse(hp);
    }
  }
  NormalizeTree();
  if (IsQuirksMode())
    if (TCSSStyleSheet* quirks = QuirksStyleSheet()) Styles->Assign(*quirks);
  const size_t imports = Styles->Imports().size();
  for (size_t i = 0; i < imports; ++i) {
    const String url = Styles->Imports()[i];
    const String text = GetURL(url, nullptr);
    if (!text.empty()) Styles->Parse(text, -1, false);
  }
  if (Styles->CustomFonts && Styles->CustomFonts->Count() > 0) LoadCustomFonts();
  TCSSExtension::AddExtensions(DocumentClasses, *Styles);
  CalcStyle(Styles.get());
  if (SelfFlow) SelfFlow->Reset();
  else EnsureSelfFlow();
  if (FScriptAdapter) FScriptAdapter->Compile();
  FOrientationResolved = false;
}

void THtDocument::NormalizeTree() {
  if (THtmlNode* title = FindNode(u"title")) Title = title->GetInnerText();
  // The one html element at the top becomes the document itself.
  TElement* html = nullptr;
  int tagged = 0;
  for (int i = 0; i < Count(); ++i) {
    THtNode* n = GetNode(i);
    if (n->Tag().empty()) continue;
    ++tagged;
    html = n->Tag() == u"html" ? dynamic_cast<TElement*>(n) : nullptr;
  }
  if (tagged == 1 && html) {
    if (THtAttributes* a = html->Attributes())
      for (int i = 0; i < a->Count; ++i) SetAttr(a->GetName(i), a->GetValue(i));
    SetTag(u"html");
    html->MoveChildrentoParent(true);
    DeleteChild(html);
  }
  if (Tag() == u"body") BodyElement = this;
  else if (auto* body = dynamic_cast<TElement*>(FindNode(u"body"))) BodyElement = body;
  else BodyElement = nullptr;
  if (BodyElement) {
    int content = 0;
    for (int i = 0; i < Count(); ++i) {
      StringView t = GetNode(i)->Tag();
      if (!t.empty() && !tagIn(t, {u"!", u"head", u"style", u"meta", u"report-objects", u"script"})) ++content;
    }
    if (content >= 2) BodyElement = nullptr;
  }
  if (!BodyElement) {
    if (!Tag().empty()) {
      auto* body = new TElement();
      body->SetTag(u"body");
      body->TagType = htIdent;
      Add(body);
      BodyElement = body;
      for (int i = Count() - 1; i >= 0; --i) {
        auto* e = dynamic_cast<TElement*>(GetNode(i));
        if (!e || e == body || tagIn(e->Tag(), {u"head", u"style", u"script", u"meta", u"link"})) continue;
        body->InsertAfter(nullptr, e);
      }
      RecalcIndexes();
    } else {
      SetTag(u"body");
      BodyElement = this;
    }
  }
  if (BodyElement && Tag().empty() && !FindNode(u"html")) SetTag(u"html");
  if (Tag().empty()) SetTag(u"html");
}

void THtDocument::ParseStyles(const String& StyleText) {
  if (SharedStyles && DocumentSheetCache()) {
    TCSSStyleSheet* cached = DocumentSheetCache()->FindOrAdd(StyleText, [&] {
      auto sheet = std::make_unique<TCSSStyleSheet>();
      sheet->Parse(StyleText, -1, false);
      return sheet;
    });
    Styles->Assign(*cached);
  } else {
    Styles->Parse(StyleText, -1, false);
  }
}

String THtDocument::GetURL(const String& Url, TElement* Element) {
  if (OnGetUrl) return OnGetUrl(this, Url, Element);
  return HtGlobalExists() ? GetHtGlobal().GetURL(this, Url, Element) : String();
}

String THtDocument::ResolveFontFamily(const String& Family) const {
  if (!Styles || !Styles->CustomFonts || Styles->CustomFonts->Count() == 0) return Family;
  String lower;
  for (char16_t c : Family) lower.push_back(LowerCaseChar(c));
  TCSSCustomFont* font = nullptr;
  if (Styles->CustomFonts->TryGetValue(lower, font) && !font->FontName.empty()) return font->FontName;
  return Family;
}

void THtDocument::LoadCustomFonts() {
  if (!Styles->CustomFonts) return;
  const bool service = THtCanvas::FontService() != nullptr;
  int32_t position = 0;
  try {
    for (THtObject* o = Styles->CustomFonts->NextObject(position); o; o = Styles->CustomFonts->NextObject(position)) {
      auto* font = static_cast<TCSSCustomFont*>(o);
      if (font->FontName.empty()) font->FontName = service ? newFontName() : font->Family;
      if (HtGlobalExists() && GetHtGlobal().IsVirtualImage(font->Src)) {
        THtBytes data;
        if (GetHtGlobal().GetImage(this, font->Src, data) && !data.empty() && FFontCollection) {
          TMemoryStream stream(data.data(), data.size());
          FFontCollection->AddFontStream(font->FontName, stream);
        }
        continue;
      }
      if (font->Src.starts_with(u"data:")) {
        if (!service) continue;
        const size_t comma = font->Src.find(u',');
        if (comma == String::npos || !FFontCollection) continue;
        try {
          const TBytes bytes = DecodeBase64ToBytes(StringView(font->Src).substr(comma + 1));
          TMemoryStream stream(bytes.data(), bytes.size());
          FFontCollection->AddFontStream(font->FontName, stream);
        } catch (const Exception&) {
          // A font that cannot be added is left out; the page still shows.
        }
        continue;
      }
      font->FontName = font->Family;
      const String base = CurrentFile.empty() ? ExecutableFolder() : FolderOf(CurrentFile);
      if (FFontCollection) FFontCollection->AddFontFile(font->FontName, CombineURL(base, font->Src));
    }
  } catch (const Exception&) {
    // Fonts added so far stay; the rest are not loaded.
  }
}

}  // namespace ht
