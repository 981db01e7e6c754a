#pragma once
// Writing a node tree back as HTML: the escaping routines shared with every
// other writer of the engine, and the attribute set's writers. The node
// writers themselves (FastInnerHTML, FastFormattedHTML, GetInnerHTML,
// GetOuterHTML) are members of THtmlNode (node.h).
//
// Escaping needs the reverse entity look-up (entities.h), which the markup
// start-up builds; before it exists no character is written by name.
#include <cstdint>

#include "markup/attributes.h"
#include "markup/fast_string.h"
#include "platform/rtl/string.h"

namespace ht {

// Growth (in units) of a unit below U+0100 when escaped: text content and
// attribute values. Built by the compiler, so nothing has to fill them.
extern const uint8_t HtmlTextEscapeLength[256];
extern const uint8_t HtmlAttrEscapeLength[256];

// Text content: "&amp;", "&lt;", "&gt;", "&nbsp;", "&#N;" for U+0000..U+0008,
// "&#x" + six upper-case hex digits + ";" for a surrogate pair, "&name;" for
// characters the reverse entity table names (never those of U+0100..U+024F,
// U+0370..U+04FF, U+0530..U+074F, U+2000..U+209F). An unpaired surrogate is
// copied as it is.
// ExtraLength -1 measures the growth first; any other value is taken as the
// caller's measurement and only sizes the result (a wrong one costs a
// reallocation, never a wrong result).
String EscapeHtmlText(StringView S, int ExtraLength = -1);
// Attribute values: "&#N;" for U+0000..U+0009, "&#xA;" for a line feed,
// "&quot;", "&amp;", "&lt;", "&gt;", "&nbsp;"; everything else is copied.
String EscapeAttrValue(StringView S, int ExtraLength = -1);
// The same for case-sensitive (XML-like) sets: U+00A0 gives "&#160;".
String EscapeXmlAttrValue(StringView S, int ExtraLength = -1);

// The growth EscapeHtmlText / EscapeAttrValue (and EscapeXmlAttrValue) give S.
int HtmlTextEscapeGrowth(StringView S);
int AttrEscapeGrowth(StringView S);

// Appending forms for writers: the escaped text goes straight into FS.
void AddEscapedHtmlText(TFastString& FS, StringView S);
void AddEscapedAttrValue(TFastString& FS, StringView S, bool Xml);

// The base writer's two halves for one node, for writers that choose which
// children to write: WriteNodeStart writes what comes before N's children
// and answers whether they follow (a childless node is written whole);
// WriteNodeEnd writes what comes after them.
class THtNode;
bool WriteNodeStart(THtNode& N, TFastString& FS);
void WriteNodeEnd(THtNode& N, TFastString& FS);

// The attribute set written back:
// AsString: `name="value"` pairs in list order, one space between them.
String AsString(const THtAttributes& A);
// FastAsString: each attribute preceded by a space; in a case-insensitive
// set a value equal to its name is written as the bare name.
void FastAsString(const THtAttributes& A, TFastString& FS);
// FastAsUTF8String: as FastAsString in UTF-8, always name="value".
void FastAsUTF8String(const THtAttributes& A, TFastRawString& FS);

}  // namespace ht
