#pragma once
// Test helpers: small node trees and parsed sheets.
#include <memory>
#include <vector>

#include "css/css_parser.h"
#include "markup/node.h"

namespace ht {

// Appends an element with the given tag and attributes ("name", "value"...).
inline THtNode* AddElement(THtNode* parent, StringView tag, std::initializer_list<StringView> attrs = {}) {
  THtNode* n = parent->AddChild(&THtmlNode::ClassType);
  n->SetTag(tag);
  for (auto it = attrs.begin(); it != attrs.end() && it + 1 != attrs.end(); it += 2) n->SetAttr(*it, *(it + 1));
  return n;
}

inline THtNode* AddText(THtNode* parent, StringView text) {
  THtNode* n = parent->AddChild(&THtmlNode::ClassType);
  n->SetContent(text);
  return n;
}

struct TCollectedSheet : ICSSSectionSink {
  std::vector<std::unique_ptr<TCSSSection>> Sections;
  std::vector<String> KeyFrames;  // the keyframes name of each section
  void AddSection(std::unique_ptr<TCSSSection> Section, const TCSSParser& Parser) override {
    KeyFrames.push_back(Parser.FKeyFramesName);
    Sections.push_back(std::move(Section));
  }
};

// Parses Text with number reading; the parser stays alive for its media sets.
struct TParsedSheet {
  explicit TParsedSheet(const String& Text) : Parser(Text, true) { Parser.ReadSections(Sheet); }
  TCSSParser Parser;
  TCollectedSheet Sheet;
  TCSSSection& operator[](size_t i) { return *Sheet.Sections.at(i); }
  size_t size() const { return Sheet.Sections.size(); }
};

// The compiled values of a section as text, one declaration after another.
inline String CompiledText(const TCSSSection& s) {
  String out;
  for (const TCSSValue& v : s.CompiledValues) {
    if (!out.empty()) out += u' ';
    out += v.AsString();
  }
  return out;
}

inline String DeclaredText(const TCSSSection& s) {
  String out;
  for (const TCSSValue& v : s.Values) {
    if (!out.empty()) out += u' ';
    out += v.AsString();
  }
  return out;
}

}  // namespace ht
