// Value preparation and declaration text.
#include "css/css_value.h"

#include "css/colors.h"
#include "css/css_section.h"
#include "markup/crc32.h"

namespace ht {

namespace {

// The properties the general per-property routine acts on (the SVG ones
// for the SVG element style). Every other property is only read from the
// declarations, so its values get no routine at all.
bool takesApplyProp(TCSSProperty id) {
  switch (id) {
    case cspPosition: case cspTransition: case cspTextDecorationLine: case cspTextDecoration:
    case cspFontStyle: case cspBackgroundColor: case cspBackgroundImage: case cspBackgroundPositionX:
    case cspbackgroundPositionY: case cspBackgroundPosition: case cspBackgroundAttachment:
    case cspBackgroundSize: case cspVisibility: case cspZIndex: case cspDirection: case cspWordWrap:
    case cspWordBreak: case cspClipPath: case cspDominantBaseline: case cspFill: case cspFillRule:
    case cspStroke: case cspStrokeWidth: case cspStopColor: case cspStopOpacity: case cspStrokeDasharray:
    case cspStrokeDashoffset: case cspStrokeLinejoin: case cspStrokeLinecap: case cspShapeRendering:
    case cspTextAnchor: case cspZoom: case cspHyphens: case cspAnimation: case cspAnimationName:
    case cspAnimationDuration: case cspAnimationTimingFunction: case cspClear: case cspCounterReset:
    case cspCounterIncrement: case cspTransitionDuration:
      return true;
    default:
      return false;
  }
}

// The text-decoration line bits of a value: underline 4, line-through 8.
uint32_t decorationBits(const TCSSTokens& tokens) {
  uint32_t bits = 0;
  for (const TCSSToken& t : tokens) {
    if (t.CType != ctIdent) continue;
    if (SameTextAscii(t.Name, u"underline")) bits |= 4;
    else if (SameTextAscii(t.Name, u"line-through")) bits |= 8;
  }
  return bits;
}

// The routine that applies the value: shorthands and properties with
// special rules have their own, others go through the property's apply
// procedure when it has one.
TCSSApplyProc applyProcOf(const TCSSValue& Value) {
  if (Value.Name == u"background") return capApplyBackground;
  if (Value.Name == u"display") return capApplyDisplay;
  if (Value.Name == u"font-weight") return capApplyFontWeight;
  if (Value.Name == u"white-space") return capApplyWhiteSpace;
  return Value.PropRec && takesApplyProp(Value.PropRec->Id) ? capCallApplyProp : capNone;
}

bool prepareColor(TCSSValue& Value) {
  TCSSTokenSequence seq;
  seq.Init(Value.Tokens);
  uint32_t c = 0;
  if (!seq.ReadColor(c)) return false;
  Value.Tokens[0].SetCompiled(c);
  return true;
}

// A keyword compiles to its enumeration value; an unknown one to the marker
// (valid only for font-weight, whose numbers are read later).
bool prepareKeyword(TCSSValue& Value, const TCSSPropRec& rec) {
  TCSSToken& first = Value.Tokens[0];
  if (!rec.EnumType) {
    first.SetCompiled(0);
    return true;
  }
  int v = 0;
  // A function's name is its keyword too: "position: running(footer)".
  const bool named = first.CType == ctIdent || first.CType == ctNumber || first.CType == ctFunction;
  if (named && TryGetEnumValue(rec.EnumPrefix, first.Name, rec.EnumType, v)) {
    // The line bits are what computed style reads for text-decoration-line;
    // the keyword only has to be valid.
    first.SetCompiled(rec.Id == cspTextDecorationLine ? decorationBits(Value.Tokens) : uint32_t(v));
    return true;
  }
  first.SetCompiled(UnknownKeywordMarker);
  return rec.Id == cspFontWeight;
}

// One or two lengths; a calc() expression is kept by the section so the
// measure can point into it.
void prepareLength(TCSSValue& Value, const TCSSPropRec& rec, TCSSSection* Section) {
  const TCSSToken& first = Value.Tokens[0];
  Value.Measure.Init(nullptr);
  Value.Measure2.Init(nullptr);
  TCSSTokenSequence seq;
  const bool calc = first.CType == ctFunction && SameTextAscii(first.Name, u"calc");
  if (calc && Section)
    seq.Init(*const_cast<TCSSTokens*>(Section->AddCalcValue(Value.Tokens)));
  else
    seq.Init(Value.Tokens);
  Value.Measure.Decode(seq);
  // A calc() value spans all its tokens: there is no second length.
  if (calc || seq.Count <= 1 || first.Name == u"/") {
    Value.Measure2.Flags = MeasureFlags(mfInitial);
  } else {
    seq.Next();
    Value.Measure2.Decode(seq);
  }
  if (rec.Id == cspLineHeight && first.CType != ctPercentage && first.CType != ctDimension)
    Value.Measure.FMUnit = muNone;
  else if (rec.Id == cspFontSize && SameTextAscii(first.Name, u"medium"))
    Value.Measure.SetPixels(18);
}

}  // namespace

bool PrepareCSSValue(TCSSValue& Value, TCSSSection* Section) {
  Value.Name = AsciiLowerCase(Value.Token.Name);
  Value.ApplyProc = capNone;
  if (Value.Name.empty() || Value.Tokens.empty()) return true;
  for (TCSSToken& t : Value.Tokens) {
    if (t.CType != ctHash || t.Compiled) continue;
    const uint32_t c = ParseHtColor(u'#' + t.Name);
    if (c != clInvalid) t.SetCompiled(c);
  }
  TCSSToken& first = Value.Tokens[0];
  if (Value.Name == u"text-decoration" || Value.Name == u"text-decoration-line")
    first.SetCompiled(decorationBits(Value.Tokens));
  Value.Dashed = Value.Name[0] == u'-';
  Value.Inherit = SameTextAscii(first.Name, u"inherit") && first.CType == ctIdent;
  Value.PropRec = FindCSSProp(Value.Name);
  if (!Value.PropRec) Value.PropRec = FindCSSProp(u"unknown");
  Value.ApplyProc = applyProcOf(Value);
  if (Value.Inherit) {
    first.SetCompiled(InheritMarker);
    return true;
  }
  const TCSSPropRec* rec = Value.PropRec;
  if (!rec) return true;
  switch (rec->Kind) {
    case cptColor: return prepareColor(Value);
    case cptEnum: return prepareKeyword(Value, *rec);
    case cptLength: prepareLength(Value, *rec, Section); return true;
    default: return true;
  }
}

void AppendCSSString(String& Out, StringView Text) {
  Out += u'"';
  for (char16_t c : Text) {
    if (c == u'"' || c == u'\\') {
      Out += u'\\';
      Out += c;
    } else if (c == u'\n') {
      Out += u"\\A ";
    } else if (c == u'\r') {
      Out += u"\\D ";
    } else {
      Out += c;
    }
  }
  Out += u'"';
}

void AppendCSSIdent(String& Out, StringView Text, bool AfterHash) {
  // A digit that starts the name (or follows its leading "-") would read
  // back as a number; after "#" digits are name characters.
  const size_t digitAt = AfterHash ? SIZE_MAX : !Text.empty() && Text[0] == u'-' ? 1 : 0;
  for (size_t i = 0; i < Text.size(); ++i) {
    const char16_t c = Text[i];
    const bool leadingDigit = i == digitAt && c >= u'0' && c <= u'9';
    const bool plain = !leadingDigit && (c == u'-' || c == u'_' || (c >= u'0' && c <= u'9') ||
                                         (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c >= 0x100);
    if (plain) {
      Out += c;
    } else if (c <= u' ' || c == 0x7F || leadingDigit) {
      static constexpr char16_t hex[] = u"0123456789abcdef";
      Out += u'\\';
      if (c >= 16) Out += hex[c >> 4];
      Out += hex[c & 15];
      Out += u' ';
    } else {
      Out += u'\\';
      Out += c;
    }
  }
}

String TCSSValue::AsString() const {
  String s;
  AppendCSSIdent(s, Token.Name);
  s += u':';
  bool afterOpen = true;  // no space before the first token and after "(" or "["
  for (const TCSSToken& t : Tokens) {
    switch (t.CType) {
      case ctBlockStart: case ctBlockEnd: case ctColon: case ctSemicolon: case ctComma:
      case ctOpenPar: case ctClosePar: case ctOpenBr: case ctCloseBr:
        s += t.Name;
        afterOpen = t.CType == ctOpenPar || t.CType == ctOpenBr;
        continue;
      case ctHash:
        s += u" #";
        AppendCSSIdent(s, t.Name, true);
        break;
      case ctIdent:
      case ctFunction:
        if (!afterOpen) s += u' ';
        AppendCSSIdent(s, t.Name);
        break;
      case ctSpace:
        s += u' ';
        afterOpen = true;
        continue;
      case ctURI:
        if (!afterOpen) s += u' ';
        s += u"url('";
        s += t.Name;
        s += u"')";
        break;
      case ctString:
        if (!afterOpen) s += u' ';
        AppendCSSString(s, t.Name);
        break;
      default:
        if (!afterOpen) s += u' ';
        s += t.Name;
        break;
    }
    afterOpen = false;
  }
  if (Important) {
    s += u"!important;";
  } else {
    while (!s.empty() && s.back() <= u' ') s.pop_back();
    s += u';';
  }
  return s;
}

uint32_t TCSSValue::Checksum() const {
  uint32_t result = 0;
  for (const TCSSToken& t : Tokens) result ^= StrCRC32(t.Name);
  return result;
}

}  // namespace ht
