#include "css/colors.h"

#include <algorithm>
#include <cmath>

#include "css/css_token.h"
#include "markup/hash_dictionary.h"
#include "markup/node.h"
#include "markup/string_parser.h"
#include "platform/rtl/sys_colors.h"

namespace ht {

namespace {

struct TColorPair {
  StringView Name;
  uint32_t Color;  // RGB without alpha
};

constexpr TColorPair colorNames[] = {
    {u"aliceblue", 0xF0F8FF},
    {u"antiquewhite", 0xFAEBD7},
    {u"aqua", 0x00FFFF},
    {u"aquamarine", 0x7FFFD4},
    {u"azure", 0xF0FFFF},
    {u"beige", 0xF5F5DC},
    {u"bisque", 0xFFE4C4},
    {u"black", 0x000000},
    {u"blanchedalmond", 0xFFEBCD},
    {u"blue", 0x0000FF},
    {u"blueviolet", 0x8A2BE2},
    {u"brown", 0xA52A2A},
    {u"burlywood", 0xDEB887},
    {u"cadetblue", 0x5F9EA0},
    {u"chartreuse", 0x7FFF00},
    {u"chocolate", 0xD2691E},
    {u"coral", 0xFF7F50},
    {u"cornflowerblue", 0x6495ED},
    {u"cornsilk", 0xFFF8DC},
    {u"crimson", 0xDC143C},
    {u"cyan", 0x00FFFF},
    {u"darkblue", 0x00008B},
    {u"darkcyan", 0x008B8B},
    {u"darkgoldenrod", 0xB8860B},
    {u"darkgray", 0xA9A9A9},
    {u"darkgreen", 0x006400},
    {u"darkkhaki", 0xBDB76B},
    {u"darkmagenta", 0x8B008B},
    {u"darkolivegreen", 0x556B2F},
    {u"darkorange", 0xFF8C00},
    {u"darkorchid", 0x9932CC},
    {u"darkred", 0x8B0000},
    {u"darksalmon", 0xE9967A},
    {u"darkseagreen", 0x8FBC8F},
    {u"darkslateblue", 0x483D8B},
    {u"darkslategray", 0x2F4F4F},
    {u"darkturquoise", 0x00CED1},
    {u"darkviolet", 0x9400D3},
    {u"deeppink", 0xFF1493},
    {u"deepskyblue", 0x00BFFF},
    {u"dimgray", 0x696969},
    {u"dodgerblue", 0x1E90FF},
    {u"firebrick", 0xB22222},
    {u"floralwhite", 0xFFFAF0},
    {u"forestgreen", 0x228B22},
    {u"fuchsia", 0xFF00FF},
    {u"gainsboro", 0xDCDCDC},
    {u"ghostwhite", 0xF8F8FF},
    {u"gold", 0xFFD700},
    {u"goldenrod", 0xDAA520},
    {u"gray", 0x808080},
    {u"green", 0x008000},
    {u"greenyellow", 0xADFF2F},
    {u"grey", 0x808080},
    {u"honeydew", 0xF0FFF0},
    {u"hotpink", 0xFF69B4},
    {u"indianred", 0xCD5C5C},
    {u"indigo", 0x4B0082},
    {u"ivory", 0xFFFFF0},
    {u"khaki", 0xF0E68C},
    {u"lavender", 0xE6E6FA},
    {u"lavenderblush", 0xFFF0F5},
    {u"lawngreen", 0x7CFC00},
    {u"lemonchiffon", 0xFFFACD},
    {u"lightblue", 0xADD8E6},
    {u"lightcoral", 0xF08080},
    {u"lightcyan", 0xE0FFFF},
    {u"lightgoldenrodyellow", 0xFAFAD2},
    {u"lightgray", 0xD3D3D3},
    {u"lightgrey", 0xD3D3D3},
    {u"lightgreen", 0x90EE90},
    {u"lightpink", 0xFFB6C1},
    {u"lightsalmon", 0xFFA07A},
    {u"lightseagreen", 0x20B2AA},
    {u"lightskyblue", 0x87CEFA},
    {u"lightslategray", 0x778899},
    {u"lightsteelblue", 0xB0C4DE},
    {u"lightyellow", 0xFFFFE0},
    {u"lime", 0x00FF00},
    {u"limegreen", 0x32CD32},
    {u"linen", 0xFAF0E6},
    {u"magenta", 0xFF00FF},
    {u"maroon", 0x800000},
    {u"mediumaquamarine", 0x66CDAA},
    {u"mediumblue", 0x0000CD},
    {u"mediumorchid", 0xBA55D3},
    {u"mediumpurple", 0x9370DB},
    {u"mediumseagreen", 0x3CB371},
    {u"mediumslateblue", 0x7B68EE},
    {u"mediumspringgreen", 0x00FA9A},
    {u"mediumturquoise", 0x48D1CC},
    {u"mediumvioletred", 0xC71585},
    {u"midnightblue", 0x191970},
    {u"mintcream", 0xF5FFFA},
    {u"mistyrose", 0xFFE4E1},
    {u"moccasin", 0xFFE4B5},
    {u"navajowhite", 0xFFDEAD},
    {u"navy", 0x000080},
    {u"oldlace", 0xFDF5E6},
    {u"olive", 0x808000},
    {u"olivedrab", 0x6B8E23},
    {u"orange", 0xFFA500},
    {u"orangered", 0xFF4500},
    {u"orchid", 0xDA70D6},
    {u"palegoldenrod", 0xEEE8AA},
    {u"palegreen", 0x98FB98},
    {u"paleturquoise", 0xAFEEEE},
    {u"palevioletred", 0xDB7093},
    {u"papayawhip", 0xFFEFD5},
    {u"peachpuff", 0xFFDAB9},
    {u"peru", 0xCD853F},
    {u"pink", 0xFFC0CB},
    {u"plum", 0xDDA0DD},
    {u"powderblue", 0xB0E0E6},
    {u"purple", 0x800080},
    {u"red", 0xFF0000},
    {u"rosybrown", 0xBC8F8F},
    {u"royalblue", 0x4169E1},
    {u"saddlebrown", 0x8B4513},
    {u"salmon", 0xFA8072},
    {u"sandybrown", 0xF4A460},
    {u"seagreen", 0x2E8B57},
    {u"seashell", 0xFFF5EE},
    {u"sienna", 0xA0522D},
    {u"silver", 0xC0C0C0},
    {u"skyblue", 0x87CEEB},
    {u"slateblue", 0x6A5ACD},
    {u"slategray", 0x708090},
    {u"snow", 0xFFFAFA},
    {u"springgreen", 0x00FF7F},
    {u"steelblue", 0x4682B4},
    {u"tan", 0xD2B48C},
    {u"teal", 0x008080},
    {u"thistle", 0xD8BFD8},
    {u"tomato", 0xFF6347},
    {u"turquoise", 0x40E0D0},
    {u"violet", 0xEE82EE},
    {u"wheat", 0xF5DEB3},
    {u"white", 0xFFFFFF},
    {u"whitesmoke", 0xF5F5F5},
    {u"yellow", 0xFFFF00},
    {u"yellowgreen", 0x9ACD32},
};
static_assert(std::size(colorNames) == 142);

struct TSysColorName {
  StringView Name;
  int Index;  // Windows system colour index
};

// Sorted by ordinal comparison: the look-up is a binary search.
constexpr TSysColorName systemColorNames[] = {
    {u"activeborder", 10},          {u"activecaption", 2},      {u"appworkspace", 12},
    {u"background", 1},             {u"btnface", 15},           {u"btnhighlight", 20},
    {u"btnshadow", 16},             {u"btntext", 18},           {u"buttonface", 15},
    {u"buttontext", 18},            {u"c3ddkshadow", 21},       {u"c3dface", 15},
    {u"c3dhighlight", 20},          {u"c3dhilight", 20},        {u"c3dlight", 22},
    {u"c3dshadow", 16},             {u"canvas", 5},             {u"canvastext", 8},
    {u"captiontext", 9},            {u"desktop", 1},            {u"field", 5},
    {u"fieldtext", 8},              {u"gradientactivecaption", 27}, {u"gradientinactivecaption", 28},
    {u"graytext", 17},              {u"highlight", 13},         {u"highlighttext", 14},
    {u"hotlight", 26},              {u"inactiveborder", 11},    {u"inactivecaption", 3},
    {u"inactivecaptiontext", 19},   {u"infobk", 24},            {u"infotext", 23},
    {u"menu", 4},                   {u"menubar", 30},           {u"menuhighlight", 29},
    {u"menutext", 7},               {u"scrollbar", 0},          {u"window", 5},
    {u"windowframe", 6},            {u"windowtext", 8},
};
static_assert(std::size(systemColorNames) == 41);
static_assert(std::is_sorted(std::begin(systemColorNames), std::end(systemColorNames),
                             [](const TSysColorName& a, const TSysColorName& b) { return a.Name < b.Name; }));

const THtPointerDictionary& colorDictionary() {
  // Built once, thread-safely, on first use; read-only afterwards.
  static THtPointerDictionary dict(142, RecordKeyField<&TColorPair::Name>, HtTagHash);
  [[maybe_unused]] static const bool filled = [] {
    for (const TColorPair& pair : colorNames)
      dict.Add(dict.Hash(pair.Name), pair.Name, const_cast<TColorPair*>(&pair));
    return true;
  }();
  return dict;
}

// Names are short; longer text can't be one and needs no lower-casing.
constexpr size_t maxNameLength = 32;

bool lowerName(StringView text, char16_t* buf, size_t& len) {
  if (text.size() > maxNameLength) return false;
  len = text.size();
  for (size_t i = 0; i < len; ++i) buf[i] = AsciiLower(text[i]);
  return true;
}

// "#" text. identMode rejects the 5- and 6-character forms.
uint32_t parseHash(StringView text, bool identMode) {
  for (size_t i = 1; i < text.size(); ++i)
    if (HexDigitValue(text[i]) < 0) return clInvalid;
  const size_t len = text.size();
  auto d = [&](size_t i) { return uint32_t(HexDigitValue(text[i])); };
  auto pair = [&](size_t i) { return d(i) * 16 + d(i + 1); };
  if (len == 4) return 0xFF000000 | (d(1) * 17) << 16 | (d(2) * 17) << 8 | d(3) * 17;
  if (len == 5 && !identMode) return (d(4) * 17) << 24 | (d(1) * 17) << 16 | (d(2) * 17) << 8 | d(3) * 17;
  if (len == 7 || len == 8) return 0xFF000000 | pair(1) << 16 | pair(3) << 8 | pair(5);
  if (len >= 9) return pair(7) << 24 | pair(1) << 16 | pair(3) << 8 | pair(5);
  return clInvalid;
}

uint32_t themeColor(int index) {
  const TThemeColorProc& proc = THtmlNode::ThemeColorPrc();
  return proc ? proc(index) : DefaultThemeColor(index);
}

// The rules shared by ParseHtColor and ColorFromIdent after their own.
uint32_t namedOrHex(StringView text, bool identMode, int& systemFlag) {
  systemFlag = 0;
  if (SameTextAscii(text, u"transparent")) return clTransparent;
  if (SameTextAscii(text, u"none")) return clNone;
  if (text[0] == u'#') return parseHash(text, identMode);
  uint32_t c = ColorByName(text);
  if (c == 0) {
    c = SystemColorByName(text);
    if (c != 0) systemFlag = 1;
  }
  if (c == 0) {
    if (SameTextAscii(text, u"window")) return 0xFFFFFFFF;
    if (SameTextAscii(text, u"windowtext")) return 0xFF000000;
    String hash = u"#" + String(text);
    c = parseHash(hash, identMode);
  }
  return c;
}

uint8_t clampChannel(double v) {
  if (!(v > 0)) return 0;  // also NaN
  if (v >= 255) return 255;
  return uint8_t(std::nearbyint(v));
}

uint32_t alphaOf(double a) {
  if (!(a > 0)) return 0;
  if (a >= 1) return 255;
  return uint32_t(std::nearbyint(a * 255));
}

}  // namespace

void CreateColorDictionary() { (void)colorDictionary(); }

uint32_t DefaultThemeColor(int Index) { return SwapRB(GetSysColor(Index)) | 0xFF000000; }

uint32_t SwapRB(uint32_t Color) { return (Color & 0xFF) << 16 | (Color & 0xFF00) | (Color >> 16 & 0xFF); }

uint32_t ColorByName(StringView Name) {
  char16_t buf[maxNameLength];
  size_t len;
  if (!lowerName(Name, buf, len)) return 0;
  const TColorPair* pair;
  if (!colorDictionary().TryGetChars(buf, int32_t(len), pair)) return 0;
  return pair->Color | 0xFF000000;
}

uint32_t SystemColorByName(StringView Name) {
  char16_t buf[maxNameLength];
  size_t len;
  if (!lowerName(Name, buf, len)) return 0;
  const StringView key(buf, len);
  auto it = std::lower_bound(std::begin(systemColorNames), std::end(systemColorNames), key,
                             [](const TSysColorName& e, StringView k) { return e.Name < k; });
  if (it == std::end(systemColorNames) || it->Name != key) return 0;
  return themeColor(it->Index);
}

uint32_t ParseHtColor(StringView Text) {
  if (Text.empty()) return 0xFF000000;
  if (Text.substr(0, 5) == u"rgba(") return ParseRGBAText(Text);
  int systemFlag;
  return namedOrHex(Text, false, systemFlag);
}

uint32_t ColorFromIdent(StringView Text, int& SystemFlag) {
  SystemFlag = 0;
  if (Text.empty()) return 0xFF000000;
  return namedOrHex(Text, true, SystemFlag);
}

uint32_t ParseRGBAText(StringView Text) {
  TStringParser ps{String(Text)};
  ps.Skipto(u'(');
  ps.Skip(1);
  ps.SkipBlanks();
  const char16_t c = ps.GetCurrent();
  uint32_t rgb;
  if ((c >= u'0' && c <= u'9') || c == u'-' || c == u'+') {
    const uint32_t r = clampChannel(ps.ReadInt());
    ps.Skipto(u',');
    ps.Skip(1);
    const uint32_t g = clampChannel(ps.ReadInt());
    ps.Skipto(u',');
    ps.Skip(1);
    const uint32_t b = clampChannel(ps.ReadInt());
    ps.Skipto(u',');
    rgb = r << 16 | g << 8 | b;
  } else {
    String inner;
    ps.ReadtoChar(u',', inner, true);
    const uint32_t color = ParseHtColor(inner);
    if (color == clInvalid) return clInvalid;
    rgb = color & 0xFFFFFF;
  }
  return rgb | alphaOf(ps.ReadNum()) << 24;
}

String ColorToHex6(uint32_t Color) {
  static constexpr char16_t digits[] = u"0123456789abcdef";
  String s(6, u'0');
  for (int i = 5; i >= 0; --i, Color >>= 4) s[size_t(i)] = digits[Color & 0xF];
  return s;
}

String ColorToHexStr(uint32_t Color) {
  String s = u"#" + ColorToHex6(Color);
  if (Color >> 24 != 0xFF) s += ColorToHex6(Color >> 24).substr(4);
  return s;
}

namespace {

// A colour keyword, a system colour or currentColor. The token caches its
// colour; a system colour is read afresh so that a theme change is seen.
bool keywordColor(TCSSToken& t, uint32_t currentColor, uint32_t& Color) {
  if (SameTextAscii(t.Name, u"inherit")) return false;
  if (SameTextAscii(t.Name, u"currentcolor")) {
    t.Flags = ctfCurrentColor;
    Color = currentColor;
    return true;
  }
  if (!t.Compiled || (t.Flags & ctfSystemColor)) {
    int systemFlag;
    const uint32_t c = ColorFromIdent(t.Name, systemFlag);
    t.Flags = systemFlag ? ctfSystemColor : 0;
    t.SetCompiled(c);
  }
  if (t.Color == clInvalid) return false;
  Color = t.Color;
  return true;
}

// The arguments of rgb() or rgba() up to the closing parenthesis: three
// channels and an alpha, or a colour and an alpha. Numbers and percentages
// may mix.
bool rgbArguments(const TCSSToken* tk, const TCSSToken* end, uint32_t& Color) {
  uint32_t c = 0;
  int n = 0;
  bool afterColor = false;
  auto setAlpha = [&](uint32_t alpha) { c = (c & 0xFFFFFF) | alpha << 24; };
  for (; tk != end && tk->CType != ctClosePar; ++tk) {
    switch (tk->CType) {
      case ctIdent:
      case ctHash: {
        int systemFlag;
        c = tk->CType == ctHash ? ParseHtColor(u"#" + tk->Name) : ColorFromIdent(tk->Name, systemFlag);
        if (c == clInvalid) return false;
        afterColor = true;
        break;
      }
      case ctNumber:
      case ctPercentage: {
        const bool percent = tk->CType == ctPercentage;
        if (n == 3 || afterColor) {
          setAlpha(alphaOf(percent ? tk->AsFloat / 100.0 : tk->AsFloat));
          n = percent ? 4 : n + 1;
        } else {
          c = c << 8 | clampChannel(percent ? tk->AsFloat * 255.0 / 100.0 : tk->AsFloat);
          ++n;
        }
        break;
      }
      default:
        break;
    }
  }
  if (!afterColor && n < 3) return false;
  if (n == 3) setAlpha(255);
  Color = c;
  return true;
}

}  // namespace

bool TCSSTokenSequence::ReadColor(uint32_t& Color) {
  if (!T) return false;
  TCSSToken& t = *T;
  switch (t.CType) {
    case ctIdent:
      return keywordColor(t, CurrentColor, Color);
    case ctHash:
      if (!t.Compiled) t.SetCompiled(ParseHtColor(u"#" + t.Name));
      if (t.Color == clInvalid) return false;
      Color = t.Color;
      return true;
    case ctNumber: {
      // Digits alone are not a colour; the value is still handed out for
      // callers that ignore the answer.
      const uint32_t c = ParseHtColor(u"#" + t.Name);
      if (c != clInvalid) Color = c;
      return false;
    }
    case ctFunction:
      if (t.Name.substr(0, 3) == u"var") return true;
      if (t.Name.substr(0, 3) != u"rgb") return false;
      if (Index + 1 >= Count) {
        if (!t.Compiled) return false;
        Color = t.Color;
        return true;
      }
      return rgbArguments(FPTokens->data() + Index + 1, FPTokens->data() + Count, Color);
    default:
      return false;
  }
}

}  // namespace ht
