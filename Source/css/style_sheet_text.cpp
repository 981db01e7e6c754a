// Style sheet text output and the dark variant of a light sheet.
#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "css/colors.h"
#include "css/css_text_utils.h"
#include "css/media_query.h"
#include "css/style_sheet.h"
#include "markup/fast_string.h"

namespace ht {

String TCSSStyleSheet::AsString() const {
  TFastString out(65535);
  const TCSSMediaSet* open = nullptr;
  bool group = false;
  for (const auto& section : fSections) {
    if (section->MediaSet != open) {
      if (group) out.Add(u"}\r\n");
      group = false;
      open = section->MediaSet;
      if (open && !open->Tokens.empty()) {
        out.Add(MediaSetAsString(*open));
        out.Add(u"{\r\n");
        group = true;
      }
    }
    section->WriteTo(out);
    out.Add(u"\r\n");
  }
  if (group) out.AddChar(u'}');
  return out.ToString();
}

String TCSSStyleSheet::AsInlineString() const {
  String out;
  std::unordered_set<const TCSSSection*> written;
  auto write = [&](const TCSSSelectors* list) {
    for (const TCSSSelector* s : *list)
      if (s->Section && written.insert(s->Section).second) out += s->Section->AsInlineString();
  };
  for (const auto* map : {&Main.TagMap, &Main.IdMap, &Main.PseudoMap, &Main.ClassMap, &Main.AttrMap})
    if (*map) (*map)->ForEachList(write);
  return String(TrimBlanks(out));
}

void TCSSStyleSheet::Minify() {
  for (const auto& section : fSections) section->Minify();
}

namespace {

struct THsl {
  double H, S, L;
};

THsl toHsl(uint32_t c) {
  const double r = ((c >> 16) & 0xFF) / 255.0, g = ((c >> 8) & 0xFF) / 255.0, b = (c & 0xFF) / 255.0;
  const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
  THsl hsl{0, 0, (mx + mn) / 2};
  const double d = mx - mn;
  if (d == 0) return hsl;
  hsl.S = hsl.L > 0.5 ? d / (2 - mx - mn) : d / (mx + mn);
  if (mx == r)
    hsl.H = (g - b) / d + (g < b ? 6 : 0);
  else if (mx == g)
    hsl.H = (b - r) / d + 2;
  else
    hsl.H = (r - g) / d + 4;
  hsl.H /= 6;
  return hsl;
}

double hueChannel(double p, double q, double t) {
  if (t < 0) t += 1;
  if (t > 1) t -= 1;
  if (t < 1.0 / 6) return p + (q - p) * 6 * t;
  if (t < 0.5) return q;
  if (t < 2.0 / 3) return p + (q - p) * (2.0 / 3 - t) * 6;
  return p;
}

uint32_t fromHsl(const THsl& c, uint32_t alpha) {
  double r = c.L, g = c.L, b = c.L;
  if (c.S != 0) {
    const double q = c.L < 0.5 ? c.L * (1 + c.S) : c.L + c.S - c.L * c.S;
    const double p = 2 * c.L - q;
    r = hueChannel(p, q, c.H + 1.0 / 3);
    g = hueChannel(p, q, c.H);
    b = hueChannel(p, q, c.H - 1.0 / 3);
  }
  auto channel = [](double v) { return uint32_t(std::nearbyint(std::clamp(v, 0.0, 1.0) * 255)); };
  return (alpha & 0xFF000000u) | channel(r) << 16 | channel(g) << 8 | channel(b);
}

// Replaces the colour token at Index (a function colour with its
// arguments) by its dark variant; nothing when it holds no colour.
void convertToken(TCSSTokens& tokens, size_t index, bool background, uint32_t color) {
  THsl hsl = toHsl(color);
  TCSSToken& t = tokens[index];
  size_t end = index + 1;
  if (t.CType == ctFunction) {
    int depth = 0;
    for (; end < tokens.size(); ++end) {
      if (tokens[end].CType == ctOpenPar) ++depth;
      if (tokens[end].CType == ctClosePar && --depth <= 0) {
        ++end;
        break;
      }
    }
  }
  if (background && hsl.L > 0.9) {
    t.CType = ctIdent;
    t.Name = u"transparent";
    t.SetCompiled(0);
  } else {
    if (background) {
      hsl.L = std::max(1 - hsl.L, 0.15);
    } else {
      hsl.L = std::min(std::clamp(1 - hsl.L + 0.1, 0.6, 1.0), 0.95);
      hsl.S = std::min(hsl.S, 0.7);
    }
    const uint32_t dark = fromHsl(hsl, color);
    t.CType = ctHash;
    t.Name = ColorToHex6(dark);
    t.Flags = 0;
    t.SetCompiled(dark);
  }
  tokens.erase(tokens.begin() + ptrdiff_t(index + 1), tokens.begin() + ptrdiff_t(std::min(end, tokens.size())));
}

bool tokenColor(TCSSTokens& tokens, size_t index, uint32_t& color) {
  TCSSTokenSequence seq;
  seq.Init(tokens);
  seq.Next(int(index));
  return seq.ReadColor(color);
}

void convertValue(TCSSValue& v) {
  static constexpr StringView textColors[] = {u"color",           u"border-color",      u"border-top-color",
                                               u"border-right-color", u"border-bottom-color", u"border-left-color"};
  TCSSTokens& tokens = v.Tokens;
  if (tokens.empty()) return;
  uint32_t color;
  if (std::find(std::begin(textColors), std::end(textColors), v.Name) != std::end(textColors)) {
    if (tokenColor(tokens, 0, color)) convertToken(tokens, 0, false, color);
  } else if (v.Name == u"background-color") {
    if (tokenColor(tokens, 0, color)) convertToken(tokens, 0, true, color);
  } else if (v.Name == u"background") {
    if (tokens.size() == 1) {
      if (tokens[0].Name != u"none" && tokens[0].Name != u"transparent" && tokenColor(tokens, 0, color))
        convertToken(tokens, 0, true, color);
      return;
    }
    for (size_t i = 0; i < tokens.size(); ++i) {
      if (tokens[i].CType == ctHash && tokenColor(tokens, i, color)) {
        convertToken(tokens, i, true, color);
      } else if (tokens[i].CType == ctIdent) {
        const uint32_t named = ColorByName(tokens[i].Name);
        if (named != 0) convertToken(tokens, i, true, named | 0xFF000000u);
      }
    }
  }
}

}  // namespace

void TCSSStyleSheet::ConvertLighttoDark() {
  for (const auto& section : fSections)
    for (TCSSValue& v : section->Values) convertValue(v);
}

String TCSSStyleSheet::LighttoDark(const String& S) {
  TCSSStyleSheet sheet;
  sheet.Parse(S, -1, false);
  sheet.ConvertLighttoDark();
  return sheet.AsString();
}

}  // namespace ht
