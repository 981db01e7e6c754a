#include "css/media_query.h"

#include "css/property_registry.h"

namespace ht {

namespace {

bool isIdent(const TCSSToken& t, StringView name) { return t.CType == ctIdent && SameTextAscii(t.Name, name); }

bool skipped(const TCSSToken& t) { return t.CType == ctSpace || t.CType == ctComment; }

// A feature value in CSS pixels; false for a unit that is not a length.
bool featurePixels(const TCSSToken& t, double& px) {
  if (t.CType == ctNumber) {
    px = t.AsFloat;
    return true;
  }
  if (t.CType != ctDimension) return false;
  const double v = t.AsFloat;
  switch (t.MUnit) {
    case muPX: px = v; return true;
    case muEM:
    case muREM: px = v * 16; return true;  // the initial font size, not the element's
    case muPt: px = v * 96 / 72; return true;
    case muPC: px = v * 16; return true;
    case muIN: px = v * 96; return true;
    case muCM: px = v * 96 / 2.54; return true;
    case muMM: px = v * 96 / 25.4; return true;
    default: return false;
  }
}

// Evaluates a feature "(name: value)" whose "(" is at tokens[i]; moves i to
// its ")" (or the end). Unknown features and values answer false.
bool evalFeature(const TCSSTokens& tokens, size_t& i, int width, int deviceWidth, bool& testsWidth) {
  String name;
  const TCSSToken* value = nullptr;
  int values = 0;
  bool colon = false, bad = false;
  for (++i; i < tokens.size() && tokens[i].CType != ctClosePar; ++i) {
    const TCSSToken& t = tokens[i];
    if (skipped(t)) continue;
    if (t.CType == ctColon && !colon && !name.empty()) {
      colon = true;
    } else if (!colon && name.empty() && t.CType == ctIdent) {
      name = AsciiLowerCase(t.Name);
    } else if (colon) {
      value = &t;
      ++values;
    } else {
      bad = true;
    }
  }
  if (bad || !colon || values != 1) return false;
  const bool device = name.find(u"device-") != String::npos;
  String base = name;
  if (base.starts_with(u"min-") || base.starts_with(u"max-")) base = base.substr(4);
  if (base != u"width" && base != u"device-width") return false;
  testsWidth = true;
  double px;
  if (!featurePixels(*value, px)) return false;
  const double w = device ? deviceWidth : width;
  if (name.starts_with(u"min-")) return w >= px;
  if (name.starts_with(u"max-")) return w <= px;
  return w == px;
}

// Evaluates the query list; testsWidth tells whether a width feature occurs.
bool evalQueries(const TCSSTokens& tokens, TCSSMedia m, int width, int deviceWidth, bool& testsWidth) {
  bool any = false;
  bool negate = false, ok = true, words = false;
  auto finish = [&] {
    any = any || (negate ? !ok : ok);
    negate = false;
    ok = true;
    words = false;
  };
  for (size_t i = 0; i < tokens.size(); ++i) {
    const TCSSToken& t = tokens[i];
    if (skipped(t)) continue;
    if (t.CType == ctComma) {
      finish();
    } else if (t.CType == ctOpenPar) {
      if (!evalFeature(tokens, i, width, deviceWidth, testsWidth)) ok = false;
      words = true;
    } else if (t.CType == ctIdent && !words && isIdent(t, u"not")) {
      negate = true;
      words = true;
    } else if (isIdent(t, u"only") || isIdent(t, u"and")) {
      words = true;
    } else if (t.CType == ctIdent) {
      int v;
      if (!TryGetEnumValue(u"cm", t.Name, EnumTypeInfo<TCSSMedia>(), v) || v == cmUnknown ||
          (v != cmAll && v != m))
        ok = false;
      words = true;
    } else {
      ok = false;  // anything else makes the query unreadable
      words = true;
    }
  }
  finish();
  return any;
}

bool matchFields(const TCSSMediaSet& s, TCSSMedia m, int width, int deviceWidth) {
  if (!(s.Media == MediaBit(cmAll) || s.Has(m))) return false;
  if (!s.HasSizeQuery) return true;
  if (width < s.MinWidth) return false;
  if (s.MaxWidth != 0 && s.MaxWidth < width) return false;
  if (deviceWidth < s.MinDeviceWidth) return false;
  if (s.MaxDeviceWidth != 0 && s.MaxDeviceWidth < deviceWidth) return false;
  return true;
}

}  // namespace

bool MediaSetMatches(const TCSSMediaSet& Set, TCSSMedia M, int Width, int DeviceWidth) {
  if (DeviceWidth == 0) DeviceWidth = Width;
  if (Set.Tokens.empty()) return matchFields(Set, M, Width, DeviceWidth);
  bool testsWidth = false;
  return evalQueries(Set.Tokens, M, Width, DeviceWidth, testsWidth);
}

bool MediaSetTestsWidth(const TCSSMediaSet& Set) {
  if (Set.MinWidth || Set.MaxWidth || Set.MinDeviceWidth || Set.MaxDeviceWidth || Set.HasSizeQuery) return true;
  bool testsWidth = false;
  evalQueries(Set.Tokens, cmAll, 0, 0, testsWidth);
  return testsWidth;
}

bool MediaSetIsQuery(const TCSSMediaSet& Set) {
  if (MediaSetTestsWidth(Set) || Set.Media != MediaBit(cmAll)) return true;
  for (const TCSSToken& t : Set.Tokens)
    if (!skipped(t) && !isIdent(t, u"all") && !isIdent(t, u"only")) return true;
  return false;
}

String MediaSetAsString(const TCSSMediaSet& Set) {
  String s = u"@media ";
  bool leading = true;
  for (const TCSSToken& t : Set.Tokens) {
    leading = leading && skipped(t);
    if (!leading) s += t.Name;
  }
  return s;
}

}  // namespace ht
