#include "markup/html_parser.h"

#include "markup/string_rec.h"
#include "platform/rtl/code_pages.h"

namespace ht {

namespace {

// A UTF-8 byte-order mark that reached us decoded as ANSI text.
const String& utf8MarkAsAnsi() {
  static const String mark = AnsiToString("\xEF\xBB\xBF");
  return mark;
}

// The interned copy of Name in List (entered when absent).
const String& intern(THtObjectDictionary& List, StringView Name) {
  const int32_t hash = List.Hash(Name);
  const int32_t slot = List.IndexOfChars(hash, Name.data(), int32_t(Name.size()));
  if (slot >= 0) return static_cast<const THtStringRec*>(List.Items()[slot].Data)->Value;
  auto* rec = new THtStringRec(Name);
  List.AddWithHash(hash, rec->Value, rec);
  return rec->Value;
}

inline bool hasAsciiUpper(StringView s) {
  for (char16_t c : s)
    if (c >= u'A' && c <= u'Z') return true;
  return false;
}

inline bool isSkippedInTag(THTMLTokenType t) { return t == htSpace || t == htComment || t == htDirective; }

}  // namespace

THtmlParser::THtmlParser(const String& s, bool AXMLMode, TTextHold Hold) : XMLMode(AXMLMode) {
  IncorrectStack = std::make_unique<THtObjectList>(false);
  Tokenizer = std::make_unique<THTMLTokenizer>(s, AXMLMode, Hold);
  if (s.size() > 3 && StringView(s).substr(0, 3) == utf8MarkAsAnsi()) {
    Tokenizer->Parser->Skip(3);
    ChangeEncoding(heUTF8, 0);
  }
  if (s.size() > 1 && s[0] == 0xFEFF) Tokenizer->Parser->Skip(1);
  Tokenizer->XMLMode = AXMLMode;
  TagList = std::make_unique<THtObjectDictionary>(256, true, KeyField<&THtStringRec::Value>);
  AttrList = std::make_unique<THtObjectDictionary>(512, true, KeyField<&THtStringRec::Value>);
  if (!XMLMode) TagList->AddObject(new THtStringRec(u"*"));
  Tokenizer->TagList = TagList.get();
}

THtmlParser::~THtmlParser() = default;

void THtmlParser::SetCaseSensitive(bool Value) {
  FCaseSensitive = Value;
  Tokenizer->CaseSensitive = Value;
}

THtAttributes& THtmlParser::attributeSet() {
  if (!Attributes) Attributes = std::make_unique<THtAttributes>(FCaseSensitive);
  if (FReadingAttributes && !Attributes->InBulk()) {
    Attributes->CaseSensitive = FCaseSensitive;
    Attributes->BeginBulk();
  }
  return *Attributes;
}

bool THtmlParser::NextItem() {
  THTMLTokenizer& tk = *Tokenizer;
  if (RepeatCurrent) {
    RepeatCurrent = false;
    return !tk.Eof;
  }
  const THTMLToken& t = tk.Token;
  // An unconfirmed UTF-8 guess holds only up to the first non-ASCII byte.
  if (Source && Source->Utf8Rest &&
      (Source->Mismatch || size_t(tk.Parser->p - tk.Parser->Begin()) > Source->AsciiEnd)) {
    Source->Mismatch = true;
    return false;
  }
  bool more = tk.NextToken(true);
  if (Attributes) Attributes->Clear();
  Tag.clear();
  TagClosed = false;
  IsCloseTag = false;

  bool found = false;
  while (more && !found) {
    switch (t.CType) {
      case htString:
      case htScript:
      case htStyle:
      case htComment:
      case htDirective:
      case htCData:
      case htCustom:
        if (t.CType == htCustom && t.Name.empty()) {  // "<!>" is no item
          more = tk.NextToken(true);
          break;
        }
        TagType = t.CType;
        Value = t.Name;
        TagClosed = true;
        found = true;
        break;
      case htTagStart:
        more = tk.NextToken(false);
        if (!more) return false;
        if (t.CType == htTagClose) {
          IsCloseTag = true;
          more = tk.NextToken(false);
          if (!more) return false;
        }
        if (t.CType == htIdent) {
          // Tag names usually arrive lower-cased already (the tokenizer
          // folds them): then no folded copy is made.
          if (FCaseSensitive || !hasAsciiUpper(t.Name))
            Tag = t.Name;
          else
            Tag = AsciiLowerCase(t.Name);
          TagType = htIdent;
          Value.clear();
          found = true;
        } else {
          IsCloseTag = false;  // "<" or "</" without a name: look at that token again
        }
        break;
      default:
        more = tk.NextToken(true);
        break;
    }
  }
  if (!found) return false;

  if (!Tag.empty()) {
    more = readAttributes();
    // An end tag has no content to collect.
    if (more && !XMLMode && !TagClosed && !IsCloseTag) {
      if (SameTextAscii(Tag, u"style"))
        more = readRawElementEnd(u"style");
      else if (SameTextAscii(Tag, u"script"))
        more = readRawElementEnd(u"script");
    }
    if (!XMLMode && !IgnoreMetaEncoding && SameTextAscii(Tag, u"meta")) applyMetaEncoding();
  }
  StartPos = t.StartPos;
  return more;
}

bool THtmlParser::readAttributes() {
  // A tag may carry any number of attributes: the set (made on first use)
  // is filled in bulk.
  struct TEndBulk {
    THtmlParser& P;
    ~TEndBulk() {
      P.FReadingAttributes = false;
      if (P.Attributes) P.Attributes->EndBulk();
    }
  } endBulk{*this};
  FReadingAttributes = true;
  return readAttributeList();
}

bool THtmlParser::readAttributeList() {
  THTMLTokenizer& tk = *Tokenizer;
  const THTMLToken& t = tk.Token;
  bool more = tk.NextToken(false);
  while (more) {
    switch (t.CType) {
      case htIdent:
        if (IsCloseTag) {  // end tags carry no attributes
          more = tk.NextToken(false);
          break;
        }
        attrname = t.Name;
        if (!FCaseSensitive && attrname.find(u'{') == String::npos)
          for (char16_t& c : attrname) c = AsciiLower(c);
        if (attrname.size() < 16) attrname = intern(*AttrList, attrname);
        do {
          more = tk.NextToken(false);
        } while (more && isSkippedInTag(t.CType));
        if (!more) return false;
        if (t.CType != htEq) {
          // A valueless attribute is its own value; the token after it is
          // looked at next.
          THtAttributes& set = attributeSet();
          set.CaseSensitive = FCaseSensitive;
          set.SetAttribute(attrname, attrname);
          break;
        }
        more = readAttributeValue();
        break;
      case htTagStart:
        // A "<" inside a tag ends it and is read again as the next tag.
        --tk.Parser->p;
        return true;
      case htTagEnd:
        return true;
      case htTagClose:
        TagClosed = true;
        more = tk.NextToken(false);
        break;
      case htScript:
      case htStyle:
        if (!TagClosed) {
          Value = t.Name;
          TagType = t.CType;
        }
        return true;
      default:
        more = tk.NextToken(false);
        break;
    }
  }
  return false;
}

bool THtmlParser::readAttributeValue() {
  THTMLTokenizer& tk = *Tokenizer;
  const THTMLToken& t = tk.Token;
  bool more = tk.NextToken(true);
  while (more && (t.CType == htSpace || t.CType == htComment)) more = tk.NextToken(true);
  if (!more) return false;
  if (XMLMode && t.CType != htString) {
    // Quote the token as it stands in the text: punctuation tokens keep
    // the previous token's Name.
    const StringView found = tk.Parser->Text().substr(size_t(t.StartPos), size_t(t.EndPos - t.StartPos));
    throw EHtmlParserException(u"Attribute %s value expected but %s found. Line %d position %d", attrname, found,
                               tk.Parser->Line(), tk.Parser->Pos());
  }
  attrvalue.clear();
  if (t.CType == htTagClose) {
    attrvalue.push_back(u'/');
    more = tk.NextToken(false);
  } else {
    while (more && isSkippedInTag(t.CType)) more = tk.NextToken(true);
  }
  if (!more) return false;
  if (t.CType == htIdent) {
    // An unquoted value runs on over "/" and "=" up to a blank or the end
    // of the tag.
    attrvalue += t.Name;
    for (;;) {
      more = tk.NextToken(false);
      if (!more) break;
      const THTMLTokenType k = t.CType;
      if (k == htSpace || k == htTagEnd || k == htScript || k == htStyle || k == htTagStart) break;
      if (k == htTagClose)
        attrvalue += u'/';
      else if (k == htEq)
        attrvalue += u'=';
      else
        attrvalue += t.Name;
    }
  } else if (t.CType == htString) {
    attrvalue += t.Name;
    more = tk.NextToken(false);
  } else {
    return true;  // no value: the attribute is dropped and this token looked at next
  }
  THtAttributes& set = attributeSet();
  set.CaseSensitive = FCaseSensitive;
  if (set.Indexof(attrname) < 0) set.Add(attrname, attrvalue);  // the first valued one wins
  return more;
}

bool THtmlParser::readRawElementEnd(StringView ATag) {
  THTMLTokenizer& tk = *Tokenizer;
  const THTMLToken& t = tk.Token;
  TagClosed = true;
  for (;;) {
    if (!tk.NextToken(true)) return false;
    if (SameTextAscii(t.Name, ATag)) break;
    if (t.CType == htString || t.CType == htStyle || t.CType == htCData) Value += t.Name;
  }
  while (t.CType != htTagEnd)
    if (!tk.NextToken(true)) return false;
  return true;
}

}  // namespace ht
