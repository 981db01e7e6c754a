// Reading rules, declarations and at-rules.
#include "css/css_parser.h"

#include <cmath>

#include "css/css_text_utils.h"

namespace ht {

TCSSParser::TCSSParser(const String& Text, bool ReadNumbers) : FReadNumbers(ReadNumbers) {
  if (!Text.empty()) FTokenizer = std::make_unique<TCSSTokenizer>(Text, ReadNumbers);
  FMediaTexts.push_back(u"default");
}

TCSSParser::~TCSSParser() = default;

bool TCSSParser::next() {
  FTokenizer->NextToken();
  return !FTokenizer->Eof;
}

bool TCSSParser::isChar(char16_t c) {
  const TCSSToken& t = tok();
  return t.Name.size() == 1 && t.Name[0] == c;
}

void TCSSParser::unknownToken() { throw ECSSParserError(u"Unknown token type"); }

void TCSSParser::ReadSections(ICSSSectionSink& Sink) {
  while (NextSection()) Sink.AddSection(std::move(FSection), *this);
}

bool TCSSParser::NextSection() {
  if (!FTokenizer || !next()) return false;
  FTokens.clear();
  FSection = std::make_unique<TCSSSection>(true);
  FSection->BlockStartPos = tok().StartPos;
  bool block = false;
  while (!eof() && !block) {
    switch (tok().CType) {
      case ctAtKeyword:
        ReadAtRule();
        break;
      case ctString: case ctURI: case ctCDO: case ctCDC: case ctSemicolon:
      case ctOpenPar: case ctClosePar: case ctCloseBr:
        SkipBlock();
        break;
      case ctBlockStart:
        block = true;
        break;
      case ctBlockEnd:
        // The end of an @media or @keyframes group.
        FMediaIndex = 0;
        if (FMediaSet && FMediaSet->Media == 0) FMediaSet->Include(cmAll);
        FMediaSet = nullptr;
        FKeyFramesName.clear();
        next();
        break;
      case ctComment: case ctComma: case ctSpace:
        next();
        break;
      case ctDelimiter:
        if (isChar(u'*') || isChar(u'.'))
          ReadSelector();
        else
          next();
        break;
      case ctIdent: case ctHash: case ctNumber: case ctPercentage: case ctDimension:
      case ctFunction: case ctColon: case ctOpenBr: case ctSlash:
        ReadSelector();
        break;
      default:
        unknownToken();
    }
  }
  TCSSSection& s = *FSection;
  if (s.Selectors->Count() > 0) s.Selectors->EndPos = s.Selectors->Last()->EndPos;
  if (!eof() && tok().CType == ctBlockStart) ReadDeclarations();
  s.BlockEndPos = tok().EndPos;
  s.MediaSet = FMediaSet ? FMediaSet : DefaultCSSMediaSet();
  // A selector this engine cannot follow invalidates its whole rule, as a
  // rule must not apply more widely than written.
  bool unsupported = false;
  for (const TCSSSelector* sel : *s.Selectors) unsupported = unsupported || sel->Unsupported();
  if (unsupported) {
    s.Selectors->Clear();
    s.Values.clear();
  }
  s.Compile();
  return !(eof() && s.Selectors->Count() == 0 && s.Values.empty());
}

void TCSSParser::ReadSelector() {
  TCSSSection& s = *FSection;
  if (s.Selectors->Count() == 0) {
    s.BlockStartPos = tok().StartPos;
    s.Selectors->StartPos = tok().StartPos;
  }
  FTokens.clear();
  int depth = 0;  // "," inside parentheses or brackets belongs to the selector
  bool done = false;
  while (!done) {
    const TCSSToken& t = tok();
    switch (t.CType) {
      case ctOpenPar:
      case ctOpenBr:
        ++depth;
        FTokens.push_back(t);
        break;
      case ctClosePar:
      case ctCloseBr:
        if (depth > 0) --depth;
        FTokens.push_back(t);
        break;
      case ctComma:
        if (depth == 0) {
          done = true;
          continue;
        }
        FTokens.push_back(t);
        break;
      case ctBlockStart:
        done = true;
        continue;
      case ctComment: case ctSlash:
        break;
      case ctBlockEnd: case ctURI: case ctSemicolon: case ctCDO: case ctCDC:
        SkipBlock();
        FTokens.clear();
        return;
      case ctUnknown:
        unknownToken();
      default:
        FTokens.push_back(std::move(tok()));
        break;
    }
    if (!next()) break;
  }
  while (!FTokens.empty() && FTokens.back().CType == ctSpace) FTokens.pop_back();
  if (FTokens.empty()) return;
  std::unique_ptr<TCSSSelector> sel = TCSSSelector::FromTokens(FTokens);
  if (sel) {
    sel->StartPos = FTokens.front().StartPos;
    sel->EndPos = FTokens.back().EndPos;
    s.AddSelector(sel.release());
  }
  FTokens.clear();
}

void TCSSParser::ReadDeclarations() {
  // Clearing a map empties all its buckets, which stay as many as the
  // longest block needed: only a used index is cleared.
  if (!FValueIndex.empty()) FValueIndex.clear();
  FValuesAtStart = FSection ? FSection->Values.size() : 0;
  readDeclarationList();
  // Drop the declarations replaced by later ones of the same name (their
  // names were cleared), keeping the order of the rest.
  if (FSection && FReplaced > 0)
    std::erase_if(FSection->Values, [](const TCSSValue& v) { return v.Token.Name.empty(); });
  FReplaced = 0;
  if (!FValueIndex.empty()) FValueIndex.clear();
}

void TCSSParser::readDeclarationList() {
  while (true) {
    if (!next()) return;
    bool again = true;  // dispatch the current token without reading
    while (again) {
      again = false;
      if (eof()) return;
      switch (tok().CType) {
        case ctIdent:
          ReadDeclaration();
          again = true;
          break;
        case ctBlockEnd: case ctCDC:
          return;
        case ctCDO: case ctComment: case ctSemicolon: case ctSlash: case ctSpace:
          break;
        case ctDelimiter:
          if (isChar(u'*')) {
            SkipToEnd();
            again = true;
          }
          break;
        case ctUnknown:
          unknownToken();
        default:
          SkipToEnd();
          again = true;
          break;
      }
    }
  }
}

void TCSSParser::ReadDeclaration() {
  // Tokens are moved out of the tokenizer, which resets each field of the
  // next one: a long name or value changes hands instead of being copied.
  TCSSToken name = std::move(tok());
  if (!next()) return;
  while (tok().CType == ctSpace || tok().CType == ctComment)
    if (!next()) return;
  if (tok().CType != ctColon) return;
  FTokens.clear();
  bool important = false;
  bool ended = false;
  while (!ended && next()) {
    const TCSSToken& t = tok();
    switch (t.CType) {
      case ctSpace: case ctComment: case ctUnknown:
        break;
      case ctBlockEnd: case ctCDO: case ctSemicolon:
        ended = true;
        break;
      case ctAtKeyword: case ctBlockStart: case ctCDC:
        SkipToEnd();
        FTokens.clear();
        return;
      case ctDelimiter:
        if (isChar(u'!')) {
          // A run of marks counts as one: a "!" kept in the value could not
          // be written back and read as the same value.
          bool more = next();
          while (more && tok().CType == ctDelimiter && isChar(u'!')) more = next();
          if (!more) break;
          const TCSSToken& u = tok();
          if (u.CType == ctIdent && SameTextAscii(u.Name, u"important")) {
            important = true;
          } else if (u.CType == ctBlockEnd || u.CType == ctCDO || u.CType == ctSemicolon) {
            ended = true;
          } else if (u.CType == ctAtKeyword || u.CType == ctBlockStart || u.CType == ctCDC) {
            SkipToEnd();
            FTokens.clear();
            return;
          } else {
            FTokens.push_back(std::move(tok()));  // the mark is dropped, the word kept
          }
          break;
        }
        FTokens.push_back(std::move(tok()));
        break;
      default:
        FTokens.push_back(std::move(tok()));
        break;
    }
  }
  if (FTokens.empty()) return;
  TCSSValue v;
  v.Token = std::move(name);
  v.Important = important;
  v.Section = FSection.get();
  // Moved out one by one, so FTokens keeps its room for the next value.
  v.Tokens.reserve(FTokens.size());
  for (TCSSToken& t : FTokens) v.Tokens.push_back(std::move(t));
  FTokens.clear();
  // Check the new value before replacing an earlier one of the same name,
  // so "color: red; color: <unsupported>" keeps red.
  if (!PrepareCSSValue(v, FSection.get())) return;
  // The earlier one is only marked here. In a block that began empty every
  // name is held once (a repeated one is cleared), so a short block is
  // searched directly; a long one, or one that held values already, goes
  // through an index so that a rule of many declarations reads in linear time.
  TCSSValues& values = FSection->Values;
  constexpr size_t kDirectSearch = 16;
  if (FValueIndex.empty() && FValuesAtStart == 0 && values.size() < kDirectSearch) {
    for (TCSSValue& earlier : values)
      if (earlier.Token.Name == v.Token.Name) {
        earlier.Token.Name.clear();
        ++FReplaced;
        break;
      }
    values.push_back(std::move(v));
    return;
  }
  if (FValueIndex.empty())
    for (size_t i = 0; i < values.size(); ++i) FValueIndex.emplace(values[i].Token.Name, i);
  const auto [it, added] = FValueIndex.try_emplace(v.Token.Name, values.size());
  if (!added) {
    values[it->second].Token.Name.clear();
    ++FReplaced;
    it->second = values.size();
  }
  values.push_back(std::move(v));
}

void TCSSParser::SkipBlock() {
  while (!eof() && tok().CType != ctBlockEnd) next();
  if (!eof()) next();
}

void TCSSParser::SkipToEnd() {
  while (!eof() && tok().CType != ctSemicolon && tok().CType != ctBlockEnd) next();
}

void TCSSParser::skipAtRule() {
  int depth = 0;
  while (next()) {
    const TCSSTokenType t = tok().CType;
    if (t == ctSemicolon && depth == 0) break;
    if (t == ctBlockStart) ++depth;
    if (t == ctBlockEnd && --depth <= 0) break;
  }
  if (!eof()) next();
}

void TCSSParser::ReadAtRule() {
  const String keyword = AsciiLowerCase(tok().Name);
  if (keyword == u"@charset") {
    while (next() && tok().CType != ctSemicolon)
      if (tok().CType == ctIdent || tok().CType == ctString) FCharset = tok().Name;
    if (!eof()) next();
  } else if (keyword == u"@font-face" || keyword == u"@page") {
    FSection->FontFace = keyword == u"@font-face";
    ReadSelector();
  } else if (keyword == u"@import") {
    ReadImport();
  } else if (keyword == u"@keyframes") {
    while (next() && tok().CType != ctBlockStart)
      if (tok().CType == ctIdent || tok().CType == ctString) FKeyFramesName = tok().Name;
    if (!eof()) next();
  } else if (keyword == u"@media") {
    ReadMedia();
  } else {
    skipAtRule();
  }
}

void TCSSParser::ReadImport() {
  if (!next()) return;
  while (tok().CType == ctSpace)
    if (!next()) return;
  if (tok().CType == ctSemicolon) {
    next();
    return;
  }
  TCSSImport imp;
  imp.Token = tok();
  while (next() && tok().CType != ctSemicolon) {
    const TCSSTokenType t = tok().CType;
    if (t == ctIdent || t == ctString || t == ctFunction) imp.Media.push_back(tok());
  }
  FImports.push_back(std::move(imp));
  if (!eof()) next();
}

void TCSSParser::SetMediaFeature(StringView Name, int Value) {
  if (!FMediaSet) return;
  if (SameTextAscii(Name, u"min-width")) FMediaSet->MinWidth = Value;
  else if (SameTextAscii(Name, u"max-width")) FMediaSet->MaxWidth = Value;
  else if (SameTextAscii(Name, u"min-device-width")) FMediaSet->MinDeviceWidth = Value;
  else if (SameTextAscii(Name, u"max-device-width")) FMediaSet->MaxDeviceWidth = Value;
}

void TCSSParser::ReadMedia() {
  FMediaSets.push_back(std::make_unique<TCSSMediaSet>());
  TCSSMediaSet& set = *FMediaSets.back();
  FMediaSet = &set;
  String query, pending;
  auto tryMedia = [&](StringView text) {
    int v = 0;
    const StringView w = TrimBlanks(text);
    if (!w.empty() && TryGetEnumValue(u"cm", w, EnumTypeInfo<TCSSMedia>(), v)) set.Include(TCSSMedia(v));
  };
  // Reads the next token into the query's tokens.
  auto read = [&]() {
    if (!next()) return false;
    if (tok().CType != ctBlockStart && tok().CType != ctSemicolon) set.Tokens.push_back(tok());
    return true;
  };
  bool more = read();
  while (more) {
    const TCSSToken& t = tok();
    if (t.CType == ctBlockStart || t.CType == ctSemicolon) break;
    if (t.CType == ctOpenPar) {
      // A feature: "(name: value)" or "(name)".
      do more = read();
      while (more && tok().CType == ctSpace);
      if (!more) break;
      const String feature = tok().Name;
      int value = 0;
      while ((more = read()) && tok().CType != ctColon && tok().CType != ctClosePar &&
             tok().CType != ctBlockStart && tok().CType != ctSemicolon) {
      }
      if (more && tok().CType == ctColon) {
        do more = read();
        while (more && tok().CType == ctSpace);
        if (more && (tok().CType == ctNumber || tok().CType == ctDimension)) {
          value = RoundHalfEven(tok().AsFloat);
          more = read();
        }
        while (more && tok().CType != ctClosePar && tok().CType != ctBlockStart && tok().CType != ctSemicolon)
          more = read();
      }
      if (more && tok().CType == ctClosePar) {
        SetMediaFeature(feature, value);
        more = read();
      }
      continue;
    }
    const bool joiner = t.CType == ctIdent && (SameTextAscii(t.Name, u"only") || SameTextAscii(t.Name, u"and"));
    if (!joiner) {
      query += t.Name;
      query += u' ';
    }
    if (t.CType == ctIdent) tryMedia(t.Name);
    if (t.CType == ctColon) {
      tryMedia(pending);
      pending.clear();
    } else if (t.CType != ctSpace) {
      pending += t.Name;
    }
    more = read();
  }
  tryMedia(pending);
  if (!more || tok().CType != ctBlockStart) {
    // "@media ...;" has no block: nothing is scoped by it.
    FMediaSet = nullptr;
    if (more) next();
    return;
  }
  const String text(TrimBlanks(query));
  size_t index = 0;
  while (index < FMediaTexts.size() && FMediaTexts[index] != text) ++index;
  if (index == FMediaTexts.size()) FMediaTexts.push_back(text);
  FMediaIndex = int(index);
  if (set.Media == 0 && !text.empty()) set.Include(cmUnknown);
  next();
}

void TCSSParser::ReadAllTokens(TCSSTokens& Tokens) {
  if (!FTokenizer) return;
  while (next()) Tokens.push_back(tok());
}

}  // namespace ht
