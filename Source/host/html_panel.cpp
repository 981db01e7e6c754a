#include "host/html_panel.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <climits>
#include <chrono>
#include <cmath>
#include <cstring>
#include <mutex>

#include "canvas/canvas.h"
#include "canvas/colors.h"
#include "document/global.h"
#include "document/script_adapter.h"
#include "host/float_window.h"
#include "host/panel_web.h"
#include "host/virtual_sources.h"
#include "platform/d2d/d2d.h"
#include "platform/gdi/gdi_canvas.h"
#include "platform/rtl/code_pages.h"
#include "platform/rtl/numeric.h"
#include "platform/ui/application.h"
#include "platform/ui/element_scroll_bar.h"
#include "platform/ui/find_dialogs.h"
#include "platform/ui/gtk_form_controls.h"

namespace ht {

namespace {

// Windows' MulDiv: the product divided with halves rounded away from zero.
int mulDiv(int A, int B, int C) {
  const double v = double(A) * B / C;
  return int(v < 0 ? -std::floor(-v + 0.5) : std::floor(v + 0.5));
}

int lowWord(intptr_t W) { return int(W & 0xFFFF); }

// Document pixels truncated to an int; sizes past the int range (at an
// extreme zoom) saturate.
int pixels(double V) {
  if (!(V == V)) return 0;
  return int(std::clamp(std::trunc(V), double(INT_MIN), double(INT_MAX)));
}

int64_t nowMicros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool startsWith(StringView S, StringView Prefix) { return S.substr(0, Prefix.size()) == Prefix; }

// The panel whose Paint is drawing its document. A Direct2D scene on the
// panel's window presents its frame during that call; the frame becomes
// the panel's picture, as a GDI+ scene's drawing on the panel's canvas does.
thread_local THtPanel* paintingPanel = nullptr;

void installPresentSink() {
  static std::once_flag once;
  std::call_once(once, [] {
    d2d::SetPresentSink([](d2d::HWND Window, const core::TCoreSurface& Front) {
      THtPanel* p = paintingPanel;
      if (!p || Window != reinterpret_cast<uintptr_t>(p->Handle()) || !p->Canvas()) return;
      gdi::HDC dc = p->Canvas()->Handle();
      if (!dc || !dc->Bitmap) return;
      core::TCoreSurface& to = dc->Bitmap->Surface;
      auto& from = const_cast<core::TCoreSurface&>(Front);
      from.Flush();
      to.Flush();
      const int w = std::min(to.Width(), from.Width()), h = std::min(to.Height(), from.Height());
      for (int y = 0; y < h; ++y) std::memcpy(to.ScanLine(y), from.ScanLine(y), size_t(w) * 4);
      to.MarkDirty();
    });
  });
}

}  // namespace

// ---------------------------------------------------------------- style hook

void THtScrollingStyleHook::DrawVertScroll(gdi::HDC DC) {
  auto* panel = dynamic_cast<THtPanel*>(&Control());
  if (panel && panel->fVScrollBarPaint) panel->fVScrollBarPaint(this, DC);
}

// ---------------------------------------------------------------- creation

THtPanel::THtPanel(bool AOwnerLoading) : FLoading(AOwnerLoading) {
  fActive = true;
  ShowHint = true;
  fAllowFocus = true;
  fWebLoading = true;
  fCleartype = true;
  FAllowScaling = true;
  FontHeight = 16;
  FontName = u"Tahoma";
  // A high-DPI screen doubles the pixels of a point: the zoom's 100 %
  // follows it.
  CurrentDPI = 96 * std::max(1, ScaleFactor());
  DocumentClass = [](const THtCanvasClass* C, bool Threaded) { return std::make_unique<THtDocument>(C, Threaded); };
  FStyles = std::make_unique<TStringList>();
  FScript = std::make_unique<TStringList>();
  fHTML = std::make_unique<TStringList>();
  // No touch digitizer is ever reported here, so dragging scrolls.
  fTouchScroll = true;
  CreateWnd();
  if (!AOwnerLoading) Loaded();
  CurrentDPI = 96;
  FScaleMin = 10.0f;
  FScaleMax = 1000.0f;
  AttachStyleHook("THtPanel");
}

THtPanel::~THtPanel() {
  FDestroying = true;
  unsubscribe();
  FLiveness.Kill();
  FDoc.reset();
  fHTML.reset();
  FStyles.reset();
  FScript.reset();
  fInetClient.reset();
  fUrlClickList.clear();
  HtFloatHint.reset();
}

void THtPanel::Loaded() {
  FLoading = false;
  connectLists();
}

void THtPanel::SetParent(ui::TForm* AParent) {
  if (AParent && AParent != FParent) AParent->InsertControl(*this);
  FParent = AParent;
  if (!FLoading && AParent) connectLists();
}

void THtPanel::connectLists() {
  for (TStringList* l : {fHTML.get(), FStyles.get(), FScript.get()}) l->OnChange = [this] { HTMLChanged(); };
  HTMLChanged();
}

void THtPanel::CreateWnd() {
  VBarVisible = FVScrollBar != hsbNone;
  HBarVisible = FHScrollBar != hsbNone;
  SetScrollBars(VBarVisible, HBarVisible);
  FLastAdjustWidth = 0;
  FLastAdjustHeight = 0;
  UpdateScrollBars();
}

void THtPanel::RecreateWnd() {
  ui::UiTrace().Add("RecreateWnd");
  CreateWnd();
}

// ---------------------------------------------------------------- rebuild

String THtPanel::GetHTMLText() { return !FDirectHTML.empty() ? FDirectHTML : fHTML->Text(); }

void THtPanel::HTMLChanged() {
  float oldScale = float(CurrentDPI) / 96.0f;
  uint32_t oldColor = 0;
  if (FDoc) {
    oldScale = scale();
    oldColor = FDoc->DefaultBackgroundColor;
  }
  if (FInDocEvent) {
    FHTMLChanged = true;
    return;
  }
  FInSmoothScroll = false;
  FInSmoothZoom = false;
  unsubscribe();
  FHTMLChanged = false;
  fUrlClickList.clear();
  FHintStr = Hint;
  HintElement = nullptr;
  fPopupMenuOrigin = nullptr;
  FDoc.reset();
  if (!FParent) return;
  CreateDocument();
  if (oldColor != 0) FDoc->DefaultBackgroundColor = oldColor;
  if (FDoc->Surface) FDoc->Surface->SetScaleFactor(oldScale);
  FDoc->Styles->Parse(FStyles->Text(), -1, false);
  if (FScript->Count() > 0)
    if (THtScriptAdapter* adapter = FDoc->ScriptAdapter()) adapter->AddScript(FScript->Text(), u"passcript");
  FDoc->Control = this;
  THtmlEncoding encoding = fForcedEncoding;
  if (fHTML->Encoding() == TStringList::teUTF8) encoding = heUTF8;
  else if (fHTML->Encoding() == TStringList::teUTF16LE) encoding = heUTF16;
  const String text = GetHTMLText();
  if (FClearHTMLAfterLoad) {
    auto change = std::move(fHTML->OnChange);
    fHTML->OnChange = nullptr;
    fHTML->Clear();
    fHTML->OnChange = std::move(change);
  }
  FDoc->Parse(text, encoding, fForcedCodePage);
  {
    // Drawing is not locked here: GTK draws only from the main loop, which
    // does not run during the rebuild.
    struct TFinally {
      THtPanel* P;
      ~TFinally() {
        if (P->HasChildControls()) ui::UiTrace().Add("InvalidateChildren");
        P->Repaint();
      }
    } finally{this};
    TRect viewport = ClientRect();
    viewport.Bottom = viewport.Top + ViewportHeight();
    FDoc->CalcSize(viewport);
    if (fAutoHeight) {
      const double h = std::nearbyint(double(FDoc->ContentHeight) * CurrentDPI / 96);
      if (!(std::fabs(h) <= 2147483647.0)) throw ERangeError(u"Range check error");
      gtk_widget_set_size_request(Handle(), -1, int(h));
    }
    if (!FPreservePositionOnHTMLChange) {
      OffsetX = 0;
      OffsetY = 0;
    }
  }
  UpdateScrollBars();
  FDoc->OnSizeChanged = [this](THtObject*) { DocumentSizeChanged(); };
  if (PopupMenu && !PopupMenu->OnPopup) {
    fPopupMenuSave = PopupMenu->OnPopup;
    PopupMenu->OnPopup = [this](ui::TPopupMenu& Menu) { PopupMenuPopup(Menu); };
  }
}

void THtPanel::CreateDocument() {
  FDoc = DocumentClass(FCanvasClass, true);
  THtDocument& d = *FDoc;
  d.CurrentFile = fCurrentFile;
  d.OnRepaint = [this](THtObject*) { DoRepaint(); };
  d.OnClick = [this](THtObject* Sender) { DoClick(Sender); };
  d.OnURLEnter = [this](TElement* E) {
    if (fOnUrlEnter) fOnUrlEnter(E);
  };
  d.OnURLExit = [this](TElement* E) {
    if (fOnUrlExit) fOnUrlExit(E);
  };
  d.OnElementEnter = [this](TElement* E) { DoElementEnter(E); };
  d.OnElementExit = [this](TElement* E) { DoElementExit(E); };
  d.OnElementResizeEnd = [this](TElement* E) {
    if (fOnElementResizeEnd) fOnElementResizeEnd(E);
  };
  d.OnGetUrl = [this](THtDocument* Sender, const String& Url, TElement* E) { return DoGetURL(Sender, Url, E); };
  d.OnGetImage = [this](THtDocument* Sender, const String& Url, TElement* E) { return DoGetImage(Sender, Url, E); };
  d.OnGetImageObject = [this](THtDocument* Sender, const String& Url, TElement* E) {
    return DoGetImageObject(Sender, Url, E);
  };
  d.LazyImageLoading = fLazyImageLoading;
  d.BackgroundImageLoading = fBackgroundImageLoading;
  d.TouchEnabled = false;
  d.SetDPI(CurrentDPI);
  d.SelectHandleStyle = fSelectHandleStyle;
  d.OnAnimationEnd = [this](THtDocument* Sender, TAbstractAnimation* A) {
    if (fOnAnimationEnd) fOnAnimationEnd(Sender, A);
  };
  d.TagObject = TagObject;
  d.EditorMode = fEditorMode;
  d.EnableSelection = fEnableSelection;
  GdkRectangle screen{0, 0, 0, 0};
  if (GdkDisplay* display = gdk_display_get_default())
    if (GdkMonitor* m = gdk_display_get_primary_monitor(display) ? gdk_display_get_primary_monitor(display)
                                                                 : gdk_display_get_monitor(display, 0))
      gdk_monitor_get_geometry(m, &screen);
  d.DeviceWidth = screen.width;
  d.OnElementDeleted = [this](TElement* E) { DoElementDeleted(E); };
  d.Transparent = fTransparent;
  d.Active = fActive;
  d.SetQuirksModeSelector(FQuirksModeSelector);
  d.HighlightTextColor = fHighlightTextColor;
  d.AdaptiveZoom = FAdaptiveZoom;
  {
    gdi::TCanvas probe;
    probe.Font.SetName(FontName);
    probe.Font.SetHeight(FontHeight);
    gdi::TEXTMETRICW tm;
    if (probe.GetTextMetrics(tm) && (tm.tmPitchAndFamily & 0x0F & gdi::TMPF_TRUETYPE)) d.FDefaultFontName = FontName;
  }
  d.DefaultFontSize = defaultFontSize();
  d.DefaultBackgroundColor = TColorToARGB(PanelColor);
  d.FDefaultTextColor = TColorToARGB(FontColor);
}

float THtPanel::defaultFontSize() const {
  // Points from the pixel height, as the platform font reports them.
  const int points = std::abs(mulDiv(FontHeight, 72, FontPixelsPerInch));
  double size = points * 1.3333333333333333;
  if (FontPixelsPerInch != CurrentDPI) size *= double(FontPixelsPerInch) / CurrentDPI;
  return float(size);
}

void THtPanel::SetFont(StringView Name, int Height) {
  FontName = String(Name);
  FontHeight = Height;
  if (!FDoc) return;
  FDoc->DefaultFontSize = defaultFontSize();
  FDoc->FDefaultFontName = FontName;
  FDoc->RecalcStyles();
  FDoc->Recalc();
  Repaint();
}

void THtPanel::SetPanelColor(TColor Value) {
  PanelColor = Value;
  Color = TColorToARGB(Value) & 0xFFFFFF;
  if (!FDoc) return;
  FDoc->DefaultBackgroundColor = TColorToARGB(Value);
  FDoc->RecalcStyles();
  Repaint();
}

void THtPanel::VisibleChanging(bool Value) {
  if (FDoc) FDoc->FVisible = Value;
}

void THtPanel::WMUser1() {
  if (!FDoc) return;
  if (FDoc->Changed) {
    FDoc->CalcStyle(FDoc->Styles.get());
    FDoc->Changed = false;
  }
  if (FDoc->NeedRecalc) FDoc->Recalc();
  Repaint();
}

void THtPanel::LoadFromFile(const String& FileName) {
  if (startsWith(FileName, u"http:") || startsWith(FileName, u"https:")) {
    LoadFromURL(FileName);
    return;
  }
  fCurrentFile = FileName;
  fHTML->LoadFromFile(FileName);
}

void THtPanel::LoadFromURL(const String& URL) {
  THtPanelWeb& client = InetClient();
  fCurrentFile = URL;
  fHTML->SetText(client.Get(URL));
}

void THtPanel::LoadFromString(const String& S, THtmlEncoding AEncoding, int ACodePage) {
  fForcedEncoding = AEncoding;
  fForcedCodePage = ACodePage;
  FDirectHTML = S;
  struct TFinally {
    THtPanel* P;
    ~TFinally() {
      P->FDirectHTML.clear();
      P->fForcedEncoding = heDefault;
      P->fForcedCodePage = 0;
    }
  } finally{this};
  HTMLChanged();
}

void THtPanel::LoadfromResource(const String& AResourceName, THtmlEncoding AEncoding) {
  THtBytes bytes;
  THtVirtualImageRes resources;
  if (!resources.GetImage(AResourceName + u":23", bytes, 0))
    throw EResNotFound(u"Resource %s not found", AResourceName);
  String text;
  if (AEncoding == heUTF8 || AEncoding == heANSI) {
    text = AnsiToString(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  } else {
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) text.push_back(char16_t(bytes[i] | bytes[i + 1] << 8));
  }
  LoadFromString(text, AEncoding, 0);
}

std::unique_ptr<ui::TScrollBar> THtPanel::CreateScrollBar() {
  return std::make_unique<ui::TElementScrollBar>(*this);
}

std::unique_ptr<ui::TFormControl> THtPanel::CreateFormControl(ui::TFormControlKind Kind) {
  return ui::CreateGtkFormControl(*this, Kind);
}

void THtPanel::NotifyDocumentChanged() {
  fUrlClickList.clear();
  HintElement = nullptr;
  fPopupMenuOrigin = nullptr;
}

void THtPanel::EndDocEvent() {
  FInDocEvent = false;
  if (FHTMLChanged) HTMLChanged();
}

// ---------------------------------------------------------------- callbacks

void THtPanel::DoRepaint() {
  if (FDestroying || !Visible()) return;
  // A hover that changed only colours asks for its boxes alone.
  if (FDoc && FDoc->FDamageOnly && !FDoc->FWholeRepaintPending && !FDoc->DamageRects.empty()) {
    for (const TRect& r : FDoc->DamageRects) InvalidateRect(r);
    return;
  }
  Invalidate();
}

void THtPanel::DoElementDeleted(TElement* E) {
  if (fPopupMenuOrigin == E) fPopupMenuOrigin = nullptr;
  for (size_t i = fUrlClickList.size(); i-- > 0;)
    if (fUrlClickList[i] == E) fUrlClickList.erase(fUrlClickList.begin() + ptrdiff_t(i));
}

void THtPanel::DocumentSizeChanged() {
  const int width = ClientWidth();
  UpdateScrollBars();
  if (ClientWidth() != width && FDoc) {
    FDoc->FViewPort.Right = FDoc->FViewPort.Left + float(ClientWidth());
    FDoc->NeedRecalc = true;
  }
  if (fAutoHeight && !FLoading && Visible() && FDoc)
    gtk_widget_set_size_request(Handle(), -1, int(std::nearbyint(double(FDoc->ContentHeight) * CurrentDPI / 96)));
}

// ---------------------------------------------------------------- setters

void THtPanel::SetVerticalScrollBar(THtScrollbar Value) {
  if (Value == FVScrollBar) return;
  FVScrollBar = Value;
  RecreateWnd();
}

void THtPanel::SetHorizontalScrollBar(THtScrollbar Value) {
  if (Value == FHScrollBar) return;
  FHScrollBar = Value;
  RecreateWnd();
}

void THtPanel::SetAutoHeight(bool Value) {
  fAutoHeight = Value;
  AdjustSize();
}

void THtPanel::SetTransparent(bool Value) {
  fTransparent = Value;
  if (FDoc) {
    FDoc->NeedRepaint = true;
    Repaint();
  }
}

void THtPanel::SetHighlightTextColor(uint32_t Value) {
  fHighlightTextColor = Value;
  if (FDoc) FDoc->HighlightTextColor = Value;
}

void THtPanel::SetEnableSelection(bool Value) {
  fEnableSelection = Value;
  if (FDoc) FDoc->EnableSelection = Value;
  if (Value) fTouchScroll = false;
}

void THtPanel::SetQuirksModeSelector(THtQuirksMode Value) {
  FQuirksModeSelector = Value;
  if (FDoc) FDoc->SetQuirksModeSelector(Value);
}

void THtPanel::SetAdaptiveZoom(bool Value) {
  FAdaptiveZoom = Value;
  if (FDoc) FDoc->AdaptiveZoom = Value;
}

void THtPanel::SetCanvasClass(const THtCanvasClass* Value) {
  FCanvasClass = Value;
  if (FDoc) FDoc->CanvasClass = Value;
  RecreateWnd();
  if (FDoc) FDoc->Refresh();
}


// ---------------------------------------------------------------- painting

float THtPanel::scale() const { return FDoc && FDoc->Surface ? FDoc->Surface->ScaleFactor() : 1.0f; }

float THtPanel::snap(float X) const {
  const THtCanvasClass* c = FDoc ? FDoc->CanvasClass : nullptr;
  if (!c || !c->GetFlags().Contains(hcfIntCoordinates)) return X;
  const float s = scale();
  return float(RoundHalfEven(X / s)) * s;
}

void THtPanel::Repaint() {
  if (FDoc) FDoc->ResetCache();
  Invalidate();
}

void THtPanel::Paint() {
  if (FDestroying || FLoading || !Visible()) return;
  if (!FDoc) {
    ui::TCustomPanel::Paint();
    return;
  }
  if (FDoc->Painting) return;
  const TRect r = ClientRect();
  const TRect c = CanvasClipRect();
  const bool meets = r.Left < c.Right && c.Left < r.Right && r.Top < c.Bottom && c.Top < r.Bottom;
  if (!meets && (c.Right > c.Left || c.Bottom > c.Top)) return;
  if (FDoc->Surface) {
    FDoc->Surface->Scene.ScrollX = float(FScrollDX);
    FDoc->Surface->Scene.ScrollY = float(FScrollDY);
  }
  FScrollDX = 0;
  FScrollDY = 0;
  const int64_t start = nowMicros();
  const float s = scale();
  installPresentSink();
  {
    paintingPanel = this;
    struct TDone {
      ~TDone() { paintingPanel = nullptr; }
    } done;
    FDoc->Draw(Canvas(), r, c, -float(OffsetX) / s, -float(OffsetY) / s,
               fTransparent ? 0 : reinterpret_cast<uintptr_t>(Handle()));
  }
  if (FDoc->Surface) {
    FDoc->Surface->Scene.ViewPort.Bottom = r.Top + ViewportHeight();
    FDoc->Surface->Scene.ScrollX = 0;
    FDoc->Surface->Scene.ScrollY = 0;
  }
  LastPaintTime = (nowMicros() - start + 500) / 1000;
  FLastFullPaintTime = tickCount();
  const THtCanvasClass* cc = FDoc->CanvasClass;
  if (LastPaintTime < 10 && !(cc && cc->GetFlags().Contains(hcfHasVSync))) DwmFlush();
  if (FDoc->NeedRepaint) Invalidate();
  if (fAfterPaint) fAfterPaint(this);
}

// ---------------------------------------------------------------- scrolling

int THtPanel::DocumentPixelWidth() {
  if (!FDoc) return 0;
  const float s = scale();
  if (FDoc->AdaptiveZoom) return std::max(FDoc->DocumentWidth, pixels(double(FDoc->ContentWidth) * s));
  return pixels(double(std::max(FDoc->OuterRect.Right - FDoc->OuterRect.Left, FDoc->ContentWidth)) * s);
}

int THtPanel::DocumentPixelHeight() {
  if (!FDoc) return 0;
  const float s = scale();
  if (FDoc->AdaptiveZoom) return std::max(FDoc->DocumentHeight, pixels(double(FDoc->ContentHeight) * s));
  return pixels(double(std::max(FDoc->OuterRect.Bottom - FDoc->OuterRect.Top, FDoc->ContentHeight)) * s);
}

int THtPanel::ViewportHeight() { return ClientHeight(); }

TPoint THtPanel::Screen2Doc(int X, int Y) {
  if (!FDoc) return TPoint{0, 0};
  int wx = 0, wy = 0;
  if (GdkWindow* w = gtk_widget_get_window(Handle())) {
    int ox = 0, oy = 0;
    gdk_window_get_origin(w, &ox, &oy);
    GtkAllocation a;
    gtk_widget_get_allocation(Handle(), &a);
    wx = ox + a.x;
    wy = oy + a.y;
  }
  const float s = scale();
  return TPoint{RoundHalfEven((X - wx + OffsetX) / s), RoundHalfEven((Y - wy + OffsetY) / s)};
}

void THtPanel::Scroll(float DX, float DY, bool AUpdateScrollBars) {
  const int h = DocumentPixelHeight(), w = DocumentPixelWidth();
  const int cw = ClientWidth(), ch = ClientHeight();
  if (!FScaleFromCenter) {
    if (ch >= h) DY = -float(OffsetY);
    if (cw >= w) DX = -float(OffsetX);
  }
  if (DX == 0 && DY == 0) return;
  int nx = RoundHalfEven(snap(float(OffsetX) + DX));
  int ny = RoundHalfEven(snap(float(OffsetY) + DY));
  if (!FScaleFromCenter) {
    if (int64_t(w) - nx < cw) nx = w - cw;
    if (int64_t(h) - ny < ch) ny = h - ch;
    nx = std::max(nx, 0);
    ny = std::max(ny, 0);
  }
  // Offsets far apart (FScaleFromCenter leaves them unclamped) differ by
  // more than an int holds.
  const int dx = int(std::clamp<int64_t>(int64_t(nx) - OffsetX, INT_MIN + 1, INT_MAX));
  const int dy = int(std::clamp<int64_t>(int64_t(ny) - OffsetY, INT_MIN + 1, INT_MAX));
  OffsetX = nx;
  OffsetY = ny;
  if (FDoc) FDoc->ResetCache();
  const THtCanvasClass* cc = FDoc ? FDoc->CanvasClass : nullptr;
  const bool fullCanvas = cc && cc->GetFlags().Contains(hcfFullRepaint);
  const bool fullDoc = FDoc && FDoc->NeedFullRepaint();
  if (std::abs(dy) >= ch || std::abs(dx) >= cw || fullDoc || (FDoc && (FDoc->NeedRecalc || FDoc->NeedRepaint)) ||
      fullCanvas) {
    if (!fullDoc && !fullCanvas) ScrollWindowEx(-dx, -dy);
    FScrollDX = int(std::clamp<int64_t>(int64_t(FScrollDX) + dx, INT_MIN, INT_MAX));
    FScrollDY = int(std::clamp<int64_t>(int64_t(FScrollDY) + dy, INT_MIN, INT_MAX));
    Invalidate();
  } else if (dx != 0 || dy != 0) {
    FScrollDX = int(std::clamp<int64_t>(int64_t(FScrollDX) + dx, INT_MIN, INT_MAX));
    FScrollDY = int(std::clamp<int64_t>(int64_t(FScrollDY) + dy, INT_MIN, INT_MAX));
    ScrollWindowEx(-dx, -dy);
  }
  if (AUpdateScrollBars) UpdateScrollBars();
  if (FOnScroll) FOnScroll(this);
  if (FDoc) FDoc->RunImmediateEvent(u"scroll");
}

void THtPanel::PageUp() { Scroll(0, -float(Height()), true); }

void THtPanel::PageDown() { Scroll(0, float(Height()), true); }


void THtPanel::UpdateScrollBars() {
  if (!FDoc || (!VBarVisible && !HBarVisible)) return;
  const int cw = ClientWidth(), ch = ClientHeight();
  int h = DocumentPixelHeight();
  if (ch > h && OffsetY != 0 && !FScaleFromCenter) Scroll(0, -float(OffsetY), false);
  if (VBarVisible) {
    ui::SCROLLINFO si;
    si.fMask = 23;
    GetScrollInfo(ui::SB_VERT, si);
    // In 64 bits: offsets left unclamped (FScaleFromCenter) may lie far out.
    int64_t range = h;
    if (OffsetY > 0) range = std::max<int64_t>(h, int64_t(ch) + OffsetY);
    else if (range - OffsetY > ch) range -= OffsetY;
    h = int(std::min<int64_t>(range, INT_MAX));
    si.nMax = h == ch ? h - 1 : h == ch + 1 ? h - 2 : h;
    si.nMin = 0;
    si.nPage = unsigned(std::max(ch, 0));
    si.nPos = si.nTrackPos != si.nPos && si.nTrackPos != 0 ? si.nTrackPos : OffsetY;
    SetScrollInfo(ui::SB_VERT, si, true);
  }
  if (HBarVisible) {
    const float s = scale();
    int w = pixels(double(std::max(float(FDoc->DocumentWidth), FDoc->ContentWidth + FDoc->OuterDeltaX() + FDoc->InnerDeltaX())) * s);
    if (cw >= w && OffsetX != 0 && !FScaleFromCenter) Scroll(-float(OffsetX), 0, false);
    ui::SCROLLINFO si;
    si.fMask = 23;
    GetScrollInfo(ui::SB_HORZ, si);
    if (int64_t(w) <= int64_t(cw) + 1) w = int(std::max<int64_t>(int64_t(w) - 2, INT_MIN));
    if (si.nPos != OffsetX || si.nMax != w) {
      si.nMin = 0;
      si.nMax = w;
      si.nPage = unsigned(std::max(cw, 0));
      si.nPos = OffsetX;
      SetScrollInfo(ui::SB_HORZ, si, true);
    }
  }
}

void THtPanel::Dispatch(ui::TMessage& Message) {
  switch (Message.Msg) {
    case ui::WM_VSCROLL:
      WMVScroll(Message);
      break;
    case ui::WM_HSCROLL:
      WMHScroll(Message);
      break;
    case ui::WM_USER + 1:
      WMUser1();
      break;
    case ui::WM_USER + 3:
      WMUser3(int(Message.LParam));
      break;
    case ui::WM_USER + 4:
      WMUser4(int(Message.LParam));
      break;
    case ui::WM_MOUSEHWHEEL:
      WMMouseHWheel(Message);
      break;
    case ui::CM_MOUSELEAVE:
      CMMouseLeave();
      break;
    case ui::CM_HINTSHOW:
      CMHintShow(Message);
      break;
    case ui::WM_GETDLGCODE:
      // Arrow keys, tabs and characters.
      Message.Result = 131;
      break;
    default:
      ui::TCustomPanel::Dispatch(Message);
  }
}

void THtPanel::WMVScroll(ui::TMessage& Message) {
  if (!VBarVisible) return;
  ui::SCROLLINFO si;
  si.fMask = 23;
  GetScrollInfo(ui::SB_VERT, si);
  const int page = int(si.nPage);
  auto writePos = [&](int Pos) {
    ui::SCROLLINFO p;
    p.fMask = ui::SIF_POS;
    p.nPos = Pos;
    SetScrollInfo(ui::SB_VERT, p, true);
  };
  switch (lowWord(Message.WParam)) {
    case ui::SB_LINEUP:
      ScrollY(-5);
      writePos(std::max(si.nPos - 5, 0));
      break;
    case ui::SB_LINEDOWN:
      ScrollY(5);
      writePos(std::min(si.nPos + 5, si.nMax));
      break;
    case ui::SB_PAGEUP:
      SetTargetPosition(OffsetX, std::max(OffsetY - page, 0));
      break;
    case ui::SB_PAGEDOWN: {
      int step = page;
      if (page + OffsetY > si.nMax - page) step = si.nMax - page - OffsetY;
      if (step > 0) SetTargetPosition(OffsetX, OffsetY + step);
      break;
    }
    case ui::SB_BOTTOM:
      ScrollY(1000000);
      break;
    case ui::SB_ENDSCROLL:
      break;
    default:
      if (si.nTrackPos != OffsetY) SetTargetPosition(OffsetX, si.nTrackPos);
  }
}

void THtPanel::WMHScroll(ui::TMessage& Message) {
  if (!HBarVisible) return;
  ui::SCROLLINFO si;
  si.fMask = 23;
  GetScrollInfo(ui::SB_HORZ, si);
  const int page = int(si.nPage);
  auto writePos = [&](int Pos) {
    ui::SCROLLINFO p;
    p.fMask = ui::SIF_POS;
    p.nPos = Pos;
    SetScrollInfo(ui::SB_HORZ, p, true);
  };
  switch (lowWord(Message.WParam)) {
    case ui::SB_LINELEFT:
      ScrollX(-5);
      writePos(std::max(si.nPos - 5, 0));
      break;
    case ui::SB_LINERIGHT:
      ScrollX(5);
      writePos(std::min(si.nPos + 5, si.nMax));
      break;
    case ui::SB_PAGELEFT:
      ScrollX(-std::min(OffsetX, page));
      writePos(std::max(si.nPos - page, 0));
      break;
    case ui::SB_PAGERIGHT: {
      int step = page;
      if (page + OffsetX > si.nMax - page) step = si.nMax - page - OffsetX;
      if (step > 0) ScrollX(step);
      writePos(std::min(si.nPos + step, si.nMax));
      break;
    }
    case ui::SB_ENDSCROLL:
      break;
    default:
      if (si.nTrackPos != OffsetX) SetTargetPosition(si.nTrackPos, OffsetY);
  }
}

// ---------------------------------------------------------------- layout after resizing

void THtPanel::Resize() { AdjustSize(); }

void THtPanel::AdjustSize() {
  if (FInAdjust || FLoading || !Visible() || !FDoc || FDoc->Painting || FDoc->Calculating) return;
  if (ClientWidth() == FLastAdjustWidth && ClientHeight() == FLastAdjustHeight) return;
  FInAdjust = true;
  struct TEnd {
    THtPanel* P;
    ~TEnd() { P->FInAdjust = false; }
  } end{this};
  if (fAutoHeight) {
    FDoc->CalcSize(TRect{0, 0, ClientWidth(), 0});
    gtk_widget_set_size_request(Handle(), -1, int(std::nearbyint(double(FDoc->ContentHeight) * CurrentDPI / 96)));
  } else {
    TNotifyEvent saved = std::move(FDoc->OnSizeChanged);
    FDoc->OnSizeChanged = nullptr;
    struct TRestore {
      THtDocument* D;
      TNotifyEvent& E;
      ~TRestore() { D->OnSizeChanged = std::move(E); }
    } restore{FDoc.get(), saved};
    auto layout = [this] {
      TRect viewport = ClientRect();
      viewport.Bottom = viewport.Top + ViewportHeight();
      FDoc->CalcSize(viewport);
    };
    layout();
    const int width = ClientWidth();
    UpdateScrollBars();
    if (ClientWidth() != width) {
      layout();
      UpdateScrollBars();
    }
  }
  FLastAdjustWidth = ClientWidth();
  FLastAdjustHeight = ClientHeight();
}

// ---------------------------------------------------------------- unit

namespace {
int hostInitCount = 0;
}

void HtHostInitialize() {
  if (hostInitCount++ > 0) return;
  RegisterHostImageSources();
  static bool registered = false;
  if (!registered) {
    registered = true;
    try {
      ui::TStyleEngine::RegisterStyleHook("THtPanel", [](ui::TCustomPanel& Control) {
        return std::unique_ptr<ui::TStyleHook>(new THtScrollingStyleHook(Control));
      });
    } catch (...) {
      // A hook someone registered first stays.
    }
  }
}

// The style hook stays registered.
void HtHostFinalize() {
  if (hostInitCount > 0) --hostInitCount;
}

}  // namespace ht
