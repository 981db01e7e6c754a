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
#include <atomic>
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
class THtFloatWindow;
namespace gdi {
class TPrintDialog;
}
namespace ui {
class TFindDialog;
class TReplaceDialog;
}  // namespace ui

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
using TElementClickEx = std::function<void(TElement* E, TMouseButton Button, TShiftState Shift)>;
using TMouseWheelEvent =
    std::function<void(THtObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos, bool& Handled)>;
using ui::TGestureEventInfo;

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
  void AdjustSize();

  // --- Smooth scrolling and zooming (panel_zoom.cpp) ---------------------------------
  // The zoom in percent: 100 without a document. The surface's scale factor
  // is the only stored zoom: percent x CurrentDPI / 9600.
  int Scale() const;
  // Zooms at once; a percent of 0 or less is refused (nothing changes).
  virtual void SetScale(int Value);
  // Zooms to ScalePercent keeping the client point Center in place (with
  // ScaleFromCenter; else the top-left document point). Fast: stretch the
  // cached picture when the surface can, the real paint follows.
  void ScalefromPoint(int ScalePercent, TPoint Center, bool Fast);
  // Starts or redirects a 200 ms ease-out scroll to the device offsets.
  virtual void SetTargetPosition(int TargetX, int TargetY);
  // Starts or redirects a 100 ms linear zoom to the percent.
  void SetTargetScale(int TargetScale);
  virtual void BeginSmoothScroll() { FInSmoothScroll = true; }
  virtual void EndSmoothScroll() { FInSmoothScroll = false; }
  bool InSmoothScroll() const { return FInSmoothScroll; }
  bool InSmoothZoom() const { return FInSmoothZoom; }
  bool SubscribedtoAnimation() const { return FSubscribedtoAnimation; }
  // The animation thread's tick: posts one smooth-scroll (1027) or
  // smooth-zoom (1028) step to the panel. Safe on any thread, also after
  // the panel is gone (it then does nothing).
  std::function<void(int32_t Step)> AnimationStep() const;
  void SetDPI(int NewDPI);
  void ChangeScale(int M, int D, bool isDpiChange);
  // The touch gestures: pinch zoom and pan.
  void DoGesture(const TGestureEventInfo& EventInfo, bool& Handled) override;
  // The client size in document pixels.
  int InnerWidth() const;
  int InnerHeight() const;
  // Milliseconds of a monotonic clock; tests replace it.
  std::function<int64_t()> TickCount;

  // --- Scrolling into view (panel_scroll_into_view.cpp) --------------------------------
  void ScrollIntoView(TElement* E);
  void ScrollRectIntoView(TRect R);
  void ScrollIntoTop(TElement* E);
  void ScrollIntoCenter(TElement* E);
  void ScrollCanvasRectIntoCenter(TRect R);
  void ScrollSelectionIntoView();
  void ScrollSelectionIntoCenter();

  // --- Input (panel_input.cpp) ---------------------------------------------------------
  // The document's OnClick: the clicked element joins the click list.
  virtual void DoClick(THtObject* Sender);
  // Ctrl+C and Ctrl+Insert copy the selection.
  // The popup menu's OnPopup once the panel hooked it: after the menu's own
  // items, the items of the "popup-menu" markup nearest the element under
  // the pointer. Items the panel adds carry the tag kPopupItemTag.
  static constexpr int kPopupItemTag = 9928837;
  void PopupMenuPopup(ui::TPopupMenu& Menu);
  // An added item's click runs its "onclick" script on fPopupMenuOrigin.
  void PopupMenuItemClick(ui::TMenuItem& Item);
  TElement* fPopupMenuOrigin = nullptr;
  std::function<void(ui::TPopupMenu&)> fPopupMenuSave;
  // The built-in handling of a "#" link: the element whose id is the rest
  // of the address shown near the top.
  void FollowAnchor(TElement* Link);

  // --- Find, replace, copy and print (panel_commands.cpp) ------------------------------
  // Show a find (replace) dialog wired to the panel's handlers: ADialog, or
  // the panel's own one, made on first use.
  void FindDialog(ui::TFindDialog* ADialog = nullptr);
  void ReplaceDialog(ui::TReplaceDialog* ADialog = nullptr);
  // The dialogs' OnFind and OnReplace. A find starts after the selection
  // (before it, upwards), or at the top without one; nothing found clears
  // the selection. Replace changes the selected text; replace-all replaces
  // every match from there on, resuming after each inserted text.
  void FindHandler(ui::TFindDialog& Sender);
  void ReplaceHandler(ui::TReplaceDialog& Sender);
  // The selection (nothing when empty) or the whole document as HTML and
  // text on the clipboard, with Location as the source.
  virtual void CopySelectiontoClipboard();
  virtual void CopytoClipboard();
  // Prints the document through a paged copy at PrintScale.
  void Print(gdi::TPrintDialog* PrintDialog, float PrintScale);
  // The current file as a URL: "http:", "https:" and "file:" addresses as
  // they are, anything else after "file://".
  String Location() const;

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
  // The panel's own hint text, shown again when a title's element is left.
  String Hint;

  // --- Hints (panel_hints.cpp) -----------------------------------------------------------
  // The document's OnElementEnter and OnElementExit: an element's "title"
  // becomes the tooltip (with ShowHint), else its "floathint" markup shows
  // in the floating hint window; never while the left button is down.
  virtual void DoElementEnter(TElement* E);
  virtual void DoElementExit(TElement* E);
  // Markup at the pointer within 500 x 500 pixels; Animation blends it in.
  void ShowFloatHint(TElement* AElement, const String& Template, bool Animation);
  void HideFloatHint();
  // The floating hint window, made on first use.
  THtFloatWindow& FloatHint();
  THtFloatWindow* HtFloatHintWindow() const { return HtFloatHint.get(); }

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
  // Copied to each new document.
  THtSelectHandleStyle fSelectHandleStyle = shPlatform;
  bool fDisableKeyboard = false;
  float FScaleMin = 0, FScaleMax = 0;
  String fCurrentFile;

  // --- Events ------------------------------------------------------------------------
  TElementNotifyEvent fOnUrlClick, fOnUrlEnter, fOnUrlExit, fOnElementEnter, fOnElementExit;
  TElementNotifyEvent fOnElementResizeEnd, fOnElementClick;
  TElementClickEx fOnElementClickEx;
  TMouseWheelEvent fOnMouseWheel;
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
  TPoint MouseDownPos;
  int64_t DoubleClickTime = 0;
  bool TouchSelectionMode = false;

  // An element scroll bar: a GTK scroll bar on the child layer.
  std::unique_ptr<ui::TScrollBar> CreateScrollBar() override;
  // A form control (edit, memo, lists...): a GTK widget on the child layer.
  std::unique_ptr<ui::TFormControl> CreateFormControl(ui::TFormControlKind Kind) override;
  // The pointer shape the document chose, shown as the toolkit's cursor of
  // the same meaning.
  TCursor Cursor() const override { return FCursor; }
  void SetCursor(TCursor Value) override;

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
  void WMMouseHWheel(ui::TMessage& Message);
  void CMMouseLeave();
  void CMHintShow(ui::TMessage& Message);
  // One smooth-scroll (1027) and one smooth-zoom (1028) tick.
  void WMUser3(int Step);
  void WMUser4(int Step);
  // The toolkit's scale factor changed: the DPI follows it (96 a factor).
  void ScaleFactorChanged(int Factor) override;

  // Pointer, wheel and keys.
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  // A touch pan the document left alone scrolls the window.
  void PanBy(int DX, int DY) override { Scroll(float(-DX), float(-DY), true); }

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
  // Read by the animation thread through AnimationStep; only the main
  // thread writes them.
  struct TAnimationShared {
    std::atomic<bool> InSmoothScroll{false}, InSmoothZoom{false};
  };
  std::shared_ptr<TAnimationShared> FAnimShared = std::make_shared<TAnimationShared>();
  std::atomic<bool>& FInSmoothScroll = FAnimShared->InSmoothScroll;
  std::atomic<bool>& FInSmoothZoom = FAnimShared->InSmoothZoom;
  bool FSubscribedtoAnimation = false;
  uint64_t FAnimationToken = 0;
  int FTargetYOffset = 0, FInitialYOffset = 0, FTargetXOffset = 0, FInitialXOffset = 0;
  int FTargetScale = 100, FInitialScale = 100;
  int FScrollTimeCounter = 0, FLastScrollCounter = 0, FZoomTimeCounter = 0, FLastZoomTimeCounter = 0;
  TPoint FLastZoomCenter;
  bool FZoomUp = false;
  int64_t FLastZoomTime = 0;
  bool fInZoom = false;
  int fZoomStartDistance = 0, fZoomStartScale = 0;
  bool fTouchScrolled = false;
  bool FTouchEnabled = false;
  bool fIsDoubleClick = false, fIsTouchClick = false;
  TMouseButton FPressedButton = mbLeft;
  void subscribe();
  void unsubscribe();
  int64_t tickCount() const;
  // The document's element under a client point (tag "*", no class).
  TElement* docElementAt(int X, int Y);
  // The document's pointer entry points.
  void docMouseDown(int X, int Y, bool Down, TShiftState Shift);
  void docMouseMove(int X, int Y, TShiftState Shift);
  void docMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos);
  // The document point at the client area's top left, negated, in whole
  // document pixels.
  void docOrigin(double& X, double& Y) const;
  uint32_t fHighlightTextColor = 0;
  bool fEnableSelection = false;
  THtQuirksMode FQuirksModeSelector = qmAuto;
  bool FAdaptiveZoom = false;
  String FDirectHTML;
  THtmlEncoding fForcedEncoding = heDefault;
  int fForcedCodePage = 0;
  String FHintStr;
  std::unique_ptr<ui::TFindDialog> fFindDialog;
  std::unique_ptr<ui::TReplaceDialog> fReplaceDialog;
  std::unique_ptr<THtFloatWindow> HtFloatHint;

 private:
  TCursor FCursor = crDefault;
  void connectLists();
  float scale() const;
  float snap(float X) const;
};

// Start-up of the host unit: registers the panel's scrolling style hook
// with the style engine once per process. Calls nest.
void HtHostInitialize();
void HtHostFinalize();

}  // namespace ht
