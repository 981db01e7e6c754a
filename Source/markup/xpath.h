#pragma once
// Path queries over the node tree in a small XPath dialect: steps separated
// by "/", a leading "/" for the root, "//" for any depth, the step forms
// name, "*", "..", "@name", "text()" and "current", and at most one
// bracketed predicate per step holding a 0-based position, "last()", or
// conditions joined by "and", "or", "and not" and "not" (evaluated left to
// right without precedence).
//
// TXPathProcessor compiles the path once into a chain of steps; the query
// functions below walk the tree with it. Nothing here raises: malformed
// paths compile to steps that match nothing, and ordering comparisons on
// text that is not an integer are false. The walks recurse once per tree
// level and step, so their depth is bounded by the tree's depth (the XML and
// JSON readers cap it).
#include <cstdint>
#include <functional>
#include <vector>

#include "markup/node.h"
#include "markup/node_list.h"
#include "markup/string_parser.h"

namespace ht {

enum TXPathNodeKind : uint8_t { xkTag, xkAttr, xkAsterisk, xkParent, xkCurrent };
enum TXConditionType : uint8_t { ctEQ, ctNotEQ, ctLess, ctAbove, ctLessEQ, ctAboveEQ, ctIndex };
enum TXBoolOp : uint8_t { boAnd, boOr, boNot };

class TXPathProcessor;

struct TXCondition {
  String left, right;           // quotes and "@" removed
  bool leftstr = false, rightstr = false;    // a quoted literal
  bool leftattr = false, rightattr = false;  // "@name"
  TXConditionType ctype = ctEQ;
  bool hasoperator = false;     // a comparison with a right operand
  int index = 0;                // for ctIndex; -1 stands for "last()"
  TXBoolOp Op = boAnd;          // how it joins the conditions before it
};

struct TXPathNode;
using PXPathNode = TXPathNode*;

struct TXPathNode {
  TXPathNodeKind Kind = xkTag;
  bool All = false;  // written after "//": matches at any depth
  String Tag;        // the attribute name for xkAttr; empty for "text()"
  std::vector<TXCondition> Conditions;
  PXPathNode Next = nullptr;
  TXPathProcessor* Processor = nullptr;
};

// Called for each match; clearing ContinueFlag ends the walk.
using THtNodeProcRef = std::function<void(THtNode* Node, bool& ContinueFlag)>;

class TXPathProcessor {
 public:
  explicit TXPathProcessor(StringView XPath);
  TXPathProcessor(const TXPathProcessor&) = delete;
  TXPathProcessor& operator=(const TXPathProcessor&) = delete;

  // Reads one step at p (up to end) into PN and moves p past it and its "/".
  void ExtractPathPart(const char16_t*& p, const char16_t* end, TXPathNode& PN);
  // Fills PN's conditions from the predicate text s (without brackets).
  void ParseConditions(StringView s, TXPathNode& PN);

  // The first step, null for an empty path.
  PXPathNode First() { return Nodes.empty() ? nullptr : &Nodes.front(); }

  // Whether Node passes every condition of PN.
  bool CheckConditions(const TXPathNode& PN, THtNode* Node);

  // The list and value walk: matches go to L, or into Value when L is null.
  void Select(const TXPathNode& PN, THtNode* N, THtNodeList* L, bool FirstOnly);
  // The callback walk; false once the callback cleared its flag.
  bool Walk(const TXPathNode& PN, THtNode* N, const THtNodeProcRef& Proc);

  bool Root = false;  // the path began with "/"
  String Value;       // the result of a value query
  // A value query takes the text content of this node as Value when it
  // ends; it is read once, as later matches overwrite earlier ones.
  THtNode* ValueNode = nullptr;
  std::vector<TXPathNode> Nodes;
  THtNode* Current = nullptr;  // what a "current" step stands for
};

// Reads one predicate operand at the cursor: up to a blank, "!", "<", "="
// or ">" outside quotes and brackets; trimmed; a quoted operand loses its
// quotes (IsString), else a leading "@" is removed (IsAttr).
void ReadXPathOperand(TStringParser& Parser, String& S, bool& IsString, bool& IsAttr);

// The matches as a new reference-counted query result. The walk starts at
// Node itself, whether or not the path begins with "/"; "current" stands
// for Current, or Node when Current is null.
IHtNodeList XPath(THtNode* Node, StringView Path, bool FirstOnly = false, THtNode* Current = nullptr);
// Calls Proc for each match until it clears its flag; a path beginning
// with "/" starts at Node's root. With "//" descendants are reported before
// their ancestor; attribute steps report nothing and "current" is compared
// as a tag name.
void XPath(THtNode* Node, StringView Path, const THtNodeProcRef& Proc);
// The text the path selects, empty when nothing matches; a path beginning
// with "/" starts at the root. Where several nodes match, the text written
// last stands.
String XPathValue(THtNode* Node, StringView Path, THtNode* Current = nullptr);

}  // namespace ht
