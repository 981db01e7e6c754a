#include "markup/xpath.h"

#include <memory>

namespace ht {

namespace {


// The whole text as a 32-bit integer (an optional sign and digits).
bool tryInt32(StringView s, int32_t& value) {
  size_t i = 0;
  bool negative = false;
  if (!s.empty() && (s[0] == u'-' || s[0] == u'+')) {
    negative = s[0] == u'-';
    i = 1;
  }
  if (i >= s.size()) return false;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < u'0' || s[i] > u'9') return false;
    v = v * 10 + (s[i] - u'0');
    if (v > int64_t(INT32_MAX) + 1) return false;
  }
  if (negative) v = -v;
  if (v < INT32_MIN || v > INT32_MAX) return false;
  value = int32_t(v);
  return true;
}

bool hasAttribute(const THtNode* N, StringView Name) {
  const THtAttributes* a = N->Attributes();
  return a && a->Indexof(Name) >= 0;
}

}  // namespace

void ReadXPathOperand(TStringParser& Parser, String& S, bool& IsString, bool& IsAttr) {
  IsString = false;
  IsAttr = false;
  const char16_t* start = Parser.p;
  bool quoted = false;
  int depth = 0;
  while (Parser.p < Parser.pend) {
    const char16_t c = *Parser.p;
    if (c == u'"' || c == u'\'') {
      quoted = !quoted;
    } else if (!quoted) {
      if (c == u'[') {
        ++depth;
      } else if (c == u']') {
        --depth;
      } else if (depth <= 0 && (c == u' ' || c == u'!' || c == u'<' || c == u'=' || c == u'>')) {
        break;
      }
    }
    ++Parser.p;
  }
  StringView text = TrimBlanks(StringView(start, size_t(Parser.p - start)));
  if (!text.empty() && (text.front() == u'"' || text.front() == u'\'')) {
    IsString = true;
    text = text.size() >= 2 ? text.substr(1, text.size() - 2) : StringView();
  } else if (!text.empty() && text.front() == u'@') {
    IsAttr = true;
    text.remove_prefix(1);
  }
  S.assign(text);
}

TXPathProcessor::TXPathProcessor(StringView XPath) {
  const char16_t* p = XPath.data();
  const char16_t* end = p + XPath.size();
  if (p == end) return;
  if (*p == u'/') {
    Root = true;
    ++p;
  }
  if (end - p >= 2 && p[0] == u'.' && p[1] == u'/') p += 2;
  while (p < end) {
    const char16_t* before = p;
    Nodes.emplace_back();
    Nodes.back().Processor = this;
    ExtractPathPart(p, end, Nodes.back());
    if (p == before) ++p;  // cannot happen with a well-formed step; never loop
  }
  for (size_t i = 0; i + 1 < Nodes.size(); ++i) Nodes[i].Next = &Nodes[i + 1];
}

void TXPathProcessor::ExtractPathPart(const char16_t*& p, const char16_t* end, TXPathNode& PN) {
  if (p < end && *p == u'/') {
    PN.All = true;
    ++p;
  }
  const char16_t* start = p;
  const char16_t* bracket = nullptr;
  char16_t quote = 0;
  int depth = 0;
  for (; p < end; ++p) {
    const char16_t c = *p;
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == u'"' || c == u'\'') {
      quote = c;
    } else if (c == u'[') {
      if (!bracket) bracket = p;
      ++depth;
    } else if (c == u']') {
      --depth;
    } else if (c == u'/' && depth <= 0) {
      break;
    }
  }
  const StringView step(start, size_t(p - start));
  StringView tag = step;
  if (bracket) {
    const size_t at = size_t(bracket - start);
    tag = step.substr(0, at);
    const size_t predicateLen = step.size() - at - 1;  // without the step's last character
    ParseConditions(step.substr(at + 1, predicateLen > 0 ? predicateLen - 1 : 0), PN);
  }
  if (tag == u"*") {
    PN.Kind = xkAsterisk;
  } else if (tag == u"..") {
    PN.Kind = xkParent;
  } else if (SameTextAscii(tag, u"current")) {
    PN.Kind = xkCurrent;
    PN.Tag.assign(tag);
  } else if (tag == u"text()") {
    PN.Kind = xkTag;
  } else if (!tag.empty() && tag.front() == u'@') {
    PN.Kind = xkAttr;
    PN.Tag.assign(tag.substr(1));
  } else {
    PN.Kind = xkTag;
    PN.Tag.assign(tag);
  }
  if (p < end && *p == u'/') ++p;
}

namespace {
// An index no child has.
constexpr int32_t kNoPosition = -2;
}  // namespace

void TXPathProcessor::ParseConditions(StringView s, TXPathNode& PN) {
  if (s.empty()) return;
  // A lone number, blanks and sign allowed, is a position; a negative one
  // matches no node (-1 stands for last()).
  StringView trimmedPredicate = s;
  while (!trimmedPredicate.empty() && trimmedPredicate.front() <= u' ') trimmedPredicate.remove_prefix(1);
  while (!trimmedPredicate.empty() && trimmedPredicate.back() <= u' ') trimmedPredicate.remove_suffix(1);
  int32_t position = 0;
  if (!trimmedPredicate.empty() && tryInt32(trimmedPredicate, position)) {
    TXCondition& c = PN.Conditions.emplace_back();
    c.ctype = ctIndex;
    c.index = position < 0 ? kNoPosition : position;
    return;
  }
  if (SameTextAscii(s, u"last()")) {
    TXCondition& c = PN.Conditions.emplace_back();
    c.ctype = ctIndex;
    c.index = -1;
    return;
  }
  TStringParser ps{String(s)};
  while (!ps.Empty()) {
    const char16_t* before = ps.p;
    TXCondition c;
    ps.SkipBlanks();
    if (ps.StartsWith(u"and ")) {
      ps.Skip(4);
      ps.SkipBlanks();
      if (ps.StartsWith(u"not ")) {
        ps.Skip(4);
        c.Op = boNot;
      }
    } else if (ps.StartsWith(u"not ")) {
      ps.Skip(4);
      c.Op = boNot;
    } else if (ps.StartsWith(u"or ")) {
      ps.Skip(3);
      c.Op = boOr;
    }
    ps.SkipBlanks();
    ReadXPathOperand(ps, c.left, c.leftstr, c.leftattr);
    ps.SkipBlanks();
    c.hasoperator = true;
    switch (ps.GetCurrent()) {
      case u'!':
        c.ctype = ctNotEQ;
        ps.Skip(2);
        break;
      case u'<':
        ps.Skip();
        c.ctype = ctLess;
        if (ps.GetCurrent() == u'=') {
          c.ctype = ctLessEQ;
          ps.Skip();
        }
        break;
      case u'>':
        ps.Skip();
        c.ctype = ctAbove;
        if (ps.GetCurrent() == u'=') {
          c.ctype = ctAboveEQ;
          ps.Skip();
        }
        break;
      case u'=':
        c.ctype = ctEQ;
        ps.Skip();
        break;
      default:
        c.hasoperator = false;
        break;
    }
    if (c.hasoperator) {
      ps.SkipBlanks();
      ReadXPathOperand(ps, c.right, c.rightstr, c.rightattr);
      ps.SkipBlanks();
    }
    // A bare number ("@n>3") is a literal: no tag name starts with a digit,
    // so reading it as a sub-path could never match.
    int32_t number = 0;
    if (!c.leftstr && !c.leftattr && tryInt32(c.left, number)) c.leftstr = true;
    if (!c.rightstr && !c.rightattr && tryInt32(c.right, number)) c.rightstr = true;
    PN.Conditions.push_back(std::move(c));
    if (ps.p == before) ps.Skip();  // guarantees progress on any text
  }
}

bool TXPathProcessor::CheckConditions(const TXPathNode& PN, THtNode* Node) {
  bool result = true;
  for (const TXCondition& c : PN.Conditions) {
    bool f;
    if (c.ctype == ctIndex && !c.hasoperator) {
      THtNode* parent = Node->Parent();
      if (!parent)
        f = false;
      else if (c.index == -1)
        f = parent->LastChildTag() == Node;
      else
        f = c.index == Node->ChildIndex();
    } else if (c.leftstr || c.hasoperator) {
      String lv;
      if (c.leftstr)
        lv = c.left;
      else if (c.leftattr)
        lv = Node->GetAttribute(c.left);
      else if (c.left == u"text()")
        lv = Node->TextContent();
      else
        lv = XPathValue(Node, c.left, Current);
      if (!c.hasoperator) {
        f = !lv.empty();
      } else {
        String rv;
        if (c.rightstr)
          rv = c.right;
        else if (c.rightattr)
          rv = Node->GetAttribute(c.right);
        else
          rv = XPathValue(Node, c.right, Current);
        if (c.ctype == ctEQ) {
          f = lv == rv;
        } else if (c.ctype == ctNotEQ) {
          f = lv != rv;
        } else {
          int32_t a = 0, b = 0;
          if (!tryInt32(lv, a) || !tryInt32(rv, b))
            f = false;
          else if (c.ctype == ctLess)
            f = a < b;
          else if (c.ctype == ctAbove)
            f = a > b;
          else if (c.ctype == ctLessEQ)
            f = a <= b;
          else
            f = a >= b;
        }
      }
    } else if (c.leftattr) {
      f = hasAttribute(Node, c.left);
    } else if (c.left == u"text()") {
      f = !Node->TextContent().empty();
    } else {
      IHtNodeList found = XPath(Node, c.left, true, Current);
      f = found->GetCount() > 0;
    }
    switch (c.Op) {
      case boAnd:
        result = result && f;
        break;
      case boOr:
        result = result || f;
        break;
      case boNot:
        result = result && !f;
        break;
    }
  }
  return result;
}

namespace {

bool stepMatches(TXPathProcessor& xp, const TXPathNode& PN, THtNode* C) {
  if (PN.Kind != xkAsterisk && C->Tag() != PN.Tag) return false;
  return PN.Conditions.empty() || xp.CheckConditions(PN, C);
}

// Steps and predicates nest by recursion (one level per step of a path and
// per sub-path of a condition); descending with "//" is iterative. Nesting
// beyond this bound (only absurd paths reach it) matches nothing.
constexpr int kMaxNesting = 1000;
thread_local int nesting = 0;

class TNestingGuard {
 public:
  TNestingGuard() { ++nesting; }
  ~TNestingGuard() { --nesting; }
  TNestingGuard(const TNestingGuard&) = delete;
  TNestingGuard& operator=(const TNestingGuard&) = delete;
  bool Exceeded() const { return nesting > kMaxNesting; }
};

struct TWalkFrame {
  THtNode* node;
  int next;
  THtNode* pending;  // the child whose subtree is searched before it is matched
};

}  // namespace

void TXPathProcessor::Select(const TXPathNode& PN, THtNode* N, THtNodeList* L, bool FirstOnly) {
  const TNestingGuard guard;
  if (guard.Exceeded()) return;
  switch (PN.Kind) {
    case xkAttr:
      if (L) {
        if (hasAttribute(N, PN.Tag)) L->Add(N);
      } else {
        Value = N->GetAttribute(PN.Tag);
        ValueNode = nullptr;
      }
      return;
    case xkParent:
    case xkCurrent: {
      THtNode* target = PN.Kind == xkParent ? N->Parent() : Current;
      if (!target) return;
      if (PN.Next)
        Select(*PN.Next, target, L, false);
      else if (L)
        L->Add(target);
      else
        ValueNode = target;
      return;
    }
    case xkTag:
    case xkAsterisk:
      break;
  }
  // The children of each node on the stack are visited in order; with "//"
  // each child's subtree is searched right after the child itself, so a node
  // comes before its descendants. FirstOnly applies to the starting level.
  std::vector<TWalkFrame> stack{{N, 0, nullptr}};
  while (!stack.empty()) {
    TWalkFrame& f = stack.back();
    const THtNodeList* children = f.node->ChildNodeList();
    if (stack.size() == 1 && FirstOnly && L && L->GetCount() > 0) return;
    if (!children || f.next >= children->GetCount()) {
      stack.pop_back();
      continue;
    }
    THtNode* C = children->GetNode(f.next++);
    if (stepMatches(*this, PN, C)) {
      if (PN.Next) {
        Select(*PN.Next, C, L, false);
      } else if (!L) {
        ValueNode = C;
        // The visit of this level ends; with "//" after C's own subtree.
        f.next = children->GetCount();
        if (!PN.All) continue;
      } else {
        L->Add(C);
        if (FirstOnly && stack.size() == 1) return;
      }
    }
    if (PN.All) stack.push_back({C, 0, nullptr});
  }
}

bool TXPathProcessor::Walk(const TXPathNode& PN, THtNode* N, const THtNodeProcRef& Proc) {
  const TNestingGuard guard;
  if (guard.Exceeded()) return true;
  bool cont = true;
  if (PN.Kind == xkParent) {
    THtNode* P = N->Parent();
    if (!P) return true;
    if (PN.Next) return Walk(*PN.Next, P, Proc);
    Proc(P, cont);
    return cont;
  }
  if (PN.Kind == xkAttr) return true;
  // "current" is compared as a tag name here. With "//" a child's subtree
  // is searched before the child is matched.
  std::vector<TWalkFrame> stack{{N, 0, nullptr}};
  while (!stack.empty()) {
    TWalkFrame& f = stack.back();
    if (THtNode* C = f.pending) {
      f.pending = nullptr;
      if ((PN.Kind == xkAsterisk || C->Tag() == PN.Tag) && (PN.Conditions.empty() || CheckConditions(PN, C))) {
        if (PN.Next) {
          if (!Walk(*PN.Next, C, Proc)) return false;
        } else {
          Proc(C, cont);
          if (!cont) return false;
        }
      }
      continue;
    }
    const THtNodeList* children = f.node->ChildNodeList();
    if (!children || f.next >= children->GetCount()) {
      stack.pop_back();
      continue;
    }
    THtNode* C = children->GetNode(f.next++);
    f.pending = C;
    if (PN.All) stack.push_back({C, 0, nullptr});
  }
  return true;
}

IHtNodeList XPath(THtNode* Node, StringView Path, bool FirstOnly, THtNode* Current) {
  IHtNodeList result(new THtNodeList(false, true));
  TXPathProcessor xp(Path);
  xp.Current = Current ? Current : Node;
  if (PXPathNode first = xp.First()) xp.Select(*first, Node, result.get(), FirstOnly);
  return result;
}

void XPath(THtNode* Node, StringView Path, const THtNodeProcRef& Proc) {
  TXPathProcessor xp(Path);
  xp.Current = Node;
  THtNode* start = xp.Root ? Node->Root() : Node;
  if (PXPathNode first = xp.First()) xp.Walk(*first, start, Proc);
}

String XPathValue(THtNode* Node, StringView Path, THtNode* Current) {
  TXPathProcessor xp(Path);
  xp.Current = Current ? Current : Node;
  THtNode* start = xp.Root ? Node->Root() : Node;
  if (PXPathNode first = xp.First()) xp.Select(*first, start, nullptr, false);
  if (xp.ValueNode) return xp.ValueNode->TextContent();
  return std::move(xp.Value);
}

}  // namespace ht
