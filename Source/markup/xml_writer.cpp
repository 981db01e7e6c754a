// XML output of THtXMLNode trees: plain or indented, UTF-16 or UTF-8.
#include <array>
#include <vector>

#include "markup/fast_string.h"
#include "markup/file_utils.h"
#include "markup/str_utils.h"
#include "markup/html_writer.h"
#include "markup/xml_node.h"
#include "platform/rtl/code_pages.h"

namespace ht {

namespace {

// Extra units each character below U+0100 takes when escaped as text.
constexpr std::array<uint8_t, 256> makeTextExtra() {
  std::array<uint8_t, 256> t{};
  t[u'&'] = 4;                                     // "&amp;"
  t[u'<'] = t[u'>'] = 3;                           // "&lt;" "&gt;"
  t[0xA0] = 5;                                     // "&#160;"
  return t;
}
constexpr std::array<uint8_t, 256> textExtra = makeTextExtra();

void appendAscii(String& out, const char* s) {
  for (; *s; ++s) out.push_back(char16_t(*s));
}

void appendHexCodePoint(String& out, char32_t cp) {
  static const char digits[] = "0123456789ABCDEF";
  appendAscii(out, "&#x");
  for (int shift = 20; shift >= 0; shift -= 4) out.push_back(char16_t(digits[(cp >> shift) & 0xF]));
  out.push_back(u';');
}

// Text escaping: measured first; an unchanged string is not copied (the
// result then stays empty and `changed` false).
// XML 1.0 has no form for these, not even a character reference.
inline bool notXmlChar(char16_t c) { return c <= 8 || c == 0xB || c == 0xC || (c >= 0xE && c <= 0x1F) || c >= 0xFFFE; }

bool escapeText(StringView s, String& out) {
  size_t extra = 0;
  bool invalid = false;
  for (size_t i = 0; i < s.size(); ++i) {
    const char16_t c = s[i];
    if (notXmlChar(c)) {
      invalid = true;
    } else if (c <= 0xFF) {
      extra += textExtra[c];
    } else if (IsHighSurrogate(c) && i + 1 < s.size() && IsLowSurrogate(s[i + 1])) {
      extra += 8;
      ++i;
    }
  }
  if (extra == 0 && !invalid) return false;
  out.clear();
  out.reserve(s.size() + extra);
  for (size_t i = 0; i < s.size(); ++i) {
    const char16_t c = s[i];
    if (notXmlChar(c)) {
      out.push_back(0xFFFD);
    } else if (c == u'&') {
      appendAscii(out, "&amp;");
    } else if (c == u'<') {
      appendAscii(out, "&lt;");
    } else if (c == u'>') {
      appendAscii(out, "&gt;");
    } else if (c == 0xA0) {
      appendAscii(out, "&#160;");
    } else if (IsHighSurrogate(c) && i + 1 < s.size() && IsLowSurrogate(s[i + 1])) {
      appendHexCodePoint(out, CombineSurrogates(c, s[i + 1]));
      ++i;
    } else {
      out.push_back(c);
    }
  }
  return true;
}

// Output into a UTF-16 or a UTF-8 builder.
struct TUtf16Sink {
  TFastString& b;
  void add(StringView s) { b.Add(s); }
  void addSpaces(int n) { b.AddSpaces(n); }
};
struct TUtf8Sink {
  TFastRawString& b;
  void add(StringView s) { b.AddUTF8(s); }
  void addSpaces(int n) { b.AddSpaces(n); }
};

struct TWriteOptions {
  bool Formatted = false;
  bool BlankRule = false;        // leave out blank text where the node has a children list
  bool RootLineBreak = false;    // the written node gets a line break too
};

template <class Sink>
class TXmlTreeWriter {
 public:
  TXmlTreeWriter(Sink& sink, TWriteOptions options) : sink_(sink), opt_(options) {}

  // Iterative: trees built by code may be deeper than the stack.
  void Write(const THtNode* root) {
    struct Frame {
      const THtNode* node;
      int next;
    };
    std::vector<Frame> stack;
    if (open(root, 0)) stack.push_back({root, 0});
    while (!stack.empty()) {
      Frame& f = stack.back();
      const THtNodeList* children = f.node->ChildNodeList();
      if (children && f.next < children->Count()) {
        const THtNode* child = children->Get(f.next++);
        const int level = int(stack.size());
        if (open(child, level)) stack.push_back({child, 0});
        continue;
      }
      close(f.node, int(stack.size()) - 1);
      stack.pop_back();
    }
  }

 private:
  void escaped(StringView s) {
    if (escapeText(s, buf_))
      sink_.add(buf_);
    else
      sink_.add(s);
  }

  bool skipBlank(const THtNode* n) const {
    return opt_.BlankRule && n->ChildNodeList() && IsBlankString(n->Content());
  }

  void lineBreak(int level) {
    sink_.add(u"\r\n");
    sink_.addSpaces(2 * level);
  }

  // Writes the start of n; true when its children and end tag follow.
  bool open(const THtNode* n, int level) {
    if (n->Tag().empty()) {
      switch (n->TagType) {
        case htComment:
          sink_.add(u"<!--");
          sink_.add(n->Content());
          sink_.add(u"-->");
          break;
        case htDirective:
          sink_.add(u"<?");
          sink_.add(n->Content());
          sink_.add(u"?>");
          break;
        case htCData:
          sink_.add(u"<![CDATA[");
          sink_.add(n->Content());
          sink_.add(u"]]>");
          break;
        case htCustom:  // a declaration such as "<!DOCTYPE x>" inside an element
          sink_.add(u"<!");
          sink_.add(n->Content());
          sink_.add(u">");
          break;
        default:
          if (!skipBlank(n)) escaped(n->Content());
          break;
      }
      return false;
    }
    if (opt_.Formatted && (level > 0 || opt_.RootLineBreak)) lineBreak(level);
    sink_.add(u"<");
    sink_.add(n->Tag());
    if (const THtAttributes* a = n->Attributes()) {
      for (int i = 0; i < a->Count; ++i) {
        sink_.add(u" ");
        sink_.add(a->GetName(i));
        sink_.add(u"=\"");
        // The one XML attribute escape, shared with the HTML writer.
        sink_.add(EscapeXmlAttrValue(a->GetValue(i)));
        sink_.add(u"\"");
      }
    }
    if (!n->ChildNodeList() && n->Content().empty()) {
      sink_.add(u"/>");
      return false;
    }
    sink_.add(u">");
    if (opt_.Formatted ? !n->Content().empty() : !skipBlank(n)) escaped(n->Content());
    return true;
  }

  void close(const THtNode* n, int level) {
    if (opt_.Formatted) {
      bool hasElementChild = false;
      if (const THtNodeList* children = n->ChildNodeList())
        for (int i = 0; i < children->Count() && !hasElementChild; ++i)
          hasElementChild = children->Get(i)->TagType == htIdent;
      if (hasElementChild) lineBreak(level);
    }
    sink_.add(u"</");
    sink_.add(n->Tag());
    sink_.add(u">");
  }

  Sink& sink_;
  TWriteOptions opt_;
  String buf_;
};

constexpr std::string_view utf8Header = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>";

void writeInstructions(const THtXMLNode& node, TFastString& b) {
  if (!node.ProcessingInstructins) return;
  for (const String& pi : *node.ProcessingInstructins) b.Add(u"<?").Add(pi).Add(u"?>\r\n");
}

}  // namespace

String THtXMLNode::Code() const {
  TFastString b(65531);
  writeInstructions(*this, b);
  TUtf16Sink sink{b};
  TXmlTreeWriter<TUtf16Sink>(sink, {false, true, false}).Write(this);
  return b.ToString();
}

String THtXMLNode::FormattedCode() const {
  TFastString b(65535);
  writeInstructions(*this, b);
  TUtf16Sink sink{b};
  TXmlTreeWriter<TUtf16Sink>(sink, {true, false, false}).Write(this);
  return b.ToString();
}

std::string THtXMLNode::UTF8Code(bool AddHeader) const {
  TFastRawString b(65530);
  if (AddHeader) b.Add(utf8Header).AddChar('\n');
  TUtf8Sink sink{b};
  TXmlTreeWriter<TUtf8Sink>(sink, {false, false, false}).Write(this);
  return b.ToString();
}

std::string THtXMLNode::UTF8FormattedCode(bool AddHeader) const {
  TFastRawString b(65535);
  if (AddHeader) b.Add(utf8Header);
  TUtf8Sink sink{b};
  TXmlTreeWriter<TUtf8Sink>(sink, {true, false, true}).Write(this);
  return b.ToString();
}

String THtXMLNode::InnerCode() const {
  if (FTag.empty()) return String();
  if (!FNodes) return FContent;
  TFastString b(65531);
  b.Add(FContent);
  TUtf16Sink sink{b};
  for (int i = 0; i < FNodes->Count(); ++i)
    TXmlTreeWriter<TUtf16Sink>(sink, {false, true, false}).Write(FNodes->Get(i));
  return b.ToString();
}

void THtXMLNode::SaveToFileANSI(StringView FileName) const { SaveAnsiStringToFile(StringToAnsi(Code()), FileName); }

void THtXMLNode::SaveToFileUTF8(StringView FileName) const {
  SaveRawBytesToFile("\xEF\xBB\xBF" + UTF8Code(true), FileName);
}

void THtXMLNode::SaveToFileUTF8Format(StringView FileName) const {
  SaveRawBytesToFile("\xEF\xBB\xBF" + UTF8FormattedCode(true), FileName);
}

}  // namespace ht
