#pragma once
// The CSS parser: reads style sheet text rule by rule into TCSSSection
// objects (selectors, prepared declarations, compiled longhands) and handles
// the at-rules @charset, @import, @media, @font-face, @page and @keyframes;
// other at-rules are skipped with their blocks. Malformed text is skipped to
// the next rule or declaration; the one error raised is ECSSParserError
// "Unknown token type". Token positions are 1-based.
#include <memory>
#include <unordered_map>
#include <vector>

#include "css/css_media_set.h"
#include "css/css_section.h"
#include "css/css_tokenizer.h"
#include "css/css_value.h"
#include "platform/rtl/exception.h"

namespace ht {

HT_DECLARE_EXCEPTION(ECSSParserError, Exception);

class TCSSParser;

// Receives the rules a parser reads, in source order. A style sheet
// implements it to index the selectors; Parser tells where the rule stood
// (FKeyFramesName inside @keyframes, FMediaSet inside @media).
class ICSSSectionSink {
 public:
  virtual ~ICSSSectionSink() = default;
  virtual void AddSection(std::unique_ptr<TCSSSection> Section, const TCSSParser& Parser) = 0;
};

class TCSSParser {
 public:
  // No tokenizer is made for an empty Text. ReadNumbers is passed to the
  // tokenizer.
  TCSSParser(const String& Text, bool ReadNumbers);
  ~TCSSParser();
  TCSSParser(const TCSSParser&) = delete;
  TCSSParser& operator=(const TCSSParser&) = delete;

  // Reads the next rule into FSection; False at the end of the text. The
  // caller takes FSection (std::move); otherwise the next call frees it.
  bool NextSection();
  // Runs NextSection to the end, handing every section to Sink.
  void ReadSections(ICSSSectionSink& Sink);
  // Reads declarations into FSection (which the caller may supply) up to
  // "}" or the end of the text.
  void ReadDeclarations();
  // Compiles one value in place; False: the declaration is not valid.
  static bool PrepareValue(TCSSValue& Value, TCSSSection* Section) { return PrepareCSSValue(Value, Section); }
  // Appends every following token (whitespace and comments included).
  void ReadAllTokens(TCSSTokens& Tokens);
  // Hands the media sets made by @media over to the caller.
  std::vector<std::unique_ptr<TCSSMediaSet>> ExtractMediaSets() { return std::move(FMediaSets); }

  std::unique_ptr<TCSSTokenizer> FTokenizer;
  TCSSTokens FTokens;  // the tokens of the selector or value being read
  int FMediaIndex = 0;
  TCSSMediaSet* FMediaSet = nullptr;  // of the enclosing @media; not owned
  bool FReadNumbers;
  std::unique_ptr<TCSSSection> FSection;
  // While a declaration block is read: each name's place in its Values,
  // and how many earlier declarations were replaced (left unnamed).
  std::unordered_map<String, size_t> FValueIndex;
  size_t FReplaced = 0;
  size_t FValuesAtStart = 0;  // the values the block held before it was read
  std::vector<String> FMediaTexts;  // "default", then each distinct query text
  TCSSImports FImports;
  String FCharset;
  String FKeyFramesName;
  std::vector<std::unique_ptr<TCSSMediaSet>> FMediaSets;

 private:
  TCSSToken& tok() { return FTokenizer->Token; }
  bool eof() const { return FTokenizer->Eof; }
  // Reads the next token; False at the end of the text.
  bool next();
  bool isChar(char16_t c);
  void ReadDeclaration();
  void readDeclarationList();
  void ReadSelector();
  void ReadAtRule();
  void ReadImport();
  void ReadMedia();
  void SetMediaFeature(StringView Name, int Value);
  void SkipBlock();
  void SkipToEnd();
  // Skips an at-rule this parser does not handle: up to ";" or the "}"
  // closing its block, nested blocks counted.
  void skipAtRule();
  [[noreturn]] void unknownToken();
};

}  // namespace ht
