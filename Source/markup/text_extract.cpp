// Plain text from a node tree: GetInnerText (readable text with line breaks
// between blocks and tabs between cells), FastInnerText (a quick flat form
// that also shows link targets) and GetRawInnerText.
#include "markup/fast_string.h"
#include "markup/html_tag_sets.h"
#include "markup/node.h"
#include "markup/node_list.h"

namespace ht {

namespace {

const String kCrLf = u"\r\n";

// Comments, processing instructions, CDATA, script and style hold no text.
bool isNonContent(const THtNode& n) {
  switch (n.TagType) {
    case htScript:
    case htStyle:
    case htComment:
    case htDirective:
    case htCData:
      return true;
    default:
      return false;
  }
}


String innerText(THtNode& n);

String childInnerText(THtNode* child) {
  if (auto* h = dynamic_cast<THtmlNode*>(child)) return h->GetInnerText();
  return innerText(*child);
}

// Whether N is the first child of its parent that shows anything: blank
// untagged text before it does not count, any tagged node does.
bool leadsItsParent(const THtNode& n) {
  for (THtNode* sibling : *n.Parent()->ChildNodeList()) {
    if (sibling == &n) return true;
    if (sibling->Tag().empty() && IsBlankString(sibling->Content())) continue;
    return false;
  }
  return true;
}

String innerText(THtNode& n) {
  const String& tag = n.Tag();
  String r;
  if (tag == u"br")
    r = kCrLf;
  else if (!(tag == u"a" || tag == u"img" || isNonContent(n)))
    r = n.Content();
  if (isNonContent(n) || tag == u"noscript") return r;
  if (THtNodeList* nodes = n.ChildNodeList())
    for (THtNode* child : *nodes) r += childInnerText(child);
  if (!r.empty() && tagsets::IsInnerTextBlock(tag)) {
    THtNode* parent = n.Parent();
    if (parent && tagsets::IsInnerTextBlockParent(parent->Tag()) && leadsItsParent(n))
      r = String(TrimLeftBlanks(r));
    else
      r = kCrLf + String(TrimBlanks(r));
  }
  if ((tag == u"td" || tag == u"th") && n.Parent() && n.Parent()->LastChildTag() != &n) r += u'\t';
  return r;
}

void fastInnerText(THtNode& n, TFastString& FS);

void childFastInnerText(THtNode* child, TFastString& FS) {
  if (auto* h = dynamic_cast<THtmlNode*>(child))
    h->FastInnerText(FS);
  else
    fastInnerText(*child, FS);
}

void fastInnerText(THtNode& n, TFastString& FS) {
  const String& tag = n.Tag();
  if (tag == u"br") {
    FS.Add(kCrLf);
  } else if (tag == u"a") {
    // Links show where they lead.
    for (StringView attr : {StringView(u"href"), StringView(u"title")})
      if (n.HasAttribute(attr)) FS.AddChar(u' ').Add(n.GetAttribute(attr)).AddChar(u' ');
  } else if (tag == u"text") {
    FS.AddChar(u' ');
  } else if (!isNonContent(n) && tag != u"img") {
    FS.Add(n.Content());
  }
  if (tag != u"head")
    if (THtNodeList* nodes = n.ChildNodeList())
      for (THtNode* child : *nodes) childFastInnerText(child, FS);
  if (tagsets::IsFastTextBlock(tag)) FS.Add(kCrLf);
}

String rawInnerText(THtNode& n) {
  if (isNonContent(n) || n.Tag() == u"noscript") return String();
  String r;
  if (THtNodeList* nodes = n.ChildNodeList())
    for (THtNode* child : *nodes) {
      if (auto* h = dynamic_cast<THtmlNode*>(child))
        r += h->GetRawInnerText();
      else
        r += rawInnerText(*child);
    }
  return r;
}

}  // namespace

String THtmlNode::GetInnerText() { return innerText(*this); }

void THtmlNode::FastInnerText(TFastString& FS) { fastInnerText(*this, FS); }

String THtmlNode::GetRawInnerText() { return rawInnerText(*this); }

String THtmlNode::HTMLtoText(StringView HTML) {
  THtmlNode node;
  node.Parse(String(HTML));
  return node.GetInnerText();
}

}  // namespace ht
