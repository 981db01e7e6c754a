// Paged output: a document laid out again for each page against the page
// box and painted page by page onto its surface, which for printing and PDF
// is a recording canvas (one display list per page). Page size and margins
// come from the caller, the @page rule or a doc-section element; running
// headers, footers and footnotes are drawn before each page's content.
#include <algorithm>
#include <cmath>
#include <memory>

#include "canvas/canvas.h"
#include "css/measure.h"
#include "document/computed_style.h"
#include "document/document.h"
#include "layout/flow.h"
#include "paint/element_paint.h"
#include "paint/paged_output.h"
#include "platform/rtl/numeric.h"

namespace ht {

namespace {

struct TPageSizeRow {
  const char16_t* Name;
  int Width, Height;
};

constexpr TPageSizeRow kPageSizes[] = {
    {u"A5", 148, 210},       {u"A4", 210, 297},        {u"A3", 297, 420},    {u"A2", 420, 594},
    {u"B5", 176, 250},       {u"B4", 250, 353},        {u"letter", 216, 279}, {u"legal", 216, 356},
    {u"ledger", 279, 432},   {u"9x11", 229, 279},      {u"10x11", 254, 279}, {u"folio", 216, 330},
    {u"executive", 184, 267}};

// Sizes beyond this (in millimetres) are no paper: they would make surfaces
// of absurd size, so they are clamped.
constexpr float kMaxPageMM = 5000;

const TPageSizeRow* findPageSize(StringView Name) {
  for (const TPageSizeRow& r : kPageSizes)
    if (Name == r.Name) return &r;
  return nullptr;
}

bool isBlank(char16_t C) { return C == u' ' || C == u'\t' || C == u'\r' || C == u'\n' || C == u'\f'; }

String trimmed(StringView S) {
  size_t b = 0, e = S.size();
  while (b < e && isBlank(S[b])) ++b;
  while (e > b && isBlank(S[e - 1])) --e;
  return String(S.substr(b, e - b));
}

// Takes the first blank-separated word off Text.
String takeWord(String& Text) {
  size_t b = 0;
  while (b < Text.size() && isBlank(Text[b])) ++b;
  size_t e = b;
  while (e < Text.size() && !isBlank(Text[e])) ++e;
  String word = Text.substr(b, e - b);
  Text.erase(0, std::min(Text.size(), e + 1));
  return word;
}

float surfaceScale(const THtDocument& D) {
  const float s = D.Surface ? D.Surface->ScaleFactor() : 1.0f;
  return std::isfinite(s) && s > 0 ? s : 1.0f;
}

float surfaceDPI(const THtDocument& D) {
  const int dpi = D.Surface ? D.Surface->DPI() : 96;
  return dpi > 0 ? float(dpi) : 96.0f;
}

// A usable page length in millimetres: positive and finite, at most
// kMaxPageMM; anything else is 0 (the caller's A4 fallback).
float saneMM(float MM) {
  if (!std::isfinite(MM) || MM <= 0) return 0;
  return std::min(MM, kMaxPageMM);
}

// One word as a CSS length in pixels; false when it is no length.
bool lengthPx(StringView Word, TMeasure& M, float& Px) {
  if (Word.empty()) return false;
  M.Parse(Word);
  if (M.GetAuto()) return false;
  Px = M.ToPixels();
  return std::isfinite(Px);
}

// The temporary "@page" element: styled from the document's sheet so that
// it receives the declarations of @page rules; removed and freed with the
// scope, also on failure.
class TPageRuleElement {
 public:
  explicit TPageRuleElement(THtDocument& D) : doc_(D) {
    auto e = std::make_unique<TElement>();
    e->SetTag(u"@page");
    elem_ = e.get();
    D.AddNode(std::move(e));
    elem_->Document = &D;
    elem_->SetStyleCalculated(false);
    elem_->CalcStyle(D.Styles.get());
  }
  ~TPageRuleElement() {
    try {
      doc_.DeleteChild(elem_);
    } catch (...) {
    }
  }
  TPageRuleElement(const TPageRuleElement&) = delete;
  TPageRuleElement& operator=(const TPageRuleElement&) = delete;
  TElement* operator->() const { return elem_; }
  TElementStyle* Style() const { return ElementStyleOf(elem_); }

 private:
  THtDocument& doc_;
  TElement* elem_;
};

float pageWidthForRunning(const THtDocument& D) {
  const float mm = D.PageWidthMM != 0 ? D.PageWidthMM : 210;
  return mm * surfaceDPI(D) / (surfaceScale(D) * 25.4f);
}

// Lays a running element (or footnote) out at the page's left edge and
// answers its height. A header or footer is drawn from the page's left
// edge, so it takes its width from the page's, not from its container's
// content column (its centred text stood off centre by the left margin); a
// footnote stands in the content's column.
float layoutRunning(THtDocument& D, TElement* E, bool SpansPage) {
  const float w = E->OuterRect.Right - E->OuterRect.Left;
  const float h = E->OuterRect.Bottom - E->OuterRect.Top;
  struct TPageWide {
    TStyledHTMLNode* C;
    float Saved;
    ~TPageWide() {
      if (C) C->InnerWidth = Saved;
    }
  } pageWide{SpansPage && E->Container != E ? E->Container : nullptr, 0};
  if (pageWide.C) {
    pageWide.Saved = pageWide.C->InnerWidth;
    pageWide.C->InnerWidth = D.PageWidthPixels;
  }
  E->SetFlag(efCompletelyDrawn, false, false, true);
  E->OuterRect = TRectF{0, 0, w > 0 ? w : D.PageWidthPixels, h > 0 ? h : 0};
  E->CalcBlockBoxes(nullptr);
  E->BeforeCalcLayout();
  E->CalcLayout();
  E->PlaceOutOfFlowElements();
  D.Changed = false;
  D.NeedRecalc = false;
  const float outer = E->OuterRect.Bottom - E->OuterRect.Top;
  const float height = std::max(E->ContentHeight + E->OuterDeltaY(), outer);
  return std::isfinite(height) ? height : 0;
}

TElement* firstSection(THtDocument& D) {
  for (TElement* e = D.NextElement(); e; e = e->NextElement())
    if (e->Tag() == u"doc-section") return e;
  return nullptr;
}

}  // namespace

// --- Page size and margins ------------------------------------------------------------

void THtDocument::GetPageBounds(TCSSOrientation CustomOrientation, const String& CustomPageSize, float) {
  if (Media != cmPrint) {
    Media = cmPrint;
    Paged = true;
    RecalcStyles();
  }
  {
    TPageRuleElement page(*this);
    TElementStyle* st = page.Style();
    const bool ownSize = st && st->IsSet(cspSize);
    if (ownSize || !CustomPageSize.empty()) {
      String text = !CustomPageSize.empty() ? CustomPageSize : trimmed(st->PageSize());
      String word = takeWord(text);
      String orientationWord;
      bool kept = false;
      if (const TPageSizeRow* row = findPageSize(word)) {
        PageWidthMM = float(row->Width);
        PageHeightMM = float(row->Height);
      } else {
        TMeasure m;
        m.Init(st);
        float px = 0;
        const float perPx = 25.4f * surfaceScale(*this) / surfaceDPI(*this);
        if (lengthPx(word, m, px)) {
          PageWidthMM = saneMM(float(RoundHalfEven(px)) * perPx);
          // One length makes a square page; a second word that is no
          // length keeps the first value and is dropped all the same.
          float hpx = px;
          if (!trimmed(text).empty()) lengthPx(takeWord(text), m, hpx);
          PageHeightMM = saneMM(float(RoundHalfEven(hpx)) * perPx);
        } else {
          orientationWord = word;
          kept = true;
        }
      }
      if (!kept) orientationWord = takeWord(text);
      Orientation = orientationWord == u"landscape" ? coLandscape : coPortrait;
      if (trimmed(text) == u"fit") FitInOnePage = true;
    }
  }
  if (CustomOrientation != coDefault) Orientation = CustomOrientation;
  if (Orientation == coLandscape && PageHeightMM > PageWidthMM) std::swap(PageWidthMM, PageHeightMM);
  if (!FRunningElements.empty()) {
    PageWidthPixels = pageWidthForRunning(*this);
    for (TElement* e : ChooseRunningElements()) {
      const int h = RoundHalfEven(layoutRunning(*this, e, true));
      const TElementStyle* s = ElementStyleOf(e);
      if (s && s->RunningBlock() == u"heading") PageMargins[0] = std::max(PageMargins[0], h);
      else PageMargins[2] = std::max(PageMargins[2], h);
    }
  }
}

void THtDocument::ApplySectionPageSize(const String& SizeText) {
  String text = SizeText;
  String word = takeWord(text);
  bool kept = false;
  if (const TPageSizeRow* row = findPageSize(word)) {
    PageWidthMM = float(row->Width);
    PageHeightMM = float(row->Height);
  } else {
    TMeasure m;
    m.Init(ElementStyleOf(this));
    float px = 0;
    auto wholeMM = [this](float Px) { return saneMM(float(RoundHalfEven(RoundHalfEven(Px) * 25.4 / surfaceDPI(*this)))); };
    if (lengthPx(word, m, px)) {
      PageWidthMM = wholeMM(px);
      float hpx = px;
      if (!trimmed(text).empty()) lengthPx(takeWord(text), m, hpx);
      PageHeightMM = wholeMM(hpx);
    } else {
      kept = true;
    }
  }
  if (!kept) word = takeWord(text);
  Orientation = word == u"landscape" ? coLandscape : coPortrait;
  // A length of no size (0mm, -5mm) would make the following pages hold
  // nothing: they fall back to A4, as a bad size does at the start.
  if (PageWidthMM == 0 || PageHeightMM == 0) {
    PageWidthMM = 210;
    PageHeightMM = 297;
  }
}

void THtDocument::CalcPageMargins() {
  for (int& m : PageMargins) m = 15;
  {
    TPageRuleElement page(*this);
    if (TElementStyle* st = page.Style()) {
      const TCSSProperty ids[4] = {cspMarginTop, cspMarginRight, cspMarginBottom, cspMarginLeft};
      const TMeasure values[4] = {st->MarginTop(), st->MarginRight(), st->MarginBottom(), st->MarginLeft()};
      for (int i = 0; i < 4; ++i)
        if (st->IsSet(ids[i])) {
          const float px = values[i].ToPixels();
          if (std::isfinite(px) && std::fabs(px) < 1e6f) PageMargins[i] = RoundHalfEven(px);
        }
    }
  }
  if (FCurrentSection) {
    String text = FCurrentSection->GetAttribute(u"margins");
    if (!trimmed(text).empty()) {
      TMeasure m;
      m.Init(ElementStyleOf(this));
      m.SetPixels(0.0f);
      float px = 0;
      for (int i = 0; i < 4; ++i) {
        const String word = i < 3 ? takeWord(text) : trimmed(text);
        float v = px;
        if (lengthPx(word, m, v) && std::fabs(v) < 1e6f) px = v;
        PageMargins[i] = RoundHalfEven(px);
      }
    }
  }
  if (FRunningElements.empty()) return;
  PageWidthPixels = pageWidthForRunning(*this);
  float top = 0, bottom = 0;
  if (auto* section = dynamic_cast<TPageBreakElement*>(FCurrentSection)) {
    if (TElement* h = section->Header()) top = std::max(top, layoutRunning(*this, h, true));
    if (TElement* f = section->Footer()) bottom = std::max(bottom, layoutRunning(*this, f, true));
  } else {
    for (TElement* e : ChooseRunningElements()) {
      const float h = layoutRunning(*this, e, true);
      const TElementStyle* s = ElementStyleOf(e);
      if (s && s->RunningBlock() == u"heading") top = std::max(top, h);
      else bottom = std::max(bottom, h);
    }
  }
  PageMargins[0] = std::max(PageMargins[0], RoundHalfEven(top));
  PageMargins[2] = std::max(PageMargins[2], RoundHalfEven(bottom));
}

std::vector<TElement*> THtDocument::ChooseRunningElements() {
  std::vector<TElement*> chosen;
  bool footer = false, heading = false;
  for (auto it = FRunningElements.rbegin(); it != FRunningElements.rend(); ++it) {
    TElement* e = *it;
    if (!e->IsOnPage(0)) continue;
    const TElementStyle* s = ElementStyleOf(e);
    const String name = s ? s->RunningBlock() : String();
    if ((name == u"footer" && footer) || (name == u"heading" && heading)) continue;
    chosen.push_back(e);
    if (name == u"footer") footer = true;
    else heading = true;
  }
  return chosen;
}

// --- The page loop --------------------------------------------------------------------

void THtDocument::BeginPaging(float APageWidthMM, float APageHeightMM, bool AFitInOnePage, int) {
  Media = cmPrint;
  FitInOnePage = AFitInOnePage;
  Page = -1;
  ForcedPage = 0;
  FSavedForcedPage = 0;
  PageWidthMM = saneMM(APageWidthMM);
  PageHeightMM = saneMM(APageHeightMM);
  if (Styles) {
    Styles->Parse(u".footnote:before {display: inline}", -1, false);
    Styles->TestMediaSets(cmPrint, ClientWidth, DeviceWidth);
  }
  FCurrentSection = firstSection(*this);
  GetPageBounds(coDefault, FCurrentSection ? FCurrentSection->GetAttribute(u"size") : String(), 4);
  if (saneMM(APageWidthMM) != 0) {
    PageWidthMM = saneMM(APageWidthMM);
    PageHeightMM = saneMM(APageHeightMM) != 0 ? saneMM(APageHeightMM) : PageWidthMM;
    if (Orientation == coLandscape && PageHeightMM > PageWidthMM) std::swap(PageWidthMM, PageHeightMM);
  }
  if (PageWidthMM == 0 || PageHeightMM == 0) {
    PageWidthMM = Orientation == coLandscape ? 297 : 210;
    PageHeightMM = Orientation == coLandscape ? 210 : 297;
  }
  const float toPx = surfaceDPI(*this) / (surfaceScale(*this) * 25.4f);
  PageWidthPixels = float(RoundHalfEven(PageWidthMM * toPx));
  PageHeightPixels = float(RoundHalfEven(PageHeightMM * toPx));
  Paged = true;
  CalcPageMargins();
  ClientWidth = std::max(0, RoundHalfEven(PageWidthPixels - float(PageMargins[1] + PageMargins[3])));
  ClientHeight = std::max(0, RoundHalfEven(PageHeightPixels - float(PageMargins[0] + PageMargins[2])));
  RecalcStyles();
  CalcSize(TRect(0, 0, RoundHalfEven(double(DPI()) * ClientWidth / 96), RoundHalfEven(double(DPI()) * ClientHeight / 96)));
  if (Surface) {
    Surface->BeginPaging(PageWidthMM, PageHeightMM, DPI());
    PageWidthPixels = float(Surface->PageWidthPixels()) / surfaceScale(*this);
    PageHeightPixels = float(Surface->PageHeightPixels()) / surfaceScale(*this);
  }
  if (FitInOnePage) {
    const TRect r(0, 0, RoundHalfEven(PageWidthMM * toPx), RoundHalfEven(PageHeightMM * toPx));
    CalcSize(r);
    while (FShrinkFactor > 0.5f && OuterRect.Bottom * 25.4f / surfaceDPI(*this) > PageHeightMM) {
      FShrinkFactor *= 0.95f;
      RecalcStyles();
      CalcSize(r);
    }
  }
  FNextPageOrientation = coDefault;
  CalcStyle(Styles.get());
  if (!FDocFlow) FDocFlow = std::make_unique<TFlow>(this);
  else FDocFlow->Reset();
  CalcPageMargins();
  InnerWidth = PageWidthPixels - OuterDeltaX() - InnerDeltaX() - float(PageMargins[1] + PageMargins[3]);
  InnerHeight = PageHeightPixels - OuterDeltaY() - InnerDeltaY() - float(PageMargins[0] + PageMargins[2]);
  CalcBoxes(FDocFlow.get());
  BeforeCalcLayout();
}

bool THtDocument::NextPage(int TopOffset) {
  FSavedForcedPage = ForcedPage;
  ++Page;
  // Asked before a surface page is added, so a refused page leaves none.
  if (OnNewPage && !OnNewPage(this, Page)) return false;
  const float scale = surfaceScale(*this);
  if (Page > 0 && Surface) {
    Surface->SetPageWidthMM(PageWidthMM);
    Surface->SetPageHeightMM(PageHeightMM);
    Surface->NewPage(FNextPageOrientation);
    FNextPageOrientation = coDefault;
    PageWidthPixels = float(Surface->PageWidthPixels()) / scale;
    PageHeightPixels = float(Surface->PageHeightPixels()) / scale;
    PageWidthMM = Surface->PageWidthMM();
    PageHeightMM = Surface->PageHeightMM();
  }
  CalcPageMargins();
  PageMargins[2] += TopOffset;
  const int left = PageMargins[3], right = PageMargins[1], top = PageMargins[0], bottom = PageMargins[2];
  ClientWidth = std::max(0, RoundHalfEven(PageWidthPixels - float(right + left)));
  ClientHeight = std::max(0, RoundHalfEven(PageHeightPixels));
  SetFlag(efCompletelyDrawn, true, false, true);
  FPagingBreak = false;
  InnerWidth = PageWidthPixels - float(right + left) - OuterDeltaX() - InnerDeltaX();
  InnerHeight = PageHeightPixels - float(top + bottom) - OuterDeltaY() - InnerDeltaY();
  OuterRect = TRectF{0, 0, PageWidthPixels - float(right + left), PageHeightPixels - float(top + bottom)};
  CalcRects();
  Container = this;
  CalcLayout();
  PlaceOutOfFlowElements();
  Changed = false;
  NeedRecalc = false;
  const TRect viewPort(left, top, RoundHalfEven(PageWidthPixels) - right, RoundHalfEven(PageHeightPixels) - bottom);
  const TRect clip(0, 0, RoundHalfEven(PageWidthPixels * scale), RoundHalfEven(PageHeightPixels * scale));
  Draw(nullptr, viewPort, clip, 0, 0, 0);
  if (HasFlag(efCompletelyDrawn) || !FPagingBreak) return false;
  if (RoundHalfEven(PageHeightPixels) - PageMargins[2] < 0) return false;
  ForcedPage = FSavedForcedPage;
  return true;
}

void THtDocument::EndPaging() {
  if (Surface) Surface->EndPaging();
}

void THtDocument::GeneratePagesForPrint(float APageWidthMM, float APageHeightMM, bool AFitInOnePage,
                                        int ATopOffset) {
  auto pass = [&] {
    FPageCountShown = false;
    BeginPaging(APageWidthMM, APageHeightMM, AFitInOnePage, ATopOffset);
    // A page that places nothing new ends the loop (NextPage answers false),
    // so this cannot run forever; the bound is a last guard.
    for (int guard = 0; guard < 100000 && NextPage(0); ++guard) {
    }
    EndPaging();
  };
  struct TForget {
    THtDocument& D;
    ~TForget() { D.FKnownPageCount = 0; }
  } forget{*this};
  FKnownPageCount = 0;
  pass();
  // Text naming the page count was laid out around the placeholder that
  // the surface replaced: centred or right-aligned, it stands off its
  // place. The pages are made again with the count written in; should
  // that change the count, once more, and if it still moves, the
  // placeholder's pages stand (their count is right).
  for (int again = 0; again < 2 && FPageCountShown && Surface; ++again) {
    const int counted = Surface->PageCount();
    if (counted == FKnownPageCount) return;
    FKnownPageCount = counted;
    pass();
    if (Surface->PageCount() == counted) return;
  }
  if (FKnownPageCount != 0 && Surface && Surface->PageCount() != FKnownPageCount) {
    FKnownPageCount = 0;
    pass();
  }
}

// --- Running elements and footnotes ----------------------------------------------------

void THtDocument::DrawFootnotes() {
  if (FFootNotes.empty()) return;
  THtDrawInfo di{};
  float total = 0;
  std::vector<float> heights;
  for (TElement* e : FFootNotes) {
    const float h = float(RoundHalfEven(layoutRunning(*this, e, false)));
    heights.push_back(h);
    total += h;
  }
  FFootnoteHeight = total;
  float y = 0;
  for (size_t i = 0; i < FFootNotes.size(); ++i) {
    TElement* e = FFootNotes[i];
    const float w = e->OuterRect.Right - e->OuterRect.Left, h = e->OuterRect.Bottom - e->OuterRect.Top;
    e->OuterRect = TRectF{float(PageMargins[3]), y, float(PageMargins[3]) + w, y + h};
    e->Draw(FDocFlow.get(), di);
    y += heights[i];
  }
  FFootNotes.clear();
}

void THtDocument::DrawRunningElement(TElement* E) {
  E->SetStyleCalculated(false);
  E->CalcStyle(Styles.get());
  layoutRunning(*this, E, true);
  THtDrawInfo di{};
  E->Draw(FDocFlow.get(), di);
  E->SetFlag(efCompletelyDrawn, true, false, true);
}

void THtDocument::DrawRunningElements() {
  if (FRunningElements.empty()) return;
  const bool hadContent = FPagingBreak;
  struct TRestore {
    THtDocument& D;
    bool Content;
    ~TRestore() {
      D.FCalculatingStyle = false;
      D.FPagingBreak = Content;
    }
  } restore{*this, hadContent};
  FCalculatingStyle = true;
  if (auto* section = dynamic_cast<TPageBreakElement*>(FCurrentSection)) {
    if (TElement* h = section->Header()) DrawRunningElement(h);
    if (TElement* f = section->Footer()) DrawRunningElement(f);
    return;
  }
  for (TElement* e : ChooseRunningElements()) DrawRunningElement(e);
}

// --- Painting services of paged output --------------------------------------------------

float BasePageBottom(THtDocument& Doc) {
  if (!Doc.Paged) return Doc.InnerRect().Bottom - Doc.FDocOffsetY;
  const float innerGap = Doc.OuterRect.Bottom - Doc.InnerRect().Bottom;
  return Doc.PageHeightPixels - Doc.FDocOffsetY - float(Doc.PageMargins[2]) - float(Doc.PageMargins[0]) -
         (std::isfinite(innerGap) ? innerGap : 0);
}

void BaseApplyPageOrientation(TElement& E) {
  if (!E.Document) return;
  const String& o = E.GetAttribute(u"orientation");
  if (o == u"portrait") E.Document->FNextPageOrientation = coPortrait;
  else if (o == u"landscape") E.Document->FNextPageOrientation = coLandscape;
}

void DrawAnchors(TElement& E, const THtDrawInfo&) {
  THtDocument* doc = E.Document;
  THtCanvas* G = SurfaceOf(E);
  if (!doc || !G || !doc->Paged || E.HasFlag(efDrawn)) return;
  const String& id = E.GetAttribute(u"id");
  if (id.empty()) return;
  const int lines = std::max(1, E.EndLine() - E.StartLine() + 1);
  for (int i = 0; i < lines; ++i) G->DrawLink(Moved(E.Rects(i), E.SurfaceLeft(), E.SurfaceTop()), id, true);
}

void DrawLinkAreas(TElement& E) {
  THtDocument* doc = E.Document;
  THtCanvas* G = SurfaceOf(E);
  if (!doc || !G || !doc->Paged) return;
  const String href = E.GetAttribute(u"href");
  G->BeginLink(href, E.GetAttribute(u"title"));
  const int lines = std::max(1, E.EndLine() - E.StartLine() + 1);
  for (int i = 0; i < lines; ++i) G->DrawLink(Moved(E.Rects(i), E.SurfaceLeft(), E.SurfaceTop()), href, false);
}

}  // namespace ht
