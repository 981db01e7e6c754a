// Writing a document back as HTML text: strings, streams and files in four
// encodings, and local copies whose linked sheets and images sit in a side
// folder beside the file.
#include <filesystem>
#include <map>
#include <set>

#include "document/document.h"
#include "markup/fast_string.h"
#include "markup/file_utils.h"
#include "markup/html_writer.h"
#include "markup/xpath.h"
#include "platform/rtl/code_pages.h"

namespace ht {

namespace {

constexpr int kChunk = 65535;

// Keeps the document's encoding and code page and puts them back when the
// save ends, however it ends.
class TEncodingGuard {
 public:
  explicit TEncodingGuard(THtDocument& D) : doc_(D), encoding_(D.Encoding), codepage_(D.Codepage) {}
  ~TEncodingGuard() {
    doc_.Encoding = encoding_;
    doc_.Codepage = codepage_;
  }
  TEncodingGuard(const TEncodingGuard&) = delete;
  TEncodingGuard& operator=(const TEncodingGuard&) = delete;

 private:
  THtDocument& doc_;
  THtmlEncoding encoding_;
  uint32_t codepage_;
};

bool hasHtmlChild(const THtDocument& D) {
  for (int i = 0; i < D.Count(); ++i)
    if (D.GetNode(i)->Tag() == u"html") return true;
  return false;
}

// Files and streams get an html element around a document that has none.
bool needsHtmlWrap(const THtDocument& D) { return !(D.Tag() == u"html" || hasHtmlChild(D)); }

void addBom(std::string& Out, THtmlEncoding E) {
  if (E == heUTF16) Out.append("\xFF\xFE", 2);
  else if (E == heUTF8 || E == heDefault) Out.append("\xEF\xBB\xBF", 3);
}

std::string utf16LE(StringView S) {
  std::string out;
  out.reserve(S.size() * 2);
  for (char16_t c : S) {
    out.push_back(char(c & 0xFF));
    out.push_back(char(c >> 8));
  }
  return out;
}

String intText(int N) { return AsciiToString(std::to_string(N)); }

int codePageInUse(uint32_t Codepage) { return Codepage == 0 ? SystemAnsiCodePage() : int(Codepage); }

// 7-bit bytes: ASCII as it is, everything else as one decimal reference per
// code point (a surrogate pair is one character; U+0000 is written too, so
// nothing after it is lost).
void addAnsiEncoded(TFastRawString& FS, StringView S) {
  for (size_t i = 0; i < S.size(); ++i) {
    uint32_t c = S[i];
    if (c >= 1 && c <= 127) {
      FS.AddChar(char(c));
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < S.size() && S[i + 1] >= 0xDC00 && S[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (uint32_t(S[i + 1]) - 0xDC00);
      ++i;
    }
    FS.Add("&#").AddInt(int(c)).AddChar(';');
  }
}

std::string ansiEncodedBytes(StringView S) {
  TFastRawString FS(kChunk);
  addAnsiEncoded(FS, S);
  return FS.ToString();
}

// A side file's name from a link: leading "/" dropped, the query cut after
// its first character, characters that name folders or are special in
// URLs replaced; names that would leave the folder fall back to Index.
String sideFileName(StringView Link, int Index) {
  size_t start = 0;
  while (start < Link.size() && Link[start] == u'/') ++start;
  String name(Link.substr(start));
  if (size_t q = name.find(u'?'); q != String::npos) name.resize(std::min(name.size(), q + 2));
  name = SafeFileName(name);
  for (char16_t& c : name)
    if (c < 0x20 || c == u':') c = u'_';
  if (name.find_first_not_of(u'.') == String::npos) name = intText(Index);
  return name;
}

// Distinct links that shorten to one name get numbered copies, so one
// resource never overwrites another.
class TSideFiles {
 public:
  TSideFiles(const String& FileName) : folder_(FileName + u".files") {
    size_t slash = FileName.find_last_of(u"/\\");
    linkPrefix_ = (slash == String::npos ? FileName : FileName.substr(slash + 1)) + u".files/";
  }
  String NameFor(const String& Link, int Index) {
    if (auto it = byLink_.find(Link); it != byLink_.end()) return it->second;
    String base = sideFileName(Link, Index), name = base;
    for (int n = 2; used_.count(name); ++n) {
      size_t dot = base.rfind(u'.');
      if (dot == String::npos || dot == 0) dot = base.size();
      name = base.substr(0, dot) + u"_" + intText(n) + base.substr(dot);
    }
    used_.insert(name);
    byLink_[Link] = name;
    return name;
  }
  String Path(const String& Name) const {
    std::filesystem::create_directories(std::filesystem::path(StringToUtf8(folder_)));
    return folder_ + u"/" + Name;
  }
  String Link(const String& Name) const { return linkPrefix_ + Name; }

 private:
  String folder_, linkPrefix_;
  std::map<String, String> byLink_;
  std::set<String> used_;
};

}  // namespace

String SafeFileName(StringView S) {
  String r(S);
  for (char16_t& c : r)
    if (c == u'*' || c == u'/' || c == u'\\' || c == u'?' || c == u'#' || c == u'%' || c == u'$') c = u'_';
  return r;
}

String THtDocument::SaveCharset() const {
  switch (Encoding) {
    case heUTF8: return u"utf-8";
    case heUTF16: return u"utf-16";
    case heANSI: return u"windows-" + intText(codePageInUse(Codepage));
    default: return String();
  }
}

String THtDocument::GetOuterHTML() {
  if (Changed) RecalcStyles();
  const bool wrap = !hasHtmlChild(*this) && Count() >= 2 && !Tag().empty();
  TFastString FS(kChunk);
  FS.Charset = SaveCharset();
  if (ProcessingInstructins)
    for (const String& line : *ProcessingInstructins) FS.Add(line).Add(u"\r\n");
  if (wrap) {
    FS.AddChar(u'<').Add(Tag());
    if (Attributes() && Attributes()->Count > 0) FS.AddChar(u' ').Add(AsString(*Attributes()));
    FS.AddChar(u'>');
  }
  for (int i = 0; i < Count(); ++i)
    if (auto* n = dynamic_cast<THtmlNode*>(GetNode(i))) n->FastInnerHTML(FS);
  if (wrap) FS.Add(u"</").Add(Tag()).AddChar(u'>');
  return FS.ToString();
}

String THtDocument::FormattedHTML(int Spaces) {
  const bool wrap = !hasHtmlChild(*this) && Count() >= 2 && !Tag().empty();
  TFastString FS(kChunk);
  FS.Charset = SaveCharset();
  if (ProcessingInstructins)
    for (const String& line : *ProcessingInstructins) FS.Add(line).Add(u"\r\n");
  if (wrap) {
    FS.AddChar(u'<').Add(Tag());
    if (Attributes() && Attributes()->Count > 0) FS.AddChar(u' ').Add(AsString(*Attributes()));
    FS.AddChar(u'>');
  }
  bool afterBlock = true;
  for (int i = 0; i < Count(); ++i)
    if (auto* n = dynamic_cast<THtmlNode*>(GetNode(i))) n->FastFormattedHTML(FS, 1, Spaces, afterBlock);
  if (wrap) FS.Add(u"\r\n</").Add(Tag()).AddChar(u'>');
  return FS.ToString();
}

void THtDocument::SaveToFileANSI(const String& FileName, int ACodePage) {
  TEncodingGuard guard(*this);
  Encoding = heANSI;
  Codepage = uint32_t(ACodePage);
  const String s = GetOuterHTML();
  const int cp = codePageInUse(Codepage);
  std::string bytes = StringToCodePage(s, cp);
  if (needsHtmlWrap(*this)) bytes = "<html>" + bytes + "</html>";
  SaveAnsiStringToFile(bytes, FileName);
}

void THtDocument::SaveToFileANSIEncoded(const String& FileName) {
  TEncodingGuard guard(*this);
  Encoding = heANSI;
  if (Codepage == 0) Codepage = uint32_t(SystemAnsiCodePage());
  std::string bytes = ansiEncodedBytes(GetOuterHTML());
  if (needsHtmlWrap(*this)) bytes = "<html>" + bytes + "</html>";
  SaveRawBytesToFile(bytes, FileName);
}

void THtDocument::SaveToStreamANSIEncoded(TStream& AStream) {
  TEncodingGuard guard(*this);
  Encoding = heANSI;
  if (Codepage == 0) Codepage = uint32_t(SystemAnsiCodePage());
  const std::string bytes = ansiEncodedBytes(GetOuterHTML());
  AStream.WriteBuffer(bytes.data(), bytes.size());
}

void THtDocument::SaveToFileUTF8(const String& FileName) {
  TEncodingGuard guard(*this);
  Encoding = heUTF8;
  const bool wrap = needsHtmlWrap(*this);
  TFastRawString FS(kChunk);
  FS.Add("\xEF\xBB\xBF");
  if (wrap) FS.Add("<html>");
  FS.AddUTF8(GetOuterHTML());
  if (wrap) FS.Add("</html>");
  SaveRawBytesToFile(FS.ToString(), FileName);
}

void THtDocument::SavetoFileUnicode(const String& FileName) {
  TEncodingGuard guard(*this);
  Encoding = heUTF16;
  String s = GetOuterHTML();
  if (needsHtmlWrap(*this)) s = u"<html>" + s + u"</html>";
  SaveStringToFileUTF16(s, FileName);
}

void THtDocument::SavetoFile(const String& FileName, THtmlEncoding AEncoding) {
  switch (AEncoding) {
    case heANSI: SaveToFileANSI(FileName, 0); break;
    case heUTF16: SavetoFileUnicode(FileName); break;
    default: SaveToFileUTF8(FileName); break;
  }
}

void THtDocument::SavetoStream(TStream& AStream, THtmlEncoding AEncoding) {
  TEncodingGuard guard(*this);
  Encoding = AEncoding;
  String s = GetOuterHTML();
  if (needsHtmlWrap(*this)) s = u"<html>" + s + u"</html>";
  std::string bytes;
  addBom(bytes, AEncoding);
  if (AEncoding == heUTF16) bytes += utf16LE(s);
  else if (AEncoding == heANSI) bytes += StringToCodePage(s, codePageInUse(Codepage));  // the page the meta names
  else bytes += StringToUtf8(s);
  AStream.WriteBuffer(bytes.data(), bytes.size());
}

void THtDocument::SavetoLocalFile(const String& FileName, THtmlEncoding AEncoding) {
  TSideFiles side(FileName);
  auto select = [this](StringView Path) {
    IHtNodeList list = XPath(this, Path);
    std::vector<TElement*> out;
    for (int i = 0; list && i < list->Count(); ++i)
      if (auto* e = dynamic_cast<TElement*>(list->Get(i))) out.push_back(e);
    return out;
  };
  int index = 0;
  for (TElement* e : select(u"//link")) {
    const int i = index++;
    try {
      const String href = e->GetAttribute(u"href");
      if (href.empty() || e->GetAttribute(u"rel").starts_with(u"alternate")) continue;
      const String text = GetURL(href, e);
      if (text.empty()) continue;
      const String name = side.NameFor(href, i);
      SaveRawBytesToFile("\xEF\xBB\xBF" + StringToUtf8(text), side.Path(name));
      e->SetAttribute(u"href", side.Link(name));
    } catch (const std::exception&) {
      // A resource that cannot be copied keeps its link.
    }
  }
  index = 0;
  for (TElement* e : select(u"//img")) {
    const int i = index++;
    if (!OnGetImage) break;
    try {
      const String src = e->GetAttribute(u"src");
      if (src.empty() || src.starts_with(u"data")) continue;
      const std::vector<uint8_t> bytes = OnGetImage(this, src, e);
      if (bytes.empty()) continue;
      const String name = side.NameFor(src, i);
      SaveRawBytesToFile(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                         side.Path(name));
      e->SetAttribute(u"src", side.Link(name));
    } catch (const std::exception&) {
    }
  }
  SavetoFile(FileName, AEncoding);
}

}  // namespace ht
