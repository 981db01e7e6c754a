#pragma once
// The node tree every parser builds and every later stage reads.
//
// THtNode is the generic node: tag, children, attributes, content, parent and
// next-sibling links. THtmlNode adds the HTML operations. Nodes are always
// created through a class descriptor (THtNodeClass), so a registry or a
// subclass decides the concrete class; the document's element classes
// override GetElementClass, CreateChild, SetParent and SetAttribute.
//
// Ownership: a node owns its children list (which owns the children) and its
// attribute set, both created on first use. Parent and sibling links are raw
// back links. A node still in a parent's list is removed through the parent
// (DeleteChild), never deleted directly.
//
// All tag and value comparisons of the tree are ordinal; attribute names are
// matched as the node's attribute set says (case-insensitive for HTML).
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string_view>

#include "markup/node_pool.h"
#include "markup/attributes.h"
#include "markup/html_token_type.h"
#include "platform/rtl/class_ref.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/exception.h"
#include "platform/rtl/object.h"
#include "platform/rtl/string.h"

namespace ht {

class THtNode;
class THtmlNode;
class THtNodeList;
class THtmlParser;
class TStyledHTMLNode;
struct THtmlByteSource;
class TFastString;

// The class descriptor of a node class; a class reference is a pointer to
// one, compared by pointer. Create takes no arguments.
struct THtNodeClass : TClassRef<THtNode> {
  using TClassRef<THtNode>::TClassRef;
};

// A script function handed to the script hooks. The script adapter derives
// its own function objects from it; the tree only passes them on.
class THtScriptFunction {
 public:
  virtual ~THtScriptFunction() = default;
};

class THtNode : public THtObject {
 public:
  HT_NODE_POOL_OPERATORS
  static const THtNodeClass ClassType;
  virtual const THtNodeClass* ClassRefOf() const { return &ClassType; }

  THtNode();
  THtNode(const THtNode&) = delete;
  THtNode& operator=(const THtNode&) = delete;
  // Frees the children and the attribute set; does not detach the node from
  // its parent. Children are freed in index order, each while its own
  // children still exist; below a few hundred levels a tree is freed
  // without recursion, its nodes losing their children first.
  ~THtNode() override;

  // TagType, the kind of markup item the node came from, is declared with
  // the fields below (beside the tag hash, so the two share one word).

  // --- Tag, content, links -------------------------------------------------
  const String& Tag() const { return FTag; }
  // Stores Value as given; the hash is of its ASCII-lower-cased form.
  void SetTag(StringView Value);
  int32_t TagHash() const { return FTagHash; }
  const String& Content() const { return FContent; }
  virtual void SetContent(StringView Value);
  THtNode* Parent() const { return FParent; }
  // Assigns the parent link and nothing else (does not move the node).
  virtual void SetParent(THtNode* Value);
  THtNode* NextSibling() const { return FNextSibling; }
  THtAttributes* Attributes() const { return FAttributes.get(); }

  // --- Children -----------------------------------------------------------
  // The children list, created on first use.
  virtual THtNodeList* GetNodes();
  THtNodeList* Nodes() { return GetNodes(); }
  // The children list as it is: null while the node never had children.
  THtNodeList* ChildNodeList() const { return FNodes.get(); }
  // The styled node (css/styled_node.h) answers itself; the cascade asks
  // this on every selector test, where a dynamic_cast would cost more than
  // the test.
  virtual TStyledHTMLNode* StyledSelf() { return nullptr; }
  const TStyledHTMLNode* StyledSelf() const { return const_cast<THtNode*>(this)->StyledSelf(); }
  int GetCount() const;
  int Count() const { return GetCount(); }
  // Null without a list; an index outside the list raises the list's error.
  THtNode* GetNode(int Index) const;
  THtNode* ChildNodes(int Index) const { return GetNode(Index); }

  // Creates a node of NodeClass, calls its SetParent(this) and appends it.
  virtual THtNode* AddChild(const THtNodeClass* NodeClass);
  // The same, assigning the parent link directly instead of SetParent.
  virtual THtNode* CreateChild(const THtNodeClass* NodeClass);
  // Appends a node that has no parent list, assigning its parent link.
  THtNode* AddNode(std::unique_ptr<THtNode> Node);
  // Removes E from the children and frees it; raises Exception
  // "Child node not found" when E is not a child.
  virtual void DeleteChild(THtNode* E);
  // Swaps two children by their indexes.
  void Exchange(THtNode* Node1, THtNode* Node2);

  // --- Navigation ---------------------------------------------------------
  THtNode* PreviousSibling() const;
  // Document order: first child, else the next sibling of this node or of
  // the nearest ancestor that has one; null at the end of the tree.
  THtNode* NextNode() const;
  THtNode* PreviousNode() const;
  // The deepest last descendant (this node without children).
  THtNode* Last();
  THtNode* LastChild() const;
  THtNode* LastChildTag() const;
  // The first child whose tag is neither empty nor "!".
  THtNode* FirstChildTag() const;
  THtNode* Root();
  // Earlier siblings with a non-empty tag (0 without parent).
  int ChildIndex() const;
  // Index in the parent's list, -1 without parent.
  int NodeIndex() const;
  // Earlier siblings with the same tag (0 without parent).
  int TagIndex() const;
  int Countof(StringView ATag) const;
  bool HasAsParent(const THtNode* E) const;
  bool HasParentTag(StringView ATag) const;
  THtNode* UpTo(StringView ATag) const;
  THtNode* UpTo(std::initializer_list<StringView> ATags) const;
  // The tags from the root down to this node joined with "/".
  String Path() const;

  // --- Attributes ---------------------------------------------------------
  virtual void CreateAttributes();
  // The HTML writers call these around writing the node's start tag: a node
  // may show there, for the time of writing, attributes it keeps elsewhere.
  virtual void BeginWriteTag() {}
  virtual void EndWriteTag() {}
  // Replaces or inserts without notifying overrides. An empty value on a node
  // without attribute set does nothing; attributes are never removed here.
  void SetAttr(StringView Name, StringView Value);
  // SetAttr that answers whether anything changed; overrides react to
  // changes of particular attributes.
  virtual bool SetAttribute(StringView Name, StringView Value);
  // The value, or empty when absent. Valid until the attributes change.
  const String& GetAttribute(StringView Name) const;
  bool HasAttribute(StringView Name) const;
  // Present: value equals Value; absent: Value is empty.
  bool HasAttributeValue(StringView Name, StringView Value) const;
  void CopyAttributesFrom(const THtNode* Source);

  // --- Text ---------------------------------------------------------------
  // FContent, then each child's TextContent (tagged) or content (untagged).
  // The base version walks the subtree without recursion and builds the
  // result in one buffer, so its cost is linear in the text whatever the
  // depth. It descends into a tagged descendant in place unless that node
  // answers HasOwnTextContent, in which case the descendant's TextContent
  // supplies the text of its whole subtree.
  virtual String TextContent();

  // --- Class and script hooks ---------------------------------------------
  // With ARoot: ARoot's answer; with a parent: the root's; else this class.
  virtual const THtNodeClass* GetElementClass(StringView Tag, THtNode* ARoot);
  virtual void CallScriptFunction(THtScriptFunction* Func);
  virtual int CallScriptCompare(THtScriptFunction* Func, THtNode* Other);
  // Selector queries are answered by the styled node; null here.
  virtual std::unique_ptr<THtNodeList> GetJQueryList(StringView Query, bool FirstOnly);

  // --- Look-ups (null when nothing matches) --------------------------------
  // The first descendant in document order whose tag equals NodeName.
  THtNode* FindNode(StringView NodeName) const;
  // The first descendant (any tag when NodeName is empty) whose attribute
  // reads AttrValue; an absent attribute reads as empty.
  THtNode* FindNodebyAttr(StringView NodeName, StringView AttrName, StringView AttrValue) const;
  // Direct children that have the attribute with exactly that value.
  THtNode* NodebyAttr(StringView AttrName, StringView AttrValue) const;
  THtNode* NodebyNameAttr(StringView NodeName, StringView AttrName, StringView AttrValue) const;
  // A direct child by tag; "a/b/c" descends one level per part.
  THtNode* NodebyName(StringView NodeName) const;
  // The Index-th (from 0) direct child with tag AName.
  THtNode* NodebyNameIndex(StringView AName, int Index) const;

  // --- Typed attribute access (setters go through SetAttr) ------------------
  // Raises EConvertError for text that is not an integer, absent included.
  int GetAttrI(StringView AttrName) const;
  void SetAttrI(StringView AttrName, int AttrValue);
  // 0 for absent or unreadable text; never raises.
  double GetAttrF(StringView AttrName) const;
  double GetFloat(StringView AttrName) const { return GetAttrF(AttrName); }
  // At most two fraction digits, "." as the point ("3.14", "2").
  void SetAttrF(StringView AttrName, double AttrValue);
  // Shortest text up to 15 significant digits, "." as the point.
  void SetFloat(StringView AttrName, double Value);
  // True for exactly "1", "true" or "on".
  bool GetAttrB(StringView AttrName) const;
  void SetAttrB(StringView AttrName, bool AttrValue);
  // Dates and times: 0 for an absent or empty attribute; text that does not
  // fit the format raises EConvertError. Written as "yyyy-mm-dd",
  // "yyyy-mm-ddThh:nn:ss" and "hh:nn:ss".
  TDateTime GetDate(StringView Name) const;
  void SetDate(StringView AttrName, TDateTime Value);
  TDateTime GetDateTime(StringView Name) const;
  void SetDateTime(StringView AttrName, TDateTime Value);
  TDateTime GetTime(StringView Name) const;
  void SetTime(StringView AttrName, TDateTime Value);

 protected:
  // A class that overrides TextContent with a different result answers true,
  // so that an ancestor's walk asks it instead of descending into it.
  virtual bool HasOwnTextContent() const { return false; }

  String FTag;
  int32_t FTagHash = 0;

 public:
  THTMLTokenType TagType = htUnknown;

 protected:
  std::unique_ptr<THtNodeList> FNodes;
  std::unique_ptr<THtAttributes> FAttributes;
  String FContent;
  THtNode* FNextSibling = nullptr;  // written only by the children list
  THtNode* FParent = nullptr;

 private:
  friend class THtNodeList;
  THtNode* newChild(const THtNodeClass* NodeClass);
};

// A process-wide callback turning a system colour index into ARGB.
using TThemeColorProc = std::function<uint32_t(int SysColor)>;

class THtmlNode : public THtNode {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }

  THtmlNode();
  // SetTag(ATag); TagType becomes htIdent for a non-empty tag.
  explicit THtmlNode(StringView ATag);

  THtmlNode* Node(int Index) const;
  THtmlNode* HtmlParent() const;

  // Moves OldNode to the index NewNode holds; a node that is not a child
  // raises the list's index error.
  void MoveNode(THtNode* OldNode, THtNode* NewNode);
  // Moves every child except E into E's children from Index on (-1: the
  // end). E must be a direct child (a deeper node would make a cycle);
  // anything else raises Exception "Child node not found".
  void MoveChildrento(THtNode* E, int Index);
  // Moves the children into the parent's list just before (ABefore) or
  // after this node.
  virtual void MoveChildrentoParent(bool ABefore);
  // Tagged nodes from the root to this one in document order (root: 0).
  int AbsoluteTagIndex();
  // Numbers this node and every later one in document order through "_id".
  void EnumerateElements();
  THtmlNode* FindNode(StringView NodeName) const;

  String GetId() const { return GetAttribute(u"id"); }
  void SetId(StringView Value) { SetAttr(u"id", Value); }
  String GetStyleClass() const { return GetAttribute(u"class"); }
  // Empty removes "class".
  virtual void SetStyleClass(StringView Value);
  String GetSelfStyle() const { return GetAttribute(u"style"); }
  virtual void SetSelfStyle(StringView Value);
  // Keeps a leading text child (or adds one) and drops every other child.
  virtual void SetInnerText(StringView Value);

  // The styled node implements these; here they do nothing.
  virtual void CSS(StringView Value);
  virtual void AddClass(StringView CSSClass);
  virtual void RemoveClass(StringView CSSClass);
  virtual bool HasClass(StringView CSSClass);
  void ToggleClass(StringView CSSClass);
  // True here; document elements answer their document's mode.
  virtual bool IsQuirksMode();

  // Takes the parser's current attribute set over, when it holds one,
  // replacing the node's own set.
  virtual void ParseAttributes(THtmlParser& HP);
  // Replaces the node's attributes by those written in s (HTML attribute
  // text such as `id=a class="b c"`); text without any attribute leaves
  // them as they are.
  void ParseAttributes(StringView s);

  // --- Tree construction (html_tree_builder.cpp) --------------------------
  // Fills this node from the parser's items; answers null when the node was
  // closed normally, else the open node whose closing ended its content.
  virtual THtNode* InternalParse(THtmlParser& HP);
  // The open node a start tag ATag closes first, or null (ATag becomes a
  // child). Searches stop below AStop.
  virtual THtNode* FindImpliedEnd(StringView ATag, THtNode* AStop);
  // Called when an element's content ended; nothing here.
  virtual void AfterParse();
  // Replaces the children by the parsed HTML (read in place, not copied).
  virtual void Parse(const String& HTML);
  // Parses HTML bytes as a file holds them: the tree Parse builds from the
  // bytes decoded like LoadFileToString, but a page whose meta charset
  // names UTF-8 within its first 1024 bytes is decoded once instead of
  // through ANSI and back (when that guess fails, the ANSI text is parsed
  // again from the start).
  void ParseBytes(std::string_view Bytes);
  virtual void SetInnerHTML(StringView Value);
  virtual void SetOuterHTML(StringView Value);
  // Appends the parsed HTML; answers the first node added (null: none).
  virtual THtmlNode* AddHTML(StringView HTML);

  // --- Serialisation (html_writer.cpp) ------------------------------------
  virtual void FastInnerHTML(TFastString& FS);
  virtual void FastFormattedHTML(TFastString& FS, int Level, int Spaces, bool& AfterBlock);
  virtual String GetInnerHTML();
  virtual String GetOuterHTML();

  // --- Text extraction (text_extract.cpp) ---------------------------------
  virtual String GetInnerText();
  virtual void FastInnerText(TFastString& FS);
  virtual String GetRawInnerText();
  static String HTMLtoText(StringView HTML);

  static void SetThemeColorPrc(TThemeColorProc Proc);
  static const TThemeColorProc& ThemeColorPrc();

 private:
  // Parse's two steps: the children from the text (read in place), then
  // the tag a parsed document root gets.
  void parseChildren(const String& HTML, THtmlByteSource* Source);
  void finishParse();
};

}  // namespace ht
