#pragma once
// The item reader: reads HTML or XML text one item per NextItem call (a start
// tag with its attributes, an end tag, a text run, a comment, a CDATA
// section, a declaration, a processing instruction, raw script or style),
// interning tag and attribute names, and switching the text's encoding when
// a byte-order mark or a meta element asks for it.
//
// The text arrives as UTF-16. When it was decoded from bytes in the system
// ANSI code page but declares another encoding, the rest of the text (and
// the nodes already built under Root) are decoded again; text that did not
// come from the ANSI code page is left as it is.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "markup/attributes.h"
#include "markup/hash_dictionary.h"
#include "markup/html_token_type.h"
#include "markup/html_tokenizer.h"
#include "markup/object_list.h"
#include "platform/rtl/string.h"

namespace ht {

class THtmlNode;

enum THtmlEncoding : uint8_t { heDefault, heUTF8, heUTF16, heANSI };

// What the item reader knows of the bytes its text was decoded from (see
// THtmlNode::ParseBytes), so that a meta charset needs no round trip of the
// text through ANSI, and a UTF-8 page that says so early is decoded once.
struct THtmlByteSource {
  std::string_view Bytes;
  // The text is Bytes decoded as ANSI; or, when Utf8Rest, decoded as UTF-8,
  // a guess taken from a meta charset near the start: Bytes[0, AsciiEnd) is
  // ASCII, so both decodings agree there, and the first meta the reader acts
  // on must confirm the guess (ask for UTF-8) before the cursor passes
  // AsciiEnd. Otherwise Mismatch is set and the reader stops early; the
  // caller then parses the ANSI text.
  size_t AsciiEnd = 0;
  bool Utf8Rest = false;
  bool Confirmed = false;
  bool Mismatch = false;

  // Decodes Bytes as a file's text would be (DecodeFileBytes) into Text and
  // answers true when that is ANSI text this source then describes.
  // GuessUtf8 allows the UTF-8 guess (a prescan of the first 1024 bytes for
  // a meta charset naming UTF-8).
  bool Prepare(std::string_view ABytes, String& Text, bool GuessUtf8);
};

class THtmlParser {
 public:
  // Skips a byte-order mark at the start of s: a UTF-8 mark seen as ANSI
  // text also switches the rest of the text to UTF-8.
  THtmlParser(const String& s, bool AXMLMode, TTextHold Hold = TTextHold::Copy);
  ~THtmlParser();
  THtmlParser(const THtmlParser&) = delete;
  THtmlParser& operator=(const THtmlParser&) = delete;

  // Reads the next item into TagType, Tag, Value, Attributes, TagClosed,
  // IsCloseTag and StartPos. False when the end of the text was reached
  // while reading: an item cut off by the end is then lost. In XML mode
  // malformed tags raise EHtmlParserException.
  bool NextItem();

  bool CaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool Value);

  // Re-decodes the rest of the text (and the nodes under Root) as UTF-8 when
  // it is ANSI text that holds UTF-8; only heUTF8 acts. NewCodePage is not
  // used.
  void ChangeEncoding(THtmlEncoding NewEncoding, int NewCodePage);
  // The Windows code page number a charset name stands for, 0 when unknown.
  static int CharsettoCodepage(StringView ACharset);
  // Sniffs the first 4096 bytes of a file: a byte-order mark, UTF-16 or
  // UTF-8 content, else heDefault with the code page of a charset named in
  // the text (0 when none). Raises EFOpenError when the file cannot be read.
  static THtmlEncoding GetFileEncoding(const String& AFileName, int& ACodePage);

  String attrname;
  String attrvalue;
  std::unique_ptr<THTMLTokenizer> Tokenizer;
  bool XMLMode;
  bool FEncodingProcessed = false;  // a meta charset has been acted on
  int FStackLevel = 0;              // the tree builder's nesting counter
  bool FCaseSensitive = false;
  THTMLTokenType TagType = htUnknown;
  String Tag;    // tag name of the current item; empty for text and the like
  String Value;  // text of the current item
  bool TagClosed = false;   // no content follows the item
  bool IsCloseTag = false;  // the item is an end tag
  bool RepeatCurrent = false;  // the next NextItem delivers the current item again
  // The current start tag's attributes; a node may take the set over
  // (leaving null), and the reader creates a new one when it needs it.
  std::unique_ptr<THtAttributes> Attributes;
  THtmlNode* Root = nullptr;        // re-decoding applies under it
  THtmlNode* GlobalRoot = nullptr;  // chooses node classes
  THtmlEncoding Encoding = heDefault;
  uint32_t Codepage = 0;
  int StartPos = 0;  // Token.StartPos of the last token the item consumed
  std::unique_ptr<THtObjectDictionary> TagList;   // owns its THtStringRec
  std::unique_ptr<THtObjectDictionary> AttrList;  // owns its THtStringRec
  std::unique_ptr<THtObjectList> IncorrectStack;  // not owning
  bool IgnoreMetaEncoding = false;
  // The bytes the text came from, while the text is still their decoding
  // (not owned; null when unknown or once the text was decoded again).
  THtmlByteSource* Source = nullptr;

 private:
  // The ANSI bytes of the rest of the text: from Source when the text is
  // their ANSI decoding, else by converting the text back (false when it
  // holds characters ANSI cannot).
  bool restAnsiBytes(std::string& Storage, std::string_view& Bytes);
  // Reads the attributes of the current tag; false at the end of the text.
  bool readAttributes();
  bool readAttributeList();
  bool FReadingAttributes = false;  // the set is filled in bulk meanwhile
  // Reads one attribute value after "="; false at the end of the text.
  bool readAttributeValue();
  // Reads the rest of a style or script element up to and with its end tag.
  bool readRawElementEnd(StringView ATag);
  THtAttributes& attributeSet();
  // The encoding switch a meta element asks for.
  void applyMetaEncoding();
  // Decodes the text from the cursor again with Decode (bytes to UTF-16).
  template <class Decode>
  void redecodeRest(Decode decode);
  template <class Decode>
  void redecodeTree(Decode decode);
};

}  // namespace ht
