#pragma once
// THtXMLNode: the node class for XML documents. It shares the node tree
// (tag, attributes, content, children, parent) and adds case-sensitive
// attribute sets, the processing instructions that precede the root
// element, and an application object the caller may hang on a node.
//
// A tree comes from XML text (read by the item reader in XML mode), from a
// file with encoding detection, from JSON text, or from code through name-
// and path-driven creation. An element may hold text of its own in its
// content besides its children: text before the first child and the blank
// runs between children land there, later non-blank text becomes text nodes.
//
// Nesting is capped at MaxDepth elements when reading XML (JSON allows 1025
// arrays and objects), so the recursive reader is bounded; copying and
// writing walk the tree without recursion. Child indexes are 0-based.
#include <memory>
#include <vector>

#include "markup/html_parser.h"
#include "markup/node.h"
#include "markup/node_list.h"
#include "platform/rtl/exception.h"
#include "platform/rtl/reflection.h"

namespace ht {

HT_DECLARE_EXCEPTION(EHtXML, Exception);

class THtJSONParser;

class THtXMLNode : public THtNode {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }

  // Elements nested deeper than this raise EHtXML
  // "XML contains too many nested nodes" while reading XML text.
  static constexpr int MaxDepth = 1024;

  THtXMLNode();
  // Parses XML text (see ParseXML).
  explicit THtXMLNode(const String& XML);
  ~THtXMLNode() override;

  // TagObject is set before parsing.
  static std::unique_ptr<THtXMLNode> CreateWithTag(const String& XML, THtObject* ATagObject);
  // An element with tag AName and content AValue whose parent link is
  // AParent; it is not added to AParent's children.
  static std::unique_ptr<THtXMLNode> CreateFromName(StringView AName, StringView AValue, THtXMLNode* AParent);
  // Reads a file: EF BB BF or heUTF8 give UTF-8; FF FE gives UTF-16LE and
  // FE FF UTF-16BE after the mark; heUTF16 or a first byte 0 give UTF-16LE;
  // anything else is the system ANSI code page. A file shorter than three
  // bytes raises EHtXML "Incorrect XML file %s"; file errors propagate.
  static std::unique_ptr<THtXMLNode> CreateFromFile(StringView FileName, THtmlEncoding Encoding);
  // Builds the tree from JSON text: objects become "object" elements whose
  // scalar members are attributes, arrays "array" elements with "value"
  // children for scalars. Raises EHtJSONParserException.
  static std::unique_ptr<THtXMLNode> CreatefromJSON(const String& JSON);

  // --- Reading ---------------------------------------------------------------
  // Reads XML text into this (empty) node: the directives before the root
  // element go to ProcessingInstructins, other items before it are dropped,
  // the root element is read and what follows it is not. Raises EHtXML for
  // a mismatched closing tag or too deep nesting, and lets the item
  // reader's EHtmlParserException through.
  virtual void ParseXML(const String& XML);
  // Reads one element, the reader on its start tag.
  virtual void InternalParse(THtmlParser& Parser);

  // --- Children --------------------------------------------------------------
  bool HasChildNodes() const { return GetCount() > 0; }
  // A new child element; "a/b/c" adds a new chain and answers c.
  THtXMLNode* Add(StringView AName);
  THtXMLNode* AddNode(std::unique_ptr<THtXMLNode> Node);
  THtXMLNode* InsertNode(int Index, std::unique_ptr<THtXMLNode> Node);
  void Delete(int Index);
  // Takes Node out of the children without freeing it and clears its parent.
  std::unique_ptr<THtXMLNode> Extract(THtXMLNode* Node);
  // Raises EHtXML "Node index %d out of range" outside [0, count).
  THtXMLNode* GetNode(int Index) const;
  THtXMLNode* Nodes(int Index) const { return GetNode(Index); }
  // A parentless copy of tag, content, attributes and children; the copies'
  // TagType is not taken over, so untagged nodes come out as text nodes.
  std::unique_ptr<THtXMLNode> Clone() const;
  // Clears children and attributes, copies Source's attributes, rebuilds
  // Source's children from their XML text with their own classes, and takes
  // Source's tag (not its content).
  void Assign(const THtXMLNode& Source);
  // Case-sensitive sort of the children by an attribute.
  void SortbyAttr(StringView AttrName, bool Asc);

  // --- Look-ups and values ---------------------------------------------------
  THtXMLNode* XMLParent() const { return static_cast<THtXMLNode*>(FParent); }
  THtXMLNode* NodebyName(StringView NodeName) const;
  THtXMLNode* NodebyAttr(StringView AttrName, StringView AttrValue) const;
  String SafeNodeValue(StringView NodeName) const;
  // NodebyName that creates each missing step of the path.
  THtXMLNode* GetCreateNode(StringView NodeName);
  bool IsTextElement() const { return TagType != htComment && !FContent.empty(); }
  // The content followed by the contents of the untagged children.
  String GetValue() const;
  // As the node tree's, walked without recursion.
  String TextContent() override;
  void SetValue(StringView Value);
  String LocalName() const;
  String Prefix() const;
  // Node[Name]: XPathValue(Name) and XPathSet(Name, Value).
  String GetNode1(StringView Name);
  void SetNode(StringView Name, StringView Value) { XPathSet(Name, Value); }
  // Sets values along a path, creating missing plain-named elements.
  void XPathSet(StringView APath, StringView AValue);
  // Strips the prefix from every descendant's tag (not the node's own).
  void RemoveNamespaces();

  // --- Attributes and processing instructions --------------------------------
  void CreateAttributes() override;
  void LowerAttributes();
  void CopyAttributesFrom(const THtXMLNode* XN);
  void AddProcessingInstruction(StringView PI);
  // The attribute AttrName of the first instruction "PIName ..."; empty when
  // there is none or its text does not parse.
  String GetPIAttribute(StringView PIName, StringView AttrName) const;

  const THtNodeClass* GetElementClass(StringView Tag, THtNode* ARoot) override;

  // --- Output ----------------------------------------------------------------
  // The processing instructions, then the node as plain UTF-16 XML.
  String Code() const;
  String XML() const { return Code(); }
  // The same indented by two spaces per level.
  String FormattedCode() const;
  // Plain or indented UTF-8, with the standalone UTF-8 header on request;
  // processing instructions are not written.
  std::string UTF8Code(bool AddHeader) const;
  std::string UTF8FormattedCode(bool AddHeader) const;
  // The content as it is, then the children in plain form.
  String InnerCode() const;
  void SaveToFileANSI(StringView FileName) const;
  void SaveToFileUTF8(StringView FileName) const;
  void SaveToFileUTF8Format(StringView FileName) const;

  // --- Object serialisation --------------------------------------------------
  // Writes the public and published fields and properties of O (its class
  // and then its ancestors) into a new child (AsChild) or into this node,
  // simple values as attributes, structured ones as child elements. Raises
  // EHtXML "Unknown array type" for arrays of unnamed element types.
  THtXMLNode* AddObject(const THtObject* O, StringView TagName, bool AsChild, bool ClassProp, bool UpperCaseName);
  // The same for a record of type RecTypeInfo; names and enumeration values
  // are always upper-cased.
  THtXMLNode* AddRecord(const void* R, const TTypeInfo& RecTypeInfo, StringView TagName, bool AsChild,
                        bool ClassProp);
  template <class R>
  THtXMLNode* AddRecord(const R& Rec, StringView TagName, bool AsChild, bool ClassProp) {
    return AddRecord(&Rec, TReflect<R>::Info(), TagName, AsChild, ClassProp);
  }

  bool FIsArray = false;  // filled from a JSON array
  THtObject* TagObject = nullptr;  // not owned
  // Texts of the processing instructions and directives before the root
  // (without "<?" and "?>"), created on first use.
  std::unique_ptr<std::vector<String>> ProcessingInstructins;
  bool FPreserveSpace = false;  // xml:space="preserve"

 private:
  void fillFromJSON(THtJSONParser& Parser, int& Depth);
  THtXMLNode* newChildElement(StringView AName);
};

}  // namespace ht
