#pragma once
// THtPanel: the window control that shows one HTML document. It owns the
// document and rebuilds it from scratch whenever its HTML, style or script
// lines change; it paints it into its client area, keeps the window's
// scroll bars in step with the document's size and the scroll offsets, and
// lays the document out again when its size changes.
//
// Offsets (OffsetX, OffsetY) are in device pixels: the document point at the
// client area's top left is the offset divided by the document's scale.
//
// Lifetime: a panel without a parent form has no document. Queued messages
// and repaint requests reach the panel only while it lives (the window
// layer's liveness token), and the document only while the panel owns it.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "document/document.h"
#include "platform/rtl/string_list.h"
#include "platform/rtl/sys_colors.h"
#include "platform/ui/controls.h"
#include "platform/ui/scroll_bar.h"

namespace ht {

class THtPanelWeb;
class THtPanel;
class THtComponentOwner;

HT_DECLARE_EXCEPTION(EResNotFound, Exception);

enum THtScrollbar { hsbNone, hsbAlways, hsbAuto };

// The panel's scrolling style hook: after the vertical bar is drawn, the
// panel's OnVScrollBarPaint may draw over it (marks of search hits, say) on
// a device context in the bar's coordinates.
class THtScrollingStyleHook : public ui::TScrollingStyleHook {
 public:
  using ui::TScrollingStyleHook::TScrollingStyleHook;

 protected:
  void DrawVertScroll(gdi::HDC DC) override;
};

using TVScrollBarPaintEvent = std::function<void(THtScrollingStyleHook* Sender, gdi::HDC DC)>;

class THtPanel : public ui::TCustomPanel, public THtObject, public ui::IHostControl {
 public:
  // AOwnerLoading: the panel is made while its owner reads a stored form;
  // the owner calls Loaded once it has set the properties.
  explicit THtPanel(bool AOwnerLoading = false);
  ~THtPanel() override;

  // --- Parent and loading -----------------------------------------------------
  // Puts the panel into Form, filling it; outside loading this builds the
  // document.
  void SetParent(ui::TForm* AParent);
  ui::TForm* Parent() const { return FParent; }
  virtual void Loaded();
  bool Loading() const { return FLoading; }

  // --- Document hosting ---------------------------------------------------------
  THtDocument* Doc() const { return FDoc.get(); }
  THtDocument* Document() const { return FDoc.get(); }
  // What CreateDocument makes (a THtDocument unless replaced): the canvas
  // class (null for the default) and the threaded flag.
  std::function<std::unique_ptr<THtDocument>(const THtCanvasClass*, bool)> DocumentClass;
  TStringList& HTML() { return *fHTML; }
  TStringList& Styles() { return *FStyles; }
  TStringList& Script() { return *FScript; }
  void SetHTML(const std::vector<String>& Lines) { fHTML->Assign(Lines); }
  void SetStyles(const std::vector<String>& Lines) { FStyles->Assign(Lines); }

  virtual String GetHTMLText();
  // The rebuild.
  virtual void HTMLChanged();
  virtual void CreateDocument();
  virtual void LoadFromFile(const String& FileName);
  virtual void LoadFromURL(const String& URL);
  virtual void LoadFromString(const String& S, THtmlEncoding AEncoding = heDefault, int ACodePage = 0);
  // A compiled-in resource of type 23 (RT_HTML).
  virtual void LoadfromResource(const String& AResourceName, THtmlEncoding AEncoding);
  void NotifyDocumentChanged();

  // --- Resources the document asks for ------------------------------------------------
  // Its text and image getters (see panel_getters.h); failures give empty
  // results. DoGetImage and DefaultGetImage also run on the image loader.
  virtual String DoGetURL(THtDocument* Sender, const String& Url, TElement* Element);
  THtBytes DoGetImage(THtDocument* Sender, const String& Url, TElement* Element);
  THtBytes DefaultGetImage(THtDocument* Sender, const String& Url, TElement* Element);
  virtual THtImage* DoGetImageObject(THtDocument* Sender, const String& Url, TElement* Element);
  // The image list numbered image URLs ("0", "1", ...) come from.
  THtObject* Images = nullptr;
  // The form whose components "/form/NAME" URLs name (not owned).
  THtComponentOwner* Owner = nullptr;
  // Design mode: no web requests, no "/form/" texts.
  bool Designing = false;
  // The shared HTTP client, made on first use.
  THtPanelWeb& InetClient();

  // --- Painting and scrolling -------------------------------------------------
  void Repaint();
  virtual void Scroll(float DX, float DY, bool AUpdateScrollBars);
  void ScrollX(int DX) { Scroll(float(DX), 0, false); }
  void ScrollY(int DY) { Scroll(0, float(DY), false); }
  void PageUp();
  void PageDown();
  void UpdateScrollBars();
  virtual int DocumentPixelWidth();
  virtual int DocumentPixelHeight();
  virtual int ViewportHeight();
  TPoint Screen2Doc(int X, int Y);
  // Moves to the position; the smooth path lives with zooming, so here the
  // move is made at once.
  virtual void SetTargetPosition(int X, int Y);
  void AdjustSize();

  // The zoom in percent: 100 without a document.
  int Scale() const;

  THtScrollbar VerticalScrollBar() const { return FVScrollBar; }
  void SetVerticalScrollBar(THtScrollbar Value);
  THtScrollbar HorizontalScrollBar() const { return FHScrollBar; }
  void SetHorizontalScrollBar(THtScrollbar Value);
  bool AutoHeight() const { return fAutoHeight; }
  void SetAutoHeight(bool Value);
  bool Transparent() const { return fTransparent; }
  void SetTransparent(bool Value);
  void SetHighlightTextColor(uint32_t Value);
  uint32_t HighlightTextColor() const { return fHighlightTextColor; }
  bool EnableSelection() const { return fEnableSelection; }
  void SetEnableSelection(bool Value);
  void SetQuirksModeSelector(THtQuirksMode Value);
  void SetAdaptiveZoom(bool Value);
  void SetCanvasClass(const THtCanvasClass* Value);

  // The panel font, given to each new document. The setters restyle a
  // document that exists.
  String FontName = u"Tahoma";
  // Pixels: negative is the em size, positive the cell height.
  int FontHeight = 16;
  int FontPixelsPerInch = 96;
  TColor FontColor = TColor(0xFF000008);  // clWindowText
  TColor PanelColor = TColor(0xFF00000F);  // clBtnFace
  void SetFont(StringView Name, int Height);
  void SetPanelColor(TColor Value);
  bool ShowHint = true;

  // --- Published properties that are plain fields ---------------------------------
  bool Active() const { return fActive; }
  bool fActive = true;
  bool fAllowFocus = true;
  bool fBackgroundImageLoading = false;
  bool fLazyImageLoading = false;
  bool fWebLoading = true;
  bool fCleartype = true;
  bool FAllowScaling = true;
  bool fTouchScroll = true;
  bool FPreservePositionOnHTMLChange = false;
  bool FScaleFromCenter = false;
  bool FClearHTMLAfterLoad = false;
  bool fEditorMode = false;
  float FScaleMin = 0, FScaleMax = 0;
  String fCurrentFile;

  // --- Events ------------------------------------------------------------------------
  TElementNotifyEvent fOnUrlClick, fOnUrlEnter, fOnUrlExit, fOnElementEnter, fOnElementExit;
  TElementNotifyEvent fOnElementResizeEnd, fOnElementClick;
  TNotifyEvent fAfterPaint;
  TNotifyEvent FOnScroll;
  TGetUrlEvent fOnGetURL;
  TGetImageEvent fOnGetImage;
  TGetImageObjectEvent fOnGetImageObject;
  std::function<void(THtDocument*, TAbstractAnimation*)> fOnAnimationEnd;
  TVScrollBarPaintEvent fVScrollBarPaint;

  // --- Public state --------------------------------------------------------------------
  int OffsetX = 0, OffsetY = 0;
  int CurrentDPI = 96;
  THtObject* TagObject = nullptr;
  int64_t LastPaintTime = 0;
  bool VBarVisible = false, HBarVisible = false;
  // Elements clicked during the current release.
  std::vector<TElement*> fUrlClickList;
  TElement* HintElement = nullptr;

  // An element scroll bar: a GTK scroll bar on the child layer.
  std::unique_ptr<ui::TScrollBar> CreateScrollBar() override;

  // The window procedure: scroll bar messages.
  void Dispatch(ui::TMessage& Message) override;

 protected:
  void Paint() override;
  void Resize() override;
  void VisibleChanging(bool Value) override;
  // The animation thread's request to bring the document up to date.
  void WMUser1();
  // The window is made again: the bars follow the modes.
  void RecreateWnd();
  void CreateWnd();
  virtual void DoRepaint();
  virtual void DoElementDeleted(TElement* E);
  void DocumentSizeChanged();
  void WMVScroll(ui::TMessage& Message);
  void WMHScroll(ui::TMessage& Message);

  // Mouse handling hands presses and releases to the document inside this
  // scope; a rebuild asked meanwhile runs once when the scope ends.
  void BeginDocEvent() { FInDocEvent = true; }
  void EndDocEvent();

  std::unique_ptr<THtDocument> FDoc;
  const THtCanvasClass* FCanvasClass = nullptr;
  std::unique_ptr<TStringList> fHTML, FStyles, FScript;
  std::unique_ptr<THtPanelWeb> fInetClient;
  std::mutex fInetLock;  // guards the client's creation
  ui::TForm* FParent = nullptr;
  bool FLoading = false;
  bool FDestroying = false;
  THtScrollbar FVScrollBar = hsbNone, FHScrollBar = hsbNone;
  bool fAutoHeight = false;
  bool fTransparent = false;
  bool FInAdjust = false;
  int FLastAdjustWidth = 0, FLastAdjustHeight = 0;
  int FScrollDX = 0, FScrollDY = 0;
  int64_t FLastFullPaintTime = 0;
  float defaultFontSize() const;
  bool FInDocEvent = false;
  bool FHTMLChanged = false;
  bool FInSmoothScroll = false, FInSmoothZoom = false;
  uint32_t fHighlightTextColor = 0;
  bool fEnableSelection = false;
  THtQuirksMode FQuirksModeSelector = qmAuto;
  bool FAdaptiveZoom = false;
  String FDirectHTML;
  THtmlEncoding fForcedEncoding = heDefault;
  int fForcedCodePage = 0;
  String FHintStr;

 private:
  void connectLists();
  float scale() const;
  float snap(float X) const;
};

// Start-up of the host unit: registers the panel's scrolling style hook
// with the style engine once per process. Calls nest.
void HtHostInitialize();
void HtHostFinalize();

}  // namespace ht
