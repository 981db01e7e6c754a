#include "markup/html_writer.h"

#include <algorithm>
#include <array>
#include <vector>

#include "markup/entities.h"
#include "markup/html_tag_sets.h"
#include "markup/node.h"
#include "markup/node_list.h"

namespace ht {

namespace {

constexpr std::array<uint8_t, 256> makeTextTable() {
  std::array<uint8_t, 256> t{};
  for (int c = 0; c <= 8; ++c) t[c] = 3;  // "&#N;"
  t[u'&'] = 4;
  t[u'<'] = 3;
  t[u'>'] = 3;
  t[0xA0] = 5;  // "&nbsp;"
  return t;
}

constexpr std::array<uint8_t, 256> makeAttrTable() {
  std::array<uint8_t, 256> t{};
  for (int c = 0; c <= 9; ++c) t[c] = 3;
  t[u'\n'] = 4;  // "&#xA;"
  t[u'"'] = 5;
  t[u'&'] = 4;
  t[u'<'] = 3;
  t[u'>'] = 3;
  t[0xA0] = 5;  // "&nbsp;" or "&#160;", both six units
  return t;
}

constexpr std::array<uint8_t, 256> kTextTable = makeTextTable();
constexpr std::array<uint8_t, 256> kAttrTable = makeAttrTable();

// Ranges whose letters are always written as they are.
inline bool isNeverNamed(char16_t c) {
  return (c >= 0x0100 && c <= 0x024F) || (c >= 0x0370 && c <= 0x04FF) || (c >= 0x0530 && c <= 0x074F) ||
         (c >= 0x2000 && c <= 0x209F);
}

// Room for "&" + the longest entity name + ";" and for "&#x" + six digits + ";".
constexpr size_t kMaxEscape = 48;

// The one rule both passes of text escaping use: writes the escaped form of
// the unit(s) at s[i] into out and answers its length, or 0 when the unit is
// copied as it is. Consumed is the number of units the form stands for.
size_t escapeTextUnit(StringView s, size_t i, char16_t* out, size_t& consumed) {
  const char16_t c = s[i];
  consumed = 1;
  if (c < 0x100) {
    if (kTextTable[c] == 0) return 0;
    switch (c) {
      case u'&': return std::u16string_view(u"&amp;").copy(out, 5);
      case u'<': return std::u16string_view(u"&lt;").copy(out, 4);
      case u'>': return std::u16string_view(u"&gt;").copy(out, 4);
      case 0xA0: return std::u16string_view(u"&nbsp;").copy(out, 6);
      default:  // U+0000..U+0008
        out[0] = u'&';
        out[1] = u'#';
        out[2] = char16_t(u'0' + c);
        out[3] = u';';
        return 4;
    }
  }
  if (isNeverNamed(c)) return 0;
  if (IsHighSurrogate(c)) {
    // Only a complete pair is written as a number; a lone surrogate is
    // copied, and the unit after it is judged on its own.
    if (i + 1 >= s.size() || !IsLowSurrogate(s[i + 1])) return 0;
    const uint32_t cp = CombineSurrogates(c, s[i + 1]);
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    out[0] = u'&';
    out[1] = u'#';
    out[2] = u'x';
    for (int k = 0; k < 6; ++k) out[3 + k] = kHex[(cp >> (4 * (5 - k))) & 0xF];
    out[9] = u';';
    consumed = 2;
    return 10;
  }
  if (!EntityReverseDictionary) return 0;
  const THtmlEntity* row = EntityReverseDictionary->FindEntity(c);
  if (!row || row->Name.size() + 2 > kMaxEscape) return 0;
  out[0] = u'&';
  row->Name.copy(out + 1, row->Name.size());
  out[row->Name.size() + 1] = u';';
  return row->Name.size() + 2;
}

// Attribute escaping, one rule for both passes; 0 when copied. XML has no
// form at all for U+0000..U+0008 and U+FFFE, U+FFFF: they become U+FFFD.
size_t escapeAttrUnit(char16_t c, bool xml, char16_t* out) {
  if (xml && (c <= 8 || c == 0xFFFE || c == 0xFFFF)) {
    out[0] = 0xFFFD;
    return 1;
  }
  if (c >= 0x100 || kAttrTable[c] == 0) return 0;
  switch (c) {
    case u'\n': return std::u16string_view(u"&#xA;").copy(out, 5);
    case u'"': return std::u16string_view(u"&quot;").copy(out, 6);
    case u'&': return std::u16string_view(u"&amp;").copy(out, 5);
    case u'<': return std::u16string_view(u"&lt;").copy(out, 4);
    case u'>': return std::u16string_view(u"&gt;").copy(out, 4);
    case 0xA0: return (xml ? std::u16string_view(u"&#160;") : std::u16string_view(u"&nbsp;")).copy(out, 6);
    default:  // U+0000..U+0009
      out[0] = u'&';
      out[1] = u'#';
      out[2] = char16_t(u'0' + c);
      out[3] = u';';
      return 4;
  }
}

// Walks S, handing runs of copied units and escaped forms to the sink.
template <class Sink>
void escapeText(StringView s, Sink&& sink) {
  char16_t buf[kMaxEscape];
  size_t run = 0;
  for (size_t i = 0; i < s.size();) {
    const char16_t c = s[i];
    if (c < 0x100 ? kTextTable[c] == 0 : isNeverNamed(c)) {  // the common case
      ++i;
      continue;
    }
    size_t consumed;
    const size_t n = escapeTextUnit(s, i, buf, consumed);
    if (n == 0) {
      ++i;
      continue;
    }
    sink(s.substr(run, i - run));
    sink(StringView(buf, n));
    i += consumed;
    run = i;
  }
  sink(s.substr(run));
}

template <class Sink>
void escapeAttr(StringView s, bool xml, Sink&& sink) {
  char16_t buf[8];
  size_t run = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    const size_t n = escapeAttrUnit(s[i], xml, buf);
    if (n == 0) continue;
    sink(s.substr(run, i - run));
    sink(StringView(buf, n));
    run = i + 1;
  }
  sink(s.substr(run));
}

String buildEscaped(StringView s, int growth, auto&& walk) {
  String result;
  result.reserve(s.size() + size_t(growth > 0 ? growth : 0));
  walk([&result](StringView piece) { result.append(piece); });
  return result;
}

}  // namespace

const uint8_t HtmlTextEscapeLength[256] = {
#define HT_ROW(i) kTextTable[i], kTextTable[i + 1], kTextTable[i + 2], kTextTable[i + 3]
#define HT_ROW16(i) HT_ROW(i), HT_ROW(i + 4), HT_ROW(i + 8), HT_ROW(i + 12)
#define HT_ROW64(i) HT_ROW16(i), HT_ROW16(i + 16), HT_ROW16(i + 32), HT_ROW16(i + 48)
    HT_ROW64(0), HT_ROW64(64), HT_ROW64(128), HT_ROW64(192)};
#undef HT_ROW
#define HT_ROW(i) kAttrTable[i], kAttrTable[i + 1], kAttrTable[i + 2], kAttrTable[i + 3]
const uint8_t HtmlAttrEscapeLength[256] = {HT_ROW64(0), HT_ROW64(64), HT_ROW64(128), HT_ROW64(192)};
#undef HT_ROW
#undef HT_ROW16
#undef HT_ROW64

int HtmlTextEscapeGrowth(StringView S) {
  int written = 0;
  escapeText(S, [&written](StringView piece) { written += int(piece.size()); });
  return written - int(S.size());
}

int AttrEscapeGrowth(StringView S) {
  int growth = 0;
  for (char16_t c : S)
    if (c < 0x100) growth += kAttrTable[c];
  return growth;
}

String EscapeHtmlText(StringView S, int ExtraLength) {
  if (S.empty()) return String();
  // ExtraLength only sizes the result: the text is always walked.
  if (ExtraLength == -1) ExtraLength = HtmlTextEscapeGrowth(S);
  return buildEscaped(S, ExtraLength, [S](auto&& sink) { escapeText(S, sink); });
}

String EscapeAttrValue(StringView S, int ExtraLength) {
  if (S.empty()) return String();
  if (ExtraLength == -1) ExtraLength = AttrEscapeGrowth(S);
  return buildEscaped(S, ExtraLength, [S](auto&& sink) { escapeAttr(S, false, sink); });
}

String EscapeXmlAttrValue(StringView S, int ExtraLength) {
  if (S.empty()) return String();
  if (ExtraLength == -1) ExtraLength = AttrEscapeGrowth(S);
  return buildEscaped(S, ExtraLength, [S](auto&& sink) { escapeAttr(S, true, sink); });
}

void AddEscapedHtmlText(TFastString& FS, StringView S) {
  escapeText(S, [&FS](StringView piece) { FS.Add(piece); });
}

void AddEscapedAttrValue(TFastString& FS, StringView S, bool Xml) {
  escapeAttr(S, Xml, [&FS](StringView piece) { FS.Add(piece); });
}

// --- The attribute set -------------------------------------------------------

String AsString(const THtAttributes& A) {
  String result;
  for (int i = 0; i < A.Count; ++i) {
    if (i > 0) result += u' ';
    result += A.GetName(i);
    result += u"=\"";
    result += EscapeAttrValue(A.GetValue(i));
    result += u'"';
  }
  return result;
}

void FastAsString(const THtAttributes& A, TFastString& FS) {
  for (int i = 0; i < A.Count; ++i) {
    const String& name = A.GetName(i);
    const String& value = A.GetValue(i);
    FS.AddChar(u' ');
    if (!A.CaseSensitive && value == name) {
      FS.Add(name);  // checked="checked" is written as the bare name
      continue;
    }
    FS.Add(name).Add2Char(u'=', u'"');
    AddEscapedAttrValue(FS, value, A.CaseSensitive);
    FS.AddChar(u'"');
  }
}

void FastAsUTF8String(const THtAttributes& A, TFastRawString& FS) {
  for (int i = 0; i < A.Count; ++i) {
    const String& value = A.GetValue(i);
    FS.AddChar(' ').AddUTF8(A.GetName(i)).Add2Char('=', '"');
    if (AttrEscapeGrowth(value) == 0)
      FS.AddUTF8(value);
    else
      FS.AddUTF8(A.CaseSensitive ? EscapeXmlAttrValue(value) : EscapeAttrValue(value));
    FS.AddChar('"');
  }
}

// --- Node writers --------------------------------------------------------------

namespace {

const String kCrLf = u"\r\n";

// The name written for a tag: the styled node's nested "xbody" is a "body".
inline StringView writtenTag(const String& tag) { return tag == u"xbody" ? StringView(u"body") : StringView(tag); }

bool isMetaContentType(const THtNode& n) {
  return n.Tag() == u"meta" && SameTextAscii(n.GetAttribute(u"http-equiv"), u"content-type");
}

void writeAttributes(const THtNode& n, TFastString& FS) {
  if (isMetaContentType(n)) {
    // The document is written in the builder's charset, whatever it was read in.
    FS.Add(u" http-equiv=\"Content-Type\" content=\"text/html;");
    if (!FS.Charset.empty()) FS.Add(u" charset=").Add(FS.Charset);
    FS.AddChar(u'"');
    return;
  }
  FastAsString(*n.Attributes(), FS);
}

void writeRaw(const THtNode& n, TFastString& FS) {
  FS.AddChar(u'<').Add(n.Tag());
  if (n.Attributes() && n.Attributes()->Count > 0) FS.AddChar(u' ').Add(AsString(*n.Attributes()));
  FS.AddChar(u'>');
}

// Comments, processing instructions and CDATA written as they were read.
bool writeSpecial(const THtNode& n, TFastString& FS) {
  switch (n.TagType) {
    case htComment: FS.Add(u"<!--").Add(n.Content()).Add(u"-->"); return true;
    case htDirective: FS.Add(u"<?").Add(n.Content()).Add(u"?>"); return true;
    case htCData: FS.Add(u"<![CDATA[").Add(n.Content()).Add(u"]]>"); return true;
    default: return false;
  }
}

bool isRawTextElement(const String& tag) { return tag == u"style" || tag == u"script"; }

// The base writer, shared by THtmlNode and by every node of its subtree.
// It walks the tree with a stack of its own rather than by recursion, so
// any depth of nodes built through the node API can be written.
//
// writeStart writes what comes before a node's children and answers
// whether they follow; writeEnd writes what comes after them.
// Brackets the writing of one node's start tag.
struct TWriteTagScope {
  THtNode& N;
  explicit TWriteTagScope(THtNode& AN) : N(AN) { N.BeginWriteTag(); }
  ~TWriteTagScope() { N.EndWriteTag(); }
};

bool writeStart(THtNode& n, TFastString& FS) {
  const TWriteTagScope tagScope(n);
  const String& tag = n.Tag();
  THtNodeList* nodes = n.ChildNodeList();
  const bool hasChildren = nodes && nodes->Count() > 0;
  if (tag.empty()) {
    if (!writeSpecial(n, FS)) AddEscapedHtmlText(FS, n.Content());
    if (n.Parent()) return false;
  } else if (isRawTextElement(tag)) {
    writeRaw(n, FS);
    FS.Add(n.Content()).Add(u"</").Add(tag).AddChar(u'>');
    return false;
  } else if (!hasChildren) {
    // Comments carry the tag "!": with no children they are written as
    // comments whatever attribute set they picked up.
    if ((n.TagType == htComment || n.TagType == htDirective) && writeSpecial(n, FS)) return false;
  }
  const bool tagged = !tag.empty();
  if (tagged) FS.AddChar(u'<').Add(writtenTag(tag));
  if (tagged && n.Attributes()) writeAttributes(n, FS);
  if (hasChildren) {
    if (tagged) FS.AddChar(u'>');
    return true;
  }
  if (tagged) {
    if (tagsets::IsVoid(tag))
      FS.Add2Char(u'/', u'>');
    else
      FS.Add(u"></").Add(writtenTag(tag)).AddChar(u'>');
  }
  return false;
}

void writeEnd(THtNode& n, TFastString& FS) {
  if (!n.Tag().empty()) FS.Add(u"</").Add(writtenTag(n.Tag())).AddChar(u'>');
}

void fastInnerHTML(THtNode& root, TFastString& FS) {
  struct TFrame {
    THtNode* Node;
    int Next;  // the child written next
  };
  std::vector<TFrame> stack;
  if (writeStart(root, FS)) stack.push_back({&root, 0});
  while (!stack.empty()) {
    TFrame& top = stack.back();
    THtNodeList* nodes = top.Node->ChildNodeList();
    if (nodes && top.Next < nodes->Count()) {
      THtNode* child = nodes->Get(top.Next++);
      if (writeStart(*child, FS)) stack.push_back({child, 0});
    } else {
      writeEnd(*top.Node, FS);
      stack.pop_back();
    }
  }
}

bool endsWithLineBreak(const TFastString& FS) { return FS.EndsWith(kCrLf); }

// Indentation stops growing past this many units, so the output of a deep
// tree stays proportional to the tree.
constexpr int64_t kMaxIndent = 64;

void addIndent(TFastString& FS, int Level, int Spaces) {
  FS.AddSpaces(int(std::clamp<int64_t>(int64_t(Level) * Spaces, 0, kMaxIndent)));
}

void addLineBreak(TFastString& FS, int Level, int Spaces) {
  FS.Add(kCrLf);
  addIndent(FS, Level, Spaces);
}

void addFreshLine(TFastString& FS, int Level, int Spaces) {
  if (!endsWithLineBreak(FS)) FS.Add(kCrLf);
  addIndent(FS, Level, Spaces);
}


// Comments and processing instructions in the indented form; false for
// other nodes.
bool formattedSpecial(const THtNode& n, TFastString& FS, int Level, int Spaces, bool& AfterBlock) {
  if (n.TagType == htComment) {
    if (AfterBlock && !endsWithLineBreak(FS)) addLineBreak(FS, Level, Spaces);
    FS.Add(u"<!--").Add(n.Content()).Add(u"-->");
    if (AfterBlock) FS.Add(kCrLf);
    return true;
  }
  if (n.TagType == htDirective) {
    FS.TrimTrailingSpaces();
    if (!endsWithLineBreak(FS)) FS.Add(kCrLf);
    FS.Add(u"<?").Add(n.Content()).Add(u"?>").Add(kCrLf);
    AfterBlock = true;
    return true;
  }
  return false;
}

// The indented writer, walking like fastInnerHTML. What a node's end needs
// of its start is kept in its frame.
struct TFormattedFrame {
  THtNode* Node;
  int Level;
  int Next = 0;
  bool Open = false;  // its tags are written (a parentless root writes only its children)
  bool IsBlock = false;
  bool IsShort = false;  // one short text child: kept on the tag's line
};

// Writes what comes before N's children; true when they follow, with
// Frame filled for formattedEnd.
bool formattedStart(THtNode& n, TFastString& FS, int Level, int Spaces, bool& AfterBlock, TFormattedFrame& Frame) {
  const TWriteTagScope tagScope(n);
  const String& tag = n.Tag();
  THtNodeList* nodes = n.ChildNodeList();
  const bool hasChildren = nodes && nodes->Count() > 0;
  if (tag.empty()) {
    if (!formattedSpecial(n, FS, Level, Spaces, AfterBlock)) {
      if (n.TagType == htCData) {
        FS.Add(u"<![CDATA[").Add(n.Content()).Add(u"]]>");
      } else if (!(AfterBlock && IsBlankString(n.Content()))) {
        if (AfterBlock) {
          addFreshLine(FS, Level, Spaces);
          AddEscapedHtmlText(FS, TrimLeftBlanks(n.Content()));
        } else {
          AddEscapedHtmlText(FS, n.Content());
        }
        AfterBlock = false;
      }
    }
    if (n.Parent()) return false;
  } else if (isRawTextElement(tag)) {
    addFreshLine(FS, Level, Spaces);
    writeRaw(n, FS);
    FS.Add(kCrLf).Add(TrimLeftBlanks(n.Content()));
    addFreshLine(FS, Level, Spaces);
    FS.Add(u"</").Add(tag).AddChar(u'>');
    AfterBlock = true;
    return false;
  } else if (!hasChildren && (n.TagType == htComment || n.TagType == htDirective)) {
    formattedSpecial(n, FS, Level, Spaces, AfterBlock);
    return false;
  } else if (!n.Attributes() && !nodes) {
    if (AfterBlock) addLineBreak(FS, Level, Spaces);
    if (tagsets::IsVoid(tag))
      FS.AddChar(u'<').Add(tag).Add2Char(u'/', u'>');
    else
      FS.AddChar(u'<').Add(tag).Add(u"></").Add(tag).AddChar(u'>');
    return false;
  }

  const bool tagged = !tag.empty();
  const bool isBlock = tagsets::IsFormattedBlock(tag);
  const int start = FS.TotalLength();
  const bool open = n.Parent() && tagged;
  if (open) {
    if (AfterBlock || isBlock) addLineBreak(FS, Level, Spaces);
    FS.AddChar(u'<').Add(writtenTag(tag));
    if (n.Attributes()) writeAttributes(n, FS);
  }
  const int tagLength = FS.TotalLength() - start;
  AfterBlock = isBlock;
  if (hasChildren) {
    if (open) FS.AddChar(u'>');
    THtNode* only = nodes->Count() == 1 ? nodes->Get(0) : nullptr;
    const bool isShort =
        only && only->Tag().empty() && tagLength + int(TrimBlanks(only->Content()).size()) < 64;
    if (isShort) AfterBlock = false;
    Frame = TFormattedFrame{&n, Level, 0, open, isBlock, isShort};
    return true;
  }
  if (open) {
    if (tagsets::IsVoid(tag))
      FS.Add2Char(u'/', u'>');
    else
      FS.Add(u"></").Add(writtenTag(tag)).AddChar(u'>');
  }
  AfterBlock = isBlock;
  return false;
}

void formattedEnd(const TFormattedFrame& F, TFastString& FS, int Spaces, bool& AfterBlock) {
  if (F.Open) {
    if (F.IsBlock) FS.TrimTrailingBlanks();
    if (F.IsBlock && !F.IsShort) addLineBreak(FS, F.Level, Spaces);
    FS.Add(u"</").Add(writtenTag(F.Node->Tag())).AddChar(u'>');
  }
  AfterBlock = F.IsBlock;
}

void fastFormattedHTML(THtNode& root, TFastString& FS, int Level, int Spaces, bool& AfterBlock) {
  std::vector<TFormattedFrame> stack;
  TFormattedFrame frame{&root, Level};
  if (formattedStart(root, FS, Level, Spaces, AfterBlock, frame)) stack.push_back(frame);
  while (!stack.empty()) {
    TFormattedFrame& top = stack.back();
    THtNodeList* nodes = top.Node->ChildNodeList();
    if (nodes && top.Next < nodes->Count()) {
      THtNode* child = nodes->Get(top.Next++);
      const int level = top.Level + 1;
      if (formattedStart(*child, FS, level, Spaces, AfterBlock, frame)) stack.push_back(frame);
    } else {
      const TFormattedFrame done = top;
      stack.pop_back();
      formattedEnd(done, FS, Spaces, AfterBlock);
    }
  }
}

constexpr int kHtmlChunk = 65500;

}  // namespace

void THtmlNode::FastInnerHTML(TFastString& FS) { fastInnerHTML(*this, FS); }

void THtmlNode::FastFormattedHTML(TFastString& FS, int Level, int Spaces, bool& AfterBlock) {
  fastFormattedHTML(*this, FS, Level, Spaces, AfterBlock);
}

String THtmlNode::GetInnerHTML() {
  TFastString fs(kHtmlChunk);
  if (FNodes)
    for (THtNode* child : *FNodes) fastInnerHTML(*child, fs);
  return fs.ToString();
}

String THtmlNode::GetOuterHTML() {
  TFastString fs(kHtmlChunk);
  FastInnerHTML(fs);
  return fs.ToString();
}

bool WriteNodeStart(THtNode& N, TFastString& FS) { return writeStart(N, FS); }

void WriteNodeEnd(THtNode& N, TFastString& FS) { writeEnd(N, FS); }

}  // namespace ht
