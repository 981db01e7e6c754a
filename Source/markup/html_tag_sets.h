#pragma once
// The fixed tag sets the tree builder, the HTML writers and the text
// extractors decide by. Every comparison is exact and case-sensitive against
// the lower-case names: a tag kept in upper case (case-sensitive parsing)
// belongs to none of them.
#include <initializer_list>

#include "platform/rtl/string.h"

namespace ht::tagsets {

inline bool In(StringView tag, std::initializer_list<StringView> names) {
  for (StringView n : names)
    if (n == tag) return true;
  return false;
}

// Elements that never have content. Deliberately not the full list of the
// HTML standard: "area", "source" and the like may hold children here.
inline bool IsVoid(StringView t) {
  return In(t, {u"br", u"img", u"link", u"col", u"hr", u"frame", u"input", u"meta", u"wbr"});
}

// Inline formatting elements that an out-of-order end tag closes and that
// are re-opened afterwards.
inline bool IsFormatting(StringView t) {
  return In(t, {u"a", u"b", u"big", u"code", u"em", u"font", u"i", u"nobr", u"s", u"small", u"strike",
                u"strong", u"tt", u"u"});
}

// Table structure that an open-search does not cross.
inline bool IsTableStructure(StringView t) {
  return In(t, {u"td", u"th", u"tr", u"table", u"tbody", u"thead"});
}

inline bool IsHeadContent(StringView t) {
  return In(t, {u"base", u"basefont", u"bgsound", u"link", u"meta", u"script", u"style", u"title", u"noscript"});
}

// Start tags that close an open paragraph.
inline bool IsParagraphCloser(StringView t) {
  return In(t, {u"address", u"article", u"aside", u"blockquote", u"center", u"details", u"dir", u"div", u"dl",
                u"fieldset", u"figcaption", u"figure", u"footer", u"header", u"hgroup", u"menu", u"nav", u"ol",
                u"p", u"pre", u"section", u"summary", u"ul", u"h1", u"h2", u"h3", u"h4", u"h5", u"h6"});
}

// Tags the indenting writer puts on lines of their own.
inline bool IsFormattedBlock(StringView t) {
  return In(t, {u"html", u"address", u"blockquote", u"head", u"body", u"xbody", u"dd", u"div", u"dl", u"dt",
                u"fieldset", u"form", u"meta", u"link", u"title", u"frame", u"frameset", u"h1", u"h2", u"h3",
                u"h4", u"h5", u"h6", u"noframes", u"ol", u"p", u"ul", u"center", u"dir", u"hr", u"menu", u"pre",
                u"datapacket", u"li", u"table", u"tr", u"td", u"th", u"thead", u"tbody", u"tfoot", u"col",
                u"colgroup", u"caption", u"foreignobject", u"xhtml"});
}

// Blocks that start a new line in GetInnerText ("h6" is not one of them).
inline bool IsInnerTextBlock(StringView t) {
  return In(t, {u"p", u"pre", u"blockquote", u"li", u"tr", u"div", u"h1", u"h2", u"h3", u"h4", u"h5"});
}

// Parents under which a leading block does not start with a line break.
inline bool IsInnerTextBlockParent(StringView t) { return t == u"body" || IsInnerTextBlock(t); }

// Elements FastInnerText ends with a line break.
inline bool IsFastTextBlock(StringView t) {
  return In(t, {u"p", u"pre", u"blockquote", u"li", u"tr", u"div", u"h1", u"h2", u"h3", u"h4", u"h5", u"td",
                u"th", u"text"});
}

}  // namespace ht::tagsets
