// Reading XML text, XML files and JSON text into THtXMLNode trees.
#include <string>

#include "markup/file_utils.h"
#include "markup/json_parser.h"
#include "markup/str_utils.h"
#include "markup/xml_node.h"
#include "platform/rtl/code_pages.h"

namespace ht {

namespace {

bool isTextItem(const THtmlParser& hp) {
  return hp.Tag.empty() && (hp.TagType == htIdent || hp.TagType == htSpace || hp.TagType == htString);
}

// The nesting counter of the reader, kept balanced when a level raises.
class TDepthGuard {
 public:
  explicit TDepthGuard(int& level) : level_(level) {
    if (++level_ > THtXMLNode::MaxDepth) {
      --level_;
      throw EHtXML(u"XML contains too many nested nodes");
    }
  }
  ~TDepthGuard() { --level_; }
  TDepthGuard(const TDepthGuard&) = delete;
  TDepthGuard& operator=(const TDepthGuard&) = delete;

 private:
  int& level_;
};

String utf16Text(const std::string& bytes, size_t from, bool bigEndian) {
  String text;
  text.reserve((bytes.size() - from) / 2);
  for (size_t i = from; i + 1 < bytes.size(); i += 2) {
    const auto b0 = uint8_t(bytes[i]), b1 = uint8_t(bytes[i + 1]);
    text.push_back(bigEndian ? char16_t(b0 << 8 | b1) : char16_t(b1 << 8 | b0));
  }
  return text;
}

}  // namespace

void THtXMLNode::ParseXML(const String& XML) {
  THtmlParser hp(XML, true, TTextHold::InPlace);
  hp.SetCaseSensitive(true);
  hp.FStackLevel = 0;
  while (hp.NextItem()) {
    if (hp.TagType == htIdent && !hp.Tag.empty() && !hp.IsCloseTag) {
      InternalParse(hp);
      return;
    }
    if (hp.TagType == htDirective) AddProcessingInstruction(hp.Value);
  }
}

void THtXMLNode::InternalParse(THtmlParser& Parser) {
  THtmlParser& hp = Parser;
  SetTag(hp.Tag);
  TagType = hp.TagType;
  if (hp.Attributes && hp.Attributes->Count > 0) {
    FAttributes = std::move(hp.Attributes);
    FAttributes->CaseSensitive = true;
  }
  FPreserveSpace = GetAttribute(u"xml:space") == u"preserve";
  if (hp.TagClosed) return;
  TDepthGuard depth(hp.FStackLevel);
  for (;;) {
    // The closing tag's "<" is where the cursor stands before it is read.
    const int itemPos = hp.Tokenizer->Parser->Pos();
    if (!hp.NextItem()) return;  // the end of the text closes the element
    if (hp.IsCloseTag) {
      if (hp.Tag == FTag) return;
      throw EHtXML(u"Tag order error: /%s expected, /%s found at position %d", FTag, hp.Tag, itemPos);
    }
    if (isTextItem(hp)) {
      if (!FPreserveSpace && IsBlankString(hp.Value)) {
        FContent += hp.Value;
        continue;
      }
      if (GetCount() == 0 && FContent.empty()) {
        FContent = hp.Value;
        continue;
      }
    }
    auto* child = static_cast<THtXMLNode*>(CreateChild(GetElementClass(hp.Tag, nullptr)));
    child->TagType = hp.TagType;
    if (hp.TagType == htDirective && hp.Value.rfind(u"xml ", 0) == 0 &&
        AsciiLowerCase(hp.Value).find(u"utf-8") != String::npos)
      hp.ChangeEncoding(heUTF8, 0);
    if (!hp.Tag.empty())
      child->InternalParse(hp);
    else
      child->SetContent(hp.Value);
  }
}

std::unique_ptr<THtXMLNode> THtXMLNode::CreateFromFile(StringView FileName, THtmlEncoding Encoding) {
  const std::string bytes = LoadFileToRawString(FileName);
  if (bytes.size() < 3) throw EHtXML(u"Incorrect XML file %s", FileName);
  const auto b0 = uint8_t(bytes[0]), b1 = uint8_t(bytes[1]), b2 = uint8_t(bytes[2]);
  String text;
  const bool utf8Mark = b0 == 0xEF && b1 == 0xBB && b2 == 0xBF;
  if (Encoding == heUTF8 || utf8Mark)
    text = Utf8ToString(std::string_view(bytes).substr(utf8Mark ? 3 : 0));
  else if (b0 == 0xFF && b1 == 0xFE)
    text = utf16Text(bytes, 2, false);
  else if (b0 == 0xFE && b1 == 0xFF)
    text = utf16Text(bytes, 2, true);  // the mark says big-endian
  else if (Encoding == heUTF16 || b0 == 0)
    text = utf16Text(bytes, 0, false);
  else
    text = AnsiToString(bytes);
  return std::make_unique<THtXMLNode>(text);
}

// --- JSON -------------------------------------------------------------------------

namespace {

[[noreturn]] void tokenExpected() { throw EHtJSONParserException(u"Incorrect JSON, token expected."); }

bool isScalar(THtJSONTokenType t) { return t == jtValue || t == jtString || t == jtNumber; }

}  // namespace

std::unique_ptr<THtXMLNode> THtXMLNode::CreatefromJSON(const String& JSON) {
  THtJSONParser jp(JSON);
  if (!jp.Tokenizer || !jp.Tokenizer->NextNSToken()) throw EHtJSONParserException(u"JSON is empty");
  auto node = std::make_unique<THtXMLNode>();
  int depth = 0;
  node->fillFromJSON(jp, depth);
  if (jp.Tokenizer->NextNSToken()) throw EHtJSONParserException(u"JSON is not terminated properly");
  size_t end = JSON.size();
  while (end > 0 && JSON[end - 1] < 0x21) --end;
  if (end > 0 && String(u",{[:").find(JSON[end - 1]) != String::npos)
    throw EHtJSONParserException(u"JSON is not terminated properly");
  return node;
}

void THtXMLNode::fillFromJSON(THtJSONParser& Parser, int& Depth) {
  THtJSONTokenizer& tk = *Parser.Tokenizer;
  const THtJSONToken& t = tk.Token;
  FIsArray = t.TokenType == jtArrayStart;
  if (isScalar(t.TokenType)) {
    SetValue(t.Text);
    return;
  }
  if (t.TokenType != jtArrayStart && t.TokenType != jtObjectStart) tokenExpected();
  const bool isArray = FIsArray;
  if (!tk.NextNSToken()) tokenExpected();
  if (Depth > 1024) throw EHtJSONParserException(u"JSON contains too many nested nodes");
  ++Depth;
  if (FTag.empty()) {
    SetTag(isArray ? u"array" : u"object");
    TagType = htIdent;
  }
  if (isArray) {
    if (t.TokenType != jtArrayEnd) {
      for (;;) {
        if (isScalar(t.TokenType))
          newChildElement(u"value")->SetValue(t.Text);
        else if (t.TokenType == jtObjectStart)
          newChildElement(u"object")->fillFromJSON(Parser, Depth);
        else if (t.TokenType == jtArrayStart)
          newChildElement(u"array")->fillFromJSON(Parser, Depth);
        else
          tokenExpected();
        if (!tk.NextNSToken()) tokenExpected();
        if (t.TokenType == jtArrayEnd) break;
        if (t.TokenType != jtComma || !tk.NextNSToken()) tokenExpected();
      }
    }
  } else if (t.TokenType != jtObjectEnd) {
    // An object may have any number of members: its set is filled in bulk.
    struct TEndBulk {
      THtXMLNode& N;
      ~TEndBulk() {
        if (N.FAttributes) N.FAttributes->EndBulk();
      }
    } endBulk{*this};
    for (;;) {
      if (t.TokenType != jtIdent && t.TokenType != jtString) tokenExpected();
      const THtJSONTokenType kind = Parser.NextNameValue();
      if (kind == jtObjectStart || kind == jtArrayStart) {
        Add(Parser.Name)->fillFromJSON(Parser, Depth);
      } else {
        if (!FAttributes) CreateAttributes();
        if (!FAttributes->InBulk()) FAttributes->BeginBulk();
        FAttributes->SetAttribute(Parser.Name, t.Text);
      }
      if (!tk.NextNSToken()) tokenExpected();
      if (t.TokenType == jtObjectEnd) break;
      if (t.TokenType != jtComma) tokenExpected();
      if (!tk.NextNSToken() || t.TokenType == jtObjectEnd)
        throw EHtJSONParserException(u"Name/Value expected after comma");
    }
  }
  --Depth;
}

}  // namespace ht
