#include "css/default_style_sheet.h"

#include <atomic>
#include <mutex>

#include "css/css_text_utils.h"

namespace ht {

namespace {

constexpr const char16_t* builtInCSS = uR"css(
:link { color: blue; text-decoration: underline; cursor: pointer }
html, address, blockquote,  body, dd, div, dl, dt, fieldset, form, frame, frameset, h1, h2, h3, h4, h5, h6, noframes, ol, p, ul, center, dir, hr, menu, pre, datapacket, article, aside, details, figcaption, footer, header, main, nav, section, summary { display: block }
li { display: list-item; min-height: 1em }
body { line-height: normal; contenteditable: true }
head, style, datalist, meta, link { display: none }
table { display: table; text-indent: 0; border-spacing: 2px; box-sizing: border-box; }
tr { display: table-row; padding: 0px!important }
thead { display: table-row-group }
tbody { display: table-row-group }
tfoot { display: table-row-group }
col { display: table-column }
colgroup { display: table-column-group }
td, th { display: table-cell; background-color: inherit }
caption { display: block; text-align: center }
th { font-weight: bold; }
_body { margin: 8px }
h1 { font-size: 2em; margin-top: .67em; margin-bottom: .67em }
h2 { font-size: 1.5em; margin: .75em 0 }
h3 { font-size: 1.17em; margin: .83em 0 }
h4, p, blockquote, ul,  fieldset, form,  ol, dl, dir,  menu { margin-top: 1em; margin-bottom: 1em; }
blockquote { padding-left: 40px; margin-right: 40px; }
blockquote[type=cite] { padding-left: 16px; padding-right: 16px; border-left:  solid blue thin; margin-left: 0; margin-right: 0; }
h5 { font-size: .83em; margin: 1.5em 0 }
h6 { font-size: .75em; margin: 1.67em 0 }
h1, h2, h3, h4,  h5, h6, b, strong { font-weight: bold }
i, cite, em, var, address { font-style: italic }
pre, tt, code, kbd, samp { font-family: monospace }
pre { white-space: pre }
textarea, input, select { display: inline; margin: 0 2 0 2; box-sizing: border-box }
input[type=submit] { padding: 3px 3px; }
input[type=hidden] { display: none }
input[type=radio] { appearance: radio }
big { font-size: 1.17em }
small, sub, sup { font-size: .83em }
sub { vertical-align: sub }
sup { vertical-align: super }
thead, tbody,  tfoot,table { vertical-align: middle }
td, th, tr { vertical-align: inherit }
s, strike, del { text-decoration: line-through }
hr { border-top: 1px solid gray; border-bottom: 0.5px solid silver; apadding-bottom: -1px; margin-top: 8px; margin-bottom: 8px; }
ol, ul, dir, menu, dd { padding-left: 40px }
ol { list-style-type: decimal }
ol ul, ul ol, ul ul, ol ol { margin-top: 0; margin-bottom: 0 }
ul { list-style-type: disk }
ul ul { list-style-type: circle }
ul ul ul { list-style-type: square }
ol[type=a] { list-style-type: lower-alpha }
ol[type=A] { list-style-type: upper-alpha }
ol[type=i] { list-style-type: lower-roman }
ol[type=I] { list-style-type: upper-roman }
u, ins { text-decoration: underline }
option { display: none }
center { text-align: center }
img, image, iframe, svg { display: inline-block }
fieldset { margin: 10px 2px 5px 2px; padding: 0.55em 0.625em 0.75em; border: solid #aaa 1px; position: relative; }
legend { display: inline-block; position: absolute; left: 20px; top: 0px; transform: translate(0, -60%) }
legend[align='right'] { left: auto; right: 20px; }
control, video { display: inline-block }
xbody { display: block; }
foreignobject { display: block; white-space: normal; position: absolute; }
desc, title { display: none }
table[align=left] { float: left }
table[align=right] { float: right }
img[align=left] { float: left }
img[align=right] { float: right }
nobr { white-space: nowrap }
mark { background: yellow; color: black }
button { display: inline-block; background: linear-gradient(to bottom, btnhighlight, btnface); color: btntext; border-radius: 2px; padding: 3px 6px 3px 6px; margin: 0px 5px; border: solid btnshadow 1px; }
button:hover { opacity: 0.7; background: linear-gradient(to bottom, btnhighlight, btnhighlight 10%, highlight 60%, btnhighlight 100%); }
button:active { background: highlight }
button[disabled] { background: #eee; color: gray;pointer-events: none }
metadata { display: none }
xtemplate { word-break: break-all; }
table[border] { border-color: #808080; }
table[border=0] { border: none }
svg { fill-opacity: 1; stroke-opacity: 1; fill: black }
g, rect, line, path, polygon, polyline, ellipse, circle, text, tspan, image { transform-origin: 0, 0 }
.footnote { font-size: 9pt; margin-left: 0.5em; }
.footnote:before { counter-increment: footnote; content: counters(footnote, ' '); display: none }
.footnote:after { display: inline-block; content: counters(footnote, ' '); vertical-align: super; cursor: pointer; padding: 2px; border-radius: 2px }
.footnote:after:hover { background-color: lightblue }
abbr[title], acronym[title] { text-decoration: underline; text-decoration-style: dotted; }
summary:before { content:\25B8; }
details:checked summary:before { content: \25BE; }
)css";

// Nested documents may be styled on other threads: the first request
// parses the sheet under the lock, later ones only read the pointer.
std::mutex sheetLock;
std::atomic<TCSSStyleSheet*> builtInSheet{nullptr};
std::atomic<TCSSStyleSheet*> quirksSheet{nullptr};

// What a page without a DOCTYPE expects of old browsers: tables do not
// inherit the text settings of the page around them.
const char16_t* const quirksCSS =
    u"table { font-size: medium; font-weight: normal; font-style: normal; font-variant: normal;"
    u" line-height: normal; white-space: normal; text-align: start; }";

// An optionally signed decimal integer that fits an int.
bool readInteger(StringView s, int& n) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';
  if (i == s.size()) return false;
  long long v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < u'0' || s[i] > u'9') return false;
    v = v * 10 + (s[i] - u'0');
    if (v > 0x7FFFFFFF) return false;
  }
  n = int(negative ? -v : v);
  return true;
}

}  // namespace

TCSSStyleSheet* DefaultStyleSheet() {
  if (TCSSStyleSheet* sheet = builtInSheet.load(std::memory_order_acquire)) return sheet;
  std::lock_guard<std::mutex> guard(sheetLock);
  if (TCSSStyleSheet* sheet = builtInSheet.load(std::memory_order_relaxed)) return sheet;
  auto sheet = std::make_unique<TCSSStyleSheet>();
  sheet->SelectorCounter = 0;
  sheet->Parse(builtInCSS, 0, false);
  builtInSheet.store(sheet.release(), std::memory_order_release);
  return builtInSheet.load(std::memory_order_relaxed);
}

TCSSStyleSheet* QuirksStyleSheet() {
  if (TCSSStyleSheet* sheet = quirksSheet.load(std::memory_order_acquire)) return sheet;
  std::lock_guard<std::mutex> guard(sheetLock);
  if (TCSSStyleSheet* sheet = quirksSheet.load(std::memory_order_relaxed)) return sheet;
  auto sheet = std::make_unique<TCSSStyleSheet>();
  sheet->SelectorCounter = 0;
  sheet->Parse(quirksCSS, 0, false);
  quirksSheet.store(sheet.release(), std::memory_order_release);
  return quirksSheet.load(std::memory_order_relaxed);
}

void FreeDefaultStyleSheet() {
  std::lock_guard<std::mutex> guard(sheetLock);
  delete builtInSheet.exchange(nullptr);
  delete quirksSheet.exchange(nullptr);
}

THAlign AlignFromAttr(StringView Text) {
  if (Text.empty()) return thLeft;
  switch (AsciiLower(Text[0])) {
    case u'c': return thCenter;
    case u'j': return thJustify;
    case u'r': return thRight;
    case u'x': return thXCenter;
    default: return thLeft;
  }
}

int FontSizeFromAttr(StringView Text) {
  Text = TrimBlanks(Text);
  int n;
  if (Text.size() > 2 && Text.ends_with(u"px")) return readInteger(Text.substr(0, Text.size() - 2), n) ? n : 10;
  if (!readInteger(Text, n)) return 10;
  if (Text[0] == u'+') n += 3;
  static constexpr int sizes[] = {10, 10, 13, 16, 18, 24, 32, 48};
  if (n <= 0) return 10;
  return n <= 7 ? sizes[n] : n;
}

}  // namespace ht
