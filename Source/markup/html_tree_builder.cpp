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

using tagsets::MakeTagSet;
using tagsets::TTagName;
using tagsets::TTagSet;

// Elements nested deeper than this are closed, so recursion stays bounded.
constexpr int kMaxNesting = 256;

// The names the builder decides by. Tags are compared as exactly as ever;
// the hashes only spare reading the characters of tags that differ.
constexpr TTagName kA(u"a"), kBody(u"body"), kDd(u"dd"), kDiv(u"div"), kDt(u"dt"), kHead(u"head"), kLi(u"li"),
    kP(u"p"), kSpan(u"span"), kTable(u"table"), kTbody(u"tbody"), kTd(u"td"), kTh(u"th"), kThead(u"thead"),
    kTr(u"tr");
constexpr auto kOnlyA = MakeTagSet(u"a");
constexpr auto kOnlyDd = MakeTagSet(u"dd");
constexpr auto kOnlyDl = MakeTagSet(u"dl");
constexpr auto kOnlyHead = MakeTagSet(u"head");
constexpr auto kOnlyP = MakeTagSet(u"p");
constexpr auto kOnlyTable = MakeTagSet(u"table");
constexpr auto kOnlyTr = MakeTagSet(u"tr");
constexpr auto kLists = MakeTagSet(u"ul", u"ol");
constexpr auto kCells = MakeTagSet(u"td", u"th");
constexpr auto kBodyOrHtml = MakeTagSet(u"body", u"html");
constexpr auto kTableBodies = MakeTagSet(u"table", u"thead", u"tbody");
constexpr auto kSectionsOrTable = MakeTagSet(u"thead", u"tbody", u"tfoot", u"table");
constexpr auto kTableLevel = MakeTagSet(u"table", u"tr", u"td", u"th");
constexpr auto kRowOrCellEnd = MakeTagSet(u"tr", u"td", u"th", u"p");
constexpr auto kRowParts = MakeTagSet(u"tr", u"tbody", u"thead", u"tfoot", u"caption", u"td", u"th", u"font");
constexpr auto kIntoLastCell = MakeTagSet(u"p", u"span", u"ul", u"div");

// The hash a node keeps of its tag: that of the ASCII-folded form.
int32_t foldedTagHash(StringView t) {
  for (char16_t c : t)
    if (c >= u'A' && c <= u'Z') return HtTagHashOf(AsciiLowerCase(t));
  return HtTagHashOf(t);
}

// A tag with its folded hash, comparable with nodes' tags and known names.
struct TTag {
  StringView Name;
  int32_t Hash;
  explicit TTag(StringView AName) : Name(AName), Hash(foldedTagHash(AName)) {}
  explicit TTag(const THtNode* n) : Name(n->Tag()), Hash(n->TagHash()) {}
  bool operator==(const TTagName& n) const { return n.Is(Name, Hash); }
  bool operator==(const TTag& o) const { return Hash == o.Hash && Name == o.Name; }
  template <size_t N>
  bool In(const TTagSet<N>& set) const {
    return set.Has(Name, Hash);
  }
};

inline bool tagIs(const THtNode* n, const TTagName& name) { return name.Is(n->Tag(), n->TagHash()); }
template <size_t N>
inline bool tagIn(const THtNode* n, const TTagSet<N>& tags) {
  return tags.Has(n->Tag(), n->TagHash());
}

// The parent a search walks on to; null ends the walk.
inline THtNode* searchParent(const THtNode* n) {
  THtNode* p = n->Parent();
  return p == n ? nullptr : p;
}

// The node just below the nearest node (from Self up) whose tag is one of
// tags; null when Self matches or nothing does. AStop is not examined.
template <size_t N>
THtNode* belowSearch(THtNode* self, THtNode* stop, const TTagSet<N>& tags) {
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
template <size_t N>
THtNode* openSearch(THtNode* self, THtNode* stop, const TTagSet<N>& tags, bool crossTables) {
  for (THtNode* n = self; n && n != stop; n = searchParent(n)) {
    if (tagIn(n, tags)) return n->Parent() ? n : nullptr;
    if (!crossTables && tagIn(n, tagsets::kTableStructure)) return nullptr;
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
  const TTag t(ATag), self(this);
  // In a row, anything but row parts ends the table and follows it.
  if (self == kTr && !t.In(kRowParts)) return openSearch(this, AStop, kOnlyTable, true);
  if (t == kThead || t == kTbody) return belowSearch(this, AStop, kOnlyTable);
  if (t == kTr) {
    if (THtNode* x = belowSearch(this, AStop, kSectionsOrTable)) return x;
    if (self.In(kSectionsOrTable)) return nullptr;
    return openSearch(this, AStop, kOnlyTr, true);
  }
  if (t == kTd || t == kTh) return belowSearch(this, AStop, kOnlyTr);
  if (t == kTable) return self == kTable ? openSearch(this, AStop, kOnlyTable, true) : nullptr;
  if (!ATag.empty() && ATag[0] == u't') return nullptr;
  if (t == kLi) return belowSearch(this, AStop, kLists);
  if (t == kDt) return belowSearch(this, AStop, kOnlyDl);
  if (t == kDd) {
    if (THtNode* x = belowSearch(this, AStop, kOnlyDl)) return x;
    return openSearch(this, AStop, kOnlyDd, false);
  }
  if (t == kBody) return openSearch(this, AStop, kOnlyHead, false);
  if (t == kA) return openSearch(this, AStop, kOnlyA, false);  // links do not nest
  if (self == kHead && !t.In(tagsets::kHeadContent)) return openSearch(this, AStop, kOnlyHead, false);
  if (t.In(tagsets::kParagraphCloser)) return openSearch(this, AStop, kOnlyP, false);
  return nullptr;
}

namespace {

// One level of tree construction: reads items into one element until its
// end tag, or until an item closes an element above it.
class TParseLevel {
 public:
  TParseLevel(THtmlNode& node, THtmlParser& hp) : self(node), hp(hp), stack(*hp.IncorrectStack) {}

  // What the element's InternalParse answers after its content started.
  THtNode* Run();

 private:
  // How reading goes on after an item.
  enum class TStep {
    Next,   // read the next item into this element
    Close,  // the element ends (its AfterParse runs)
    Leave,  // an element above must close first: answer it, item read again
  };

  TStep endTag();
  bool reopenFormatting(TStep& step);
  void text();
  void rawItem();
  TStep startTag();
  TStep create(StringView tag);
  TStep readAgainIn(THtNode* node);
  TStep descend(THtNode* child);
  THtNode* childOf(THtNode* parent, StringView tag) const;

  THtmlNode& self;
  THtmlParser& hp;
  THtObjectList& stack;
  THtNode* result = nullptr;
};

THtNode* TParseLevel::Run() {
  while (hp.NextItem()) {
    TStep step = TStep::Next;
    if (hp.IsCloseTag) {
      step = endTag();
    } else if (!reopenFormatting(step)) {
      switch (hp.TagType) {
        case htString:
          text();
          break;
        case htScript:
        case htStyle:
        case htComment:
        case htDirective:
        case htCData:
          rawItem();
          break;
        case htIdent:
          step = startTag();
          break;
        default:
          break;  // declarations have no place in the tree
      }
    }
    if (step == TStep::Leave) return result;
    if (step == TStep::Close) break;
  }
  self.AfterParse();
  return result;
}

// Runs a nested level and applies the closing protocol: Close when this
// level must end too, answering what the nested one answered.
TParseLevel::TStep TParseLevel::descend(THtNode* child) {
  auto* h = dynamic_cast<THtmlNode*>(child);
  if (!h) {
    // A node of another kind takes no content; an item meant to be read
    // again inside it is dropped instead.
    hp.RepeatCurrent = false;
    return TStep::Next;
  }
  THtNode* x = h->InternalParse(hp);
  --hp.FStackLevel;
  if (x && x->Parent() != &self) {
    result = x;
    return TStep::Close;
  }
  return TStep::Next;
}

THtNode* TParseLevel::childOf(THtNode* parent, StringView tag) const {
  const THtNodeClass* cls = self.GetElementClass(tag, hp.GlobalRoot);
  if (!cls) return nullptr;
  THtNode* child = parent->CreateChild(cls);
  child->SetTag(tag);
  return child;
}

// An end tag closes this element, an open one above it, or nothing. The
// formatting elements it passes on its way up are remembered so they open
// again around what follows.
TParseLevel::TStep TParseLevel::endTag() {
  const TTag endTag(hp.Tag);
  if (endTag == TTag(&self)) {
    removeFromStack(stack, [this](THtNode* e) { return isBelow(e, &self); });
    return TStep::Close;
  }
  removeFromStack(stack, [&endTag](THtNode* e) { return endTag == TTag(e); });
  const int32_t remembered = stack.Count();
  const bool rowOrCell = endTag.In(kRowOrCellEnd);
  const bool tableLevel = endTag.In(kTableLevel);
  const bool endsSpan = endTag == kSpan, endsTable = endTag == kTable;
  for (THtNode* node = &self; node;) {
    if (rowOrCell && tagIs(node, kTable)) break;
    if (!tableLevel && tagIn(node, kTableLevel)) break;
    if (endsSpan && tagIs(node, kDiv)) break;
    if (tagIn(node, kBodyOrHtml)) break;
    if (endsTable) {
      if (tagIs(node, kTr) && node != hp.Root && node->Parent()) node = node->Parent();
      if (tagIs(node, kTbody) && node != hp.Root && node->Parent()) node = node->Parent();
    }
    if (endTag == TTag(node)) {
      result = node;
      return TStep::Close;
    }
    // The walk never leaves the node the parse fills.
    if (node == hp.Root) break;
    if (tagIn(node, tagsets::kFormatting)) stack.Add(node);
    node = searchParent(node);
  }
  // Nothing open has that tag: the end tag is ignored.
  while (stack.Count() > remembered) stack.Delete(stack.Count() - 1);
  return TStep::Next;
}

// Formatting elements closed out of order open again around what follows:
// the first one still creatable takes the current item. False when none
// did, so the item is read here.
bool TParseLevel::reopenFormatting(TStep& step) {
  while (stack.Count() > 0) {
    auto* e = static_cast<THtNode*>(stack.Last());
    stack.Delete(stack.Count() - 1);
    THtNode* copy = childOf(&self, e->Tag());
    if (!copy) continue;
    copy->CopyAttributesFrom(e);
    hp.RepeatCurrent = true;
    step = descend(copy);
    return true;
  }
  return false;
}

void TParseLevel::text() {
  if (!hp.Tag.empty()) return;
  const THtNodeClass* cls = self.GetElementClass(u"", hp.GlobalRoot);
  if (!cls) return;
  THtNode* text = self.CreateChild(cls);
  text->TagType = htString;
  text->SetContent(hp.Value);
}

// Script, style, comment, processing instruction or CDATA: a childless node
// holding the item's text.
void TParseLevel::rawItem() {
  const THTMLTokenType type = hp.TagType;
  const StringView tag = type == htScript || type == htStyle ? StringView(hp.Tag)
                         : type == htComment                 ? StringView(u"!")
                         : type == htDirective               ? StringView(u"?")
                                                             : StringView(u"");
  const THtNodeClass* cls = self.GetElementClass(type == htCData ? StringView(u"!") : tag, hp.GlobalRoot);
  if (!cls) return;
  THtNode* child = self.CreateChild(cls);
  child->SetTag(tag);
  child->TagType = type;
  child->SetContent(hp.Value);
  if (type != htCData)
    if (auto* h = dynamic_cast<THtmlNode*>(child)) h->ParseAttributes(hp);
}

// A start tag closes elements above, wraps itself in the table parts it
// lacks, or becomes a child.
TParseLevel::TStep TParseLevel::startTag() {
  const String& t = hp.Tag;
  const TTag item(t), tag(&self);
  if (item.In(tagsets::kVoid)) {
    hp.TagClosed = true;
    return create(t);
  }
  // No row or cell is added where the cell would pass the depth cap: the
  // cell would hand the item back and it would be read again forever.
  const bool tableBody = tag.In(kTableBodies) && hp.FStackLevel < kMaxNesting;
  if (tableBody && (item == kTd || item == kTh)) {
    // A cell straight in a table gets its row.
    THtNode* row = childOf(&self, u"tr");
    return row ? readAgainIn(row) : TStep::Next;
  }
  if (tableBody && item == kP) {
    THtNode* row = childOf(&self, u"tr");
    THtNode* cell = row ? childOf(row, u"td") : nullptr;
    return cell ? readAgainIn(cell) : TStep::Next;
  }
  THtNode* x = nullptr;
  if (item == kTd) {
    x = belowSearch(&self, hp.Root, kOnlyTr);
  } else if (item == kTr && tag == kTr) {
    x = openSearch(&self, hp.Root, kOnlyTr, true);
  } else if (tag == kTr && item.In(kIntoLastCell)) {
    // Content straight in a row goes into its last cell.
    for (int i = self.GetCount() - 1; i >= 0; --i)
      if (THtNode* cell = self.GetNodes()->Get(i); tagIn(cell, kCells)) return readAgainIn(cell);
  } else {
    x = self.FindImpliedEnd(t, hp.Root);
  }
  if (!x && hp.FStackLevel > kMaxNesting && self.Parent() && self.Parent() != hp.Root) x = self.Parent();
  if (x) {
    hp.RepeatCurrent = true;
    result = x;
    return TStep::Leave;
  }
  return create(t);
}

TParseLevel::TStep TParseLevel::readAgainIn(THtNode* node) {
  hp.RepeatCurrent = true;
  return descend(node);
}

TParseLevel::TStep TParseLevel::create(StringView t) {
  THtNode* grand = self.Parent() ? self.Parent()->Parent() : nullptr;
  THtNode* child;
  if (hp.TagClosed && tagIs(&self, kTbody) && t != u"tr" && grand) {
    // An empty element met in a table body is put before the table.
    child = childOf(grand, t);
    if (!child) return TStep::Next;
    THtNodeList* siblings = grand->GetNodes();
    if (siblings->Count() >= 2) siblings->Move(siblings->Count() - 1, siblings->Count() - 2);
  } else {
    child = childOf(&self, t);
    if (!child) return TStep::Next;
  }
  return descend(child);
}

}  // namespace

THtNode* THtmlNode::InternalParse(THtmlParser& HP) {
  ++HP.FStackLevel;
  if (!HP.RepeatCurrent) {
    if (!HP.Tag.empty() && FTag.empty()) SetTag(HP.Tag);
    TagType = HP.TagType;
    ParseAttributes(HP);
    if (HP.TagClosed) return nullptr;
  }
  return TParseLevel(*this, HP).Run();
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
