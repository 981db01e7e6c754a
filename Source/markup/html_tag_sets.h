#pragma once
// The fixed tag sets the tree builder, the HTML writers and the text
// extractors decide by. Every comparison is exact and case-sensitive against
// the lower-case names: a tag kept in upper case (case-sensitive parsing)
// belongs to none of them.
//
// Each name carries its HtTagHash, so a test with the tag's hash at hand
// (a node's TagHash, the hash of its folded tag) compares integers and
// reads characters only on a hit. The hash only filters: the answer is the
// exact comparison, so the hash of the folded or the unfolded tag serves.
#include <cstddef>
#include <initializer_list>

#include "markup/hash_dictionary.h"
#include "platform/rtl/string.h"

namespace ht::tagsets {

inline bool In(StringView tag, std::initializer_list<StringView> names) {
  for (StringView n : names)
    if (n == tag) return true;
  return false;
}

struct TTagName {
  int32_t Hash;
  StringView Name;
  constexpr explicit TTagName(StringView AName) : Hash(HtTagHashOf(AName)), Name(AName) {}
  // Tag equals Name; Hash is the tag's hash.
  constexpr bool Is(StringView Tag, int32_t TagHash) const { return TagHash == Hash && Tag == Name; }
};

template <size_t N>
struct TTagSet {
  TTagName Names[N];
  constexpr bool Has(StringView Tag, int32_t TagHash) const {
    for (const TTagName& n : Names)
      if (n.Is(Tag, TagHash)) return true;
    return false;
  }
  bool Has(StringView Tag) const { return Has(Tag, HtTagHashOf(Tag)); }
};

template <class... S>
constexpr TTagSet<sizeof...(S)> MakeTagSet(S... Names) {
  return {{TTagName(StringView(Names))...}};
}

// Elements that never have content. Deliberately not the full list of the
// HTML standard: "area", "source" and the like may hold children here.
inline constexpr auto kVoid = MakeTagSet(u"br", u"img", u"link", u"col", u"hr", u"frame", u"input", u"meta", u"wbr");
inline bool IsVoid(StringView t) { return kVoid.Has(t); }

// Inline formatting elements that an out-of-order end tag closes and that
// are re-opened afterwards.
inline constexpr auto kFormatting = MakeTagSet(u"a", u"b", u"big", u"code", u"em", u"font", u"i", u"nobr", u"s",
                                               u"small", u"strike", u"strong", u"tt", u"u");
inline bool IsFormatting(StringView t) { return kFormatting.Has(t); }

// Table structure that an open-search does not cross.
inline constexpr auto kTableStructure = MakeTagSet(u"td", u"th", u"tr", u"table", u"tbody", u"thead");
inline bool IsTableStructure(StringView t) { return kTableStructure.Has(t); }

inline constexpr auto kHeadContent =
    MakeTagSet(u"base", u"basefont", u"bgsound", u"link", u"meta", u"script", u"style", u"title", u"noscript");
inline bool IsHeadContent(StringView t) { return kHeadContent.Has(t); }

// Start tags that close an open paragraph.
inline constexpr auto kParagraphCloser =
    MakeTagSet(u"address", u"article", u"aside", u"blockquote", u"center", u"details", u"dir", u"div", u"dl",
               u"fieldset", u"figcaption", u"figure", u"footer", u"header", u"hgroup", u"menu", u"nav", u"ol", u"p",
               u"pre", u"section", u"summary", u"ul", u"h1", u"h2", u"h3", u"h4", u"h5", u"h6");
inline bool IsParagraphCloser(StringView t) { return kParagraphCloser.Has(t); }

// Tags the indenting writer puts on lines of their own.
inline constexpr auto kFormattedBlock = MakeTagSet(
    u"html", u"address", u"blockquote", u"head", u"body", u"xbody", u"dd", u"div", u"dl", u"dt", u"fieldset", u"form",
    u"meta", u"link", u"title", u"frame", u"frameset", u"h1", u"h2", u"h3", u"h4", u"h5", u"h6", u"noframes", u"ol",
    u"p", u"ul", u"center", u"dir", u"hr", u"menu", u"pre", u"datapacket", u"li", u"table", u"tr", u"td", u"th",
    u"thead", u"tbody", u"tfoot", u"col", u"colgroup", u"caption", u"foreignobject", u"xhtml");
inline bool IsFormattedBlock(StringView t) { return kFormattedBlock.Has(t); }

// Blocks that start a new line in GetInnerText ("h6" is not one of them).
inline constexpr auto kInnerTextBlock =
    MakeTagSet(u"p", u"pre", u"blockquote", u"li", u"tr", u"div", u"h1", u"h2", u"h3", u"h4", u"h5");
inline bool IsInnerTextBlock(StringView t) { return kInnerTextBlock.Has(t); }

// Parents under which a leading block does not start with a line break.
inline bool IsInnerTextBlockParent(StringView t) { return t == u"body" || IsInnerTextBlock(t); }

// Elements FastInnerText ends with a line break.
inline constexpr auto kFastTextBlock = MakeTagSet(u"p", u"pre", u"blockquote", u"li", u"tr", u"div", u"h1", u"h2",
                                                  u"h3", u"h4", u"h5", u"td", u"th", u"text");
inline bool IsFastTextBlock(StringView t) { return kFastTextBlock.Has(t); }

}  // namespace ht::tagsets
