// Tree construction: the items of the item reader become THtmlNode trees.
// There is no stack of open elements: every InternalParse call fills one
// element, and deciding what a tag closes walks parent links. When a level
// must close an element X above itself it answers X; each caller either is
// X's parent (X is closed, reading goes on there) or passes X further up.
//
// Every search stays inside the node the parse fills (the parser's Root):
// whatever lies above it cannot be closed by the parsed text, and answering
// such a node would end the parse and drop the rest of the text.
#include <memory>

#include "markup/html_parser.h"
#include "markup/html_tag_sets.h"
#include "markup/node.h"
#include "markup/node_list.h"

namespace ht {

namespace {

using tagsets::In;

// Elements nested deeper than this are closed, so recursion stays bounded.
constexpr int kMaxNesting = 256;

inline bool tagIn(const THtNode* n, std::initializer_list<StringView> tags) { return In(n->Tag(), tags); }

// The parent a search walks on to; null ends the walk.
inline THtNode* searchParent(const THtNode* n) {
  THtNode* p = n->Parent();
  return p == n ? nullptr : p;
}

// The node just below the nearest node (from Self up) whose tag is one of
// tags; null when Self matches or nothing does. AStop is not examined.
THtNode* belowSearch(THtNode* self, THtNode* stop, std::initializer_list<StringView> tags) {
  THtNode* below = nullptr;
  for (THtNode* n = self; n && n != stop; n = searchParent(n)) {
    if (tagIn(n, tags)) return below;
    below = n;
  }
  return nullptr;
}

// The nearest node (Self included) whose tag is one of tags. Without
// crossTables a table-structure node ends the search. A node without parent
// is never answered: nothing could close it.
THtNode* openSearch(THtNode* self, THtNode* stop, std::initializer_list<StringView> tags, bool crossTables) {
  for (THtNode* n = self; n && n != stop; n = searchParent(n)) {
    if (tagIn(n, tags)) return n->Parent() ? n : nullptr;
    if (!crossTables && tagsets::IsTableStructure(n->Tag())) return nullptr;
  }
  return nullptr;
}

bool isBelow(const THtNode* n, const THtNode* ancestor) {
  for (const THtNode* p = n->Parent(); p; p = p->Parent()) {
    if (p == ancestor) return true;
    if (p == p->Parent()) break;
  }
  return false;
}

template <class Pred>
void removeFromStack(THtObjectList& stack, Pred pred) {
  for (int32_t i = stack.Count() - 1; i >= 0; --i)
    if (pred(static_cast<THtNode*>(stack.Get(i)))) stack.Delete(i);
}

THtmlNode* globalRootOf(THtNode* n) { return dynamic_cast<THtmlNode*>(n->Root()); }

}  // namespace

void THtmlNode::AfterParse() {}

THtNode* THtmlNode::FindImpliedEnd(StringView ATag, THtNode* AStop) {
  if (FTag == u"tr" && !In(ATag, {u"tr", u"tbody", u"thead", u"tfoot", u"caption", u"td", u"th", u"font"}))
    return openSearch(this, AStop, {u"table"}, true);  // the table ends, the element follows it
  if (ATag == u"thead" || ATag == u"tbody") return belowSearch(this, AStop, {u"table"});
  if (ATag == u"tr") {
    if (THtNode* x = belowSearch(this, AStop, {u"thead", u"tbody", u"tfoot", u"table"})) return x;
    if (In(FTag, {u"thead", u"tbody", u"tfoot", u"table"})) return nullptr;
    return openSearch(this, AStop, {u"tr"}, true);
  }
  if (ATag == u"td" || ATag == u"th") return belowSearch(this, AStop, {u"tr"});
  if (ATag == u"table") return FTag == u"table" ? openSearch(this, AStop, {u"table"}, true) : nullptr;
  if (!ATag.empty() && ATag[0] == u't') return nullptr;
  if (ATag == u"li") return belowSearch(this, AStop, {u"ul", u"ol"});
  if (ATag == u"dt") return belowSearch(this, AStop, {u"dl"});
  if (ATag == u"dd") {
    if (THtNode* x = belowSearch(this, AStop, {u"dl"})) return x;
    return openSearch(this, AStop, {u"dd"}, false);
  }
  if (ATag == u"body") return openSearch(this, AStop, {u"head"}, false);
  if (ATag == u"a") return openSearch(this, AStop, {u"a"}, false);  // links do not nest
  if (FTag == u"head" && !tagsets::IsHeadContent(ATag)) return openSearch(this, AStop, {u"head"}, false);
  if (tagsets::IsParagraphCloser(ATag)) return openSearch(this, AStop, {u"p"}, false);
  return nullptr;
}

THtNode* THtmlNode::InternalParse(THtmlParser& HP) {
  ++HP.FStackLevel;
  if (!HP.RepeatCurrent) {
    if (!HP.Tag.empty() && FTag.empty()) SetTag(HP.Tag);
    TagType = HP.TagType;
    ParseAttributes(HP);
    if (HP.TagClosed) return nullptr;
  }
  THtObjectList& stack = *HP.IncorrectStack;
  THtNode* result = nullptr;

  // Runs a nested level and applies the closing protocol: true when this
  // level must end too, answering what the nested one answered.
  auto nested = [&](THtNode* child) {
    auto* h = dynamic_cast<THtmlNode*>(child);
    if (!h) {
      // A node of another kind takes no content; an item meant to be read
      // again inside it is dropped instead.
      HP.RepeatCurrent = false;
      return false;
    }
    THtNode* x = h->InternalParse(HP);
    --HP.FStackLevel;
    if (x && x->Parent() != this) {
      result = x;
      return true;
    }
    return false;
  };
  auto childOf = [&](THtNode* parent, StringView tag) -> THtNode* {
    const THtNodeClass* cls = GetElementClass(tag, HP.GlobalRoot);
    if (!cls) return nullptr;
    THtNode* child = parent->CreateChild(cls);
    child->SetTag(tag);
    return child;
  };

  while (HP.NextItem()) {
    if (HP.IsCloseTag) {
      const String& endTag = HP.Tag;
      if (endTag == FTag) {
        removeFromStack(stack, [this](THtNode* e) { return isBelow(e, this); });
        break;
      }
      removeFromStack(stack, [&endTag](THtNode* e) { return e->Tag() == endTag; });
      const int32_t remembered = stack.Count();
      const bool rowOrCell = In(endTag, {u"tr", u"td", u"th", u"p"});
      const bool tableLevel = In(endTag, {u"table", u"tr", u"td", u"th"});
      THtNode* found = nullptr;
      for (THtNode* node = this; node;) {
        if (rowOrCell && node->Tag() == u"table") break;
        if (!tableLevel && tagIn(node, {u"table", u"tr", u"td", u"th"})) break;
        if (endTag == u"span" && node->Tag() == u"div") break;
        if (tagIn(node, {u"body", u"html"})) break;
        if (endTag == u"table") {
          if (node->Tag() == u"tr" && node != HP.Root && node->Parent()) node = node->Parent();
          if (node->Tag() == u"tbody" && node != HP.Root && node->Parent()) node = node->Parent();
        }
        if (node->Tag() == endTag) {
          found = node;
          break;
        }
        // The walk never leaves the node the parse fills.
        if (node == HP.Root) break;
        if (tagsets::IsFormatting(node->Tag())) stack.Add(node);
        node = searchParent(node);
      }
      if (found) {
        result = found;
        break;
      }
      while (stack.Count() > remembered) stack.Delete(stack.Count() - 1);
      continue;
    }

    // Formatting elements closed out of order open again around what follows.
    bool reopened = false;
    while (stack.Count() > 0) {
      auto* e = static_cast<THtNode*>(stack.Last());
      stack.Delete(stack.Count() - 1);
      THtNode* copy = childOf(this, e->Tag());
      if (!copy) continue;
      copy->CopyAttributesFrom(e);
      HP.RepeatCurrent = true;
      reopened = true;
      if (nested(copy)) goto done;
      break;
    }
    if (reopened) continue;

    switch (HP.TagType) {
      case htString:
        if (HP.Tag.empty()) {
          const THtNodeClass* cls = GetElementClass(u"", HP.GlobalRoot);
          if (!cls) break;
          THtNode* text = CreateChild(cls);
          text->TagType = htString;
          text->SetContent(HP.Value);
        }
        break;
      case htScript:
      case htStyle:
      case htComment:
      case htDirective:
      case htCData: {
        const THTMLTokenType type = HP.TagType;
        const StringView tag = type == htScript || type == htStyle ? StringView(HP.Tag)
                               : type == htComment                 ? StringView(u"!")
                               : type == htDirective               ? StringView(u"?")
                                                                   : StringView(u"");
        const THtNodeClass* cls = GetElementClass(type == htCData ? StringView(u"!") : tag, HP.GlobalRoot);
        if (!cls) break;
        THtNode* child = CreateChild(cls);
        child->SetTag(tag);
        child->TagType = type;
        child->SetContent(HP.Value);
        if (type != htCData)
          if (auto* h = dynamic_cast<THtmlNode*>(child)) h->ParseAttributes(HP);
        break;
      }
      case htIdent: {
        const String& t = HP.Tag;
        THtNode* x = nullptr;
        if (tagsets::IsVoid(t)) {
          HP.TagClosed = true;
        } else {
          // No row or cell is added where the cell would pass the depth
          // cap: the cell would hand the item back and it would be read
          // again forever.
          const bool tableBody = In(FTag, {u"table", u"thead", u"tbody"}) && HP.FStackLevel < kMaxNesting;
          if (tableBody && (t == u"td" || t == u"th")) {
            // A cell straight in a table gets its row.
            THtNode* row = childOf(this, u"tr");
            if (!row) break;
            HP.RepeatCurrent = true;
            if (nested(row)) goto done;
            break;
          }
          if (tableBody && t == u"p") {
            THtNode* row = childOf(this, u"tr");
            THtNode* cell = row ? childOf(row, u"td") : nullptr;
            if (!cell) break;
            HP.RepeatCurrent = true;
            if (nested(cell)) goto done;
            break;
          }
          if (t == u"td") {
            x = belowSearch(this, HP.Root, {u"tr"});
          } else if (t == u"tr" && FTag == u"tr") {
            x = openSearch(this, HP.Root, {u"tr"}, true);
          } else if (FTag == u"tr" && In(t, {u"p", u"span", u"ul", u"div"})) {
            // Content straight in a row goes into its last cell.
            THtNode* cell = nullptr;
            for (int i = GetCount() - 1; i >= 0 && !cell; --i)
              if (tagIn(FNodes->Get(i), {u"td", u"th"})) cell = FNodes->Get(i);
            if (cell) {
              HP.RepeatCurrent = true;
              if (nested(cell)) goto done;
              break;
            }
          } else {
            x = FindImpliedEnd(t, HP.Root);
          }
          if (!x && HP.FStackLevel > kMaxNesting && FParent && FParent != HP.Root) x = FParent;
          if (x) {
            HP.RepeatCurrent = true;
            return x;
          }
        }
        // Creation.
        THtNode* grand = FParent ? FParent->Parent() : nullptr;
        THtNode* child;
        if (HP.TagClosed && FTag == u"tbody" && t != u"tr" && grand) {
          // An empty element met in a table body is put before the table.
          child = childOf(grand, t);
          if (!child) break;
          THtNodeList* siblings = grand->GetNodes();
          if (siblings->Count() >= 2) siblings->Move(siblings->Count() - 1, siblings->Count() - 2);
        } else {
          child = childOf(this, t);
          if (!child) break;
        }
        if (nested(child)) goto done;
        break;
      }
      default:
        break;  // declarations have no place in the tree
    }
  }
done:
  AfterParse();
  return result;
}

void THtmlNode::parseChildren(const String& HTML, THtmlByteSource* Source) {
  if (FNodes) FNodes->Clear();
  THtmlParser hp{HTML, false, TTextHold::InPlace};
  hp.GlobalRoot = globalRootOf(this);
  // The parse stays inside this node (see the note at the top).
  hp.Root = this;
  hp.Source = Source;
  InternalParse(hp);
}

void THtmlNode::finishParse() {
  if (!FParent && !NodebyName(u"body") && !NodebyName(u"html")) SetTag(u"body");
}

void THtmlNode::Parse(const String& HTML) {
  parseChildren(HTML, nullptr);
  finishParse();
}

void THtmlNode::ParseBytes(std::string_view Bytes) {
  THtmlByteSource source;
  String text;
  if (!source.Prepare(Bytes, text, true)) {
    Parse(text);
    return;
  }
  parseChildren(text, &source);
  if (source.Utf8Rest && !source.Confirmed) {
    source.Prepare(Bytes, text, false);
    parseChildren(text, &source);
  }
  finishParse();
}

void THtmlNode::SetInnerHTML(StringView Value) {
  if (FNodes) FNodes->Clear();
  const THtNodeClass* cls = GetElementClass(u"div", nullptr);
  if (!cls) return;
  THtNode* wrapper = AddChild(cls);
  auto* w = dynamic_cast<THtmlNode*>(wrapper);
  if (w) {
    // The wrapper stays untagged, so no end tag in Value can close it and
    // drop the rest. Names are folded to lower case in every document mode:
    // the builder's rules, the writers and selectors know HTML names only in
    // lower case.
    THtmlParser hp{String(Value), false};
    hp.Root = w;
    hp.GlobalRoot = globalRootOf(this);
    w->InternalParse(hp);
    w->MoveChildrentoParent(true);
  }
  DeleteChild(wrapper);
}

void THtmlNode::SetOuterHTML(StringView Value) {
  if (FNodes) FNodes->Clear();
  FAttributes.reset();
  THtmlParser hp{String(Value), false};
  hp.Root = this;
  hp.GlobalRoot = globalRootOf(this);
  if (!hp.NextItem()) return;
  // A document type (and the blank after it) and stray end tags come before
  // the element.
  while (hp.TagType == htCustom || hp.IsCloseTag) {
    if (!hp.NextItem()) return;
    if (hp.TagType == htString && hp.Tag.empty()) {
      bool blank = true;
      for (char16_t c : hp.Value) blank = blank && c <= 0x20;
      if (blank && !hp.NextItem()) return;
    }
  }
  SetTag(u"");
  if (hp.Tag.empty()) {
    // Text, a comment and the like: Self becomes that node.
    TagType = hp.TagType;
    SetContent(hp.Value);
    if (hp.TagType == htComment) SetTag(u"!");
    if (hp.TagType == htDirective) SetTag(u"?");
    return;
  }
  // A void element takes no content: what follows it is not read.
  if (tagsets::IsVoid(hp.Tag)) hp.TagClosed = true;
  InternalParse(hp);
}

THtmlNode* THtmlNode::AddHTML(StringView HTML) {
  const THtNodeClass* cls = GetElementClass(u"div", nullptr);
  if (!cls) return nullptr;
  THtNode* wrapper = AddChild(cls);
  THtNode* first = nullptr;
  if (auto* w = dynamic_cast<THtmlNode*>(wrapper)) {
    w->Parse(String(HTML));
    first = w->GetCount() > 0 ? w->GetNode(0) : nullptr;
    w->MoveChildrentoParent(true);
  }
  DeleteChild(wrapper);
  return dynamic_cast<THtmlNode*>(first);
}

}  // namespace ht
