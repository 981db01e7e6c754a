#pragma once
// Windowed controls over GTK 3: the form (a top-level window) and the panel
// base of the host control.
//
// The panel's widget tree is a GtkGrid holding a GtkOverlay (a
// GtkDrawingArea that is the client area, with a GtkFixed above it for
// native child controls) and the two GtkScrollbars. Window messages keep
// their numbers and arguments: a scroll bar's "change-value" arrives as
// WM_VSCROLL / WM_HSCROLL through Dispatch, SCROLLINFO reads and writes the
// bar's GtkAdjustment (upper = nMax + 1, page size = nPage).
//
// Painting: a paint draws on Canvas, an off-screen bitmap of the client
// size, inside GTK's draw signal; the bitmap is then copied onto the draw
// signal's cairo context. Nothing draws outside a draw signal. Scrolling the
// window contents (ScrollWindowEx) repaints the whole client area.
//
// Input: the client area's pointer, wheel, key and crossing events arrive at
// the panel's MouseDown, MouseMove, MouseUp, DoMouseWheel, KeyDown and, as
// messages through Dispatch, WM_MOUSEHWHEEL and CM_MOUSELEAVE, with the
// platform's shift states, buttons and virtual key codes. A press within the
// toolkit's double-click time and distance of the previous plain press of
// the same button carries ssDouble; a third press is plain again, so a
// caller times triple clicks itself. Moves come compressed to the newest
// (the toolkit drops queued ones). Wheel steps wait in a queue the
// dispatcher drains, so the one being handled can take those behind it.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/gdi/gdi_canvas.h"
#include "platform/rtl/exception.h"
#include "platform/rtl/geometry.h"
#include "platform/rtl/liveness.h"
#include "platform/rtl/shift_state.h"
#include "platform/rtl/string.h"

typedef struct _GtkWidget GtkWidget;
typedef struct _GtkGesture GtkGesture;
typedef struct _cairo cairo_t;

namespace ht::ui {

enum : unsigned {
  WM_PAINT = 15,
  WM_ERASEBKGND = 20,
  WM_NCPAINT = 0x85,
  WM_GETDLGCODE = 135,
  WM_HSCROLL = 276,
  WM_VSCROLL = 277,
  WM_MOUSEMOVE = 512,
  WM_MOUSEWHEEL = 522,
  WM_MOUSEHWHEEL = 526,
  WM_USER = 0x400,
  CM_MOUSELEAVE = 0xB014,
  CM_HINTSHOW = 0xB030,
};

// What CM_HINTSHOW (LParam points at it) asks of a control: the pointer's
// client position comes in; a Result of 0 shows HintStr as the tooltip
// until the pointer leaves CursorRect (client coordinates); any other
// Result shows none.
struct THintInfo {
  TPoint CursorPos;
  String HintStr;
  TRect CursorRect;
};

// One notch of a wheel.
constexpr int WHEEL_DELTA = 120;

// Virtual key codes of the keys the toolkit's key values map to.
enum : uint16_t {
  VK_BACK = 8,
  VK_TAB = 9,
  VK_RETURN = 13,
  VK_ESCAPE = 27,
  VK_SPACE = 32,
  VK_PRIOR = 33,
  VK_NEXT = 34,
  VK_END = 35,
  VK_HOME = 36,
  VK_LEFT = 37,
  VK_UP = 38,
  VK_RIGHT = 39,
  VK_DOWN = 40,
  VK_INSERT = 45,
  VK_DELETE = 46,
  VK_NUMPAD0 = 96,
  VK_MULTIPLY = 106,
  VK_ADD = 107,
  VK_SUBTRACT = 109,
  VK_DECIMAL = 110,
  VK_DIVIDE = 111,
  VK_F1 = 112,
};
// A touch gesture as the platform reports it: zoom (Distance between the
// fingers, 100 at the begin) or pan (Location in client coordinates), with
// its begin and end flags.
struct TGestureEventInfo {
  enum : int { igiZoom = 259, igiPan = 260 };
  enum : int { gfBegin = 1, gfEnd = 4 };
  int GestureID = 0;
  int Flags = 0;
  TPoint Location;
  int Distance = 0;
};

// The toolkit's key value as a virtual key code ('0'..'9' and 'A'..'Z' for
// digits and letters); 0 for a key without one.
uint16_t KeyvalToVirtualKey(unsigned Keyval);

enum : int { SB_HORZ = 0, SB_VERT = 1 };

// Scroll codes of WM_VSCROLL / WM_HSCROLL (the low word of WParam; the
// high word carries the thumb position for SB_THUMBPOSITION/SB_THUMBTRACK).
enum : int {
  SB_LINEUP = 0,
  SB_LINELEFT = 0,
  SB_LINEDOWN = 1,
  SB_LINERIGHT = 1,
  SB_PAGEUP = 2,
  SB_PAGELEFT = 2,
  SB_PAGEDOWN = 3,
  SB_PAGERIGHT = 3,
  SB_THUMBPOSITION = 4,
  SB_THUMBTRACK = 5,
  SB_TOP = 6,
  SB_LEFT = 6,
  SB_BOTTOM = 7,
  SB_RIGHT = 7,
  SB_ENDSCROLL = 8,
};

enum : unsigned { SIF_RANGE = 1, SIF_PAGE = 2, SIF_POS = 4, SIF_DISABLENOSCROLL = 8, SIF_TRACKPOS = 16 };

struct SCROLLINFO {
  unsigned cbSize = 28;
  unsigned fMask = 0;
  int nMin = 0;
  int nMax = 0;
  unsigned nPage = 0;
  int nPos = 0;
  int nTrackPos = 0;
};

struct TMessage {
  unsigned Msg = 0;
  intptr_t WParam = 0;
  intptr_t LParam = 0;
  intptr_t Result = 0;
};

HT_DECLARE_EXCEPTION(EStyleEngineException, Exception);

class TWinControl {
 public:
  TWinControl() = default;
  virtual ~TWinControl();
  TWinControl(const TWinControl&) = delete;
  TWinControl& operator=(const TWinControl&) = delete;

  // The outer widget.
  GtkWidget* Handle() const { return FHandle; }
  bool Visible() const;
  void SetVisible(bool Value);
  // The outer widget's allocated size (0 before GTK placed it).
  int Width() const;
  int Height() const;

  // The window procedure; the base answers nothing.
  virtual void Dispatch(TMessage& Message);
  // Queues the message for the main loop. Posts of one message to one
  // control coalesce while pending; a control freed meanwhile gets nothing.
  void PostMessage(unsigned Msg, intptr_t WParam = 0, intptr_t LParam = 0);
  TLivenessToken Token() const { return FLiveness.Token(); }

 protected:
  // Called before the visibility changes to Value.
  virtual void VisibleChanging(bool) {}
  // Takes a reference on W and counts it as live.
  void SetHandle(GtkWidget* W);
  TLiveness FLiveness;

 private:
  GtkWidget* FHandle = nullptr;
};

class TCustomPanel;

// A control's style hook: the platform's style engine attaches one to each
// new control whose class has one registered.
class TStyleHook {
 public:
  virtual ~TStyleHook() = default;
};

// The scrolling style hook of a panel: it draws after GTK has drawn the
// vertical scroll bar, with the bar's parts as rectangles in the bar's own
// coordinates. The bars have no arrow buttons, so those rectangles are
// empty at the track's ends.
class TScrollingStyleHook : public TStyleHook {
 public:
  explicit TScrollingStyleHook(TCustomPanel& AControl);
  ~TScrollingStyleHook() override;

  TCustomPanel& Control() const { return FControl; }
  TRect VertScrollRect() const { return FScrollRect; }
  TRect VertTrackRect() const { return FTrackRect; }
  TRect VertSliderRect() const { return FSliderRect; }
  TRect VertUpButtonRect() const { return FUpRect; }
  TRect VertDownButtonRect() const { return FDownRect; }
  bool LeftButtonDown() const { return FLeftButtonDown; }

  // Called from the bar's draw signal, after GTK's own drawing.
  void PaintVertScroll(cairo_t* Cr);

 protected:
  // Draws on DC, a transparent bitmap the size of VertScrollRect whose
  // picture is laid over the bar. The base draws nothing: GTK's theme has
  // drawn the bar.
  virtual void DrawVertScroll(gdi::HDC DC);

 private:
  TCustomPanel& FControl;
  TRect FScrollRect, FTrackRect, FSliderRect, FUpRect, FDownRect;
  bool FLeftButtonDown = false;
  unsigned long FDrawHandler = 0, FPressHandler = 0, FReleaseHandler = 0;
};

using TStyleHookFactory = std::function<std::unique_ptr<TStyleHook>(TCustomPanel& Control)>;

class TStyleEngine {
 public:
  // EStyleEngineException when the class already has a hook.
  static void RegisterStyleHook(const std::string& ControlClass, TStyleHookFactory Factory);
  static void UnRegisterStyleHook(const std::string& ControlClass);
  static const TStyleHookFactory* Find(const std::string& ControlClass);
  // Registrations made so far in this process.
  static int Registrations();
};

HT_DECLARE_EXCEPTION(EComponentError, Exception);

class TPopupMenu;

// An item of a popup menu; the caption "-" makes a separator.
class TMenuItem {
 public:
  String Caption;
  int Tag = 0;
  String Hint;
  int ImageIndex = -1;
  std::function<void(TMenuItem& Sender)> OnClick;
  const String& Name() const { return FName; }
  // EComponentError for a name that is not an identifier or that another
  // item of the menu already has.
  void SetName(const String& Value);

 private:
  friend class TPopupMenu;
  TPopupMenu* FMenu = nullptr;
  String FName;
};

// A popup menu shown as a GtkMenu at the pointer. OnPopup runs first and
// may change the items.
class TPopupMenu {
 public:
  TPopupMenu() = default;
  ~TPopupMenu();
  TPopupMenu(const TPopupMenu&) = delete;
  TPopupMenu& operator=(const TPopupMenu&) = delete;

  std::vector<std::unique_ptr<TMenuItem>> Items;
  std::function<void(TPopupMenu& Sender)> OnPopup;
  TMenuItem& Add();
  // Where the menu pops up, in screen coordinates.
  TPoint PopupPoint() const { return FPopupPoint; }
  // Raises OnPopup and shows the items at the screen point.
  void Popup(int X, int Y);
  // The menu being shown (null when closed).
  GtkWidget* Menu() const { return FMenu; }
  void Close();

 private:
  TPoint FPopupPoint;
  GtkWidget* FMenu = nullptr;
};

class TCustomPanel : public TWinControl {
 public:
  TCustomPanel();
  ~TCustomPanel() override;

  // The client area (the drawing area's allocation).
  int ClientWidth() const;
  int ClientHeight() const;
  TRect ClientRect() const { return TRect{0, 0, ClientWidth(), ClientHeight()}; }
  // The drawing area that is the client area.
  GtkWidget* ClientArea() const { return FArea; }
  // The layer native child controls are put on, above the client area.
  GtkWidget* ChildLayer() const { return FFixed; }
  bool HasChildControls() const;
  GtkWidget* ScrollBar(int Bar) const { return Bar == SB_VERT ? FVBar : FHBar; }

  // The window's scroll bars (the window style's WS_VSCROLL / WS_HSCROLL).
  void SetScrollBars(bool Vertical, bool Horizontal);
  bool ScrollBarShown(int Bar) const;

  // Redraw the client area at the next paint.
  void Invalidate();
  // Asks for a paint of R (client pixels) only.
  void InvalidateRect(const TRect& R);
  // Moves the window contents: here a full redraw of the client area.
  void ScrollWindowEx(int DX, int DY);
  // Paces a fast repaint to the display; GTK's frame clock already does.
  void DwmFlush() {}

  // Reads the mask's parts of a bar's state; false for a hidden bar.
  bool GetScrollInfo(int Bar, SCROLLINFO& Info) const;
  // Writes the mask's parts and answers the position. A bar whose page
  // covers its range stays shown and turns insensitive.
  int SetScrollInfo(int Bar, const SCROLLINFO& Info, bool Redraw);

  // The paint's canvas: valid inside Paint; between paints it holds the
  // last picture (null before the first).
  gdi::TCanvas* Canvas() { return FPaintBuffer ? &FPaintBuffer->Canvas() : nullptr; }
  // The next draw shows the picture as it stands, without a paint (after
  // drawing into it outside a paint).
  void ShowPaintBuffer();
  // The area the current paint must cover.
  const TRect& CanvasClipRect() const { return FClipRect; }
  bool InPaint() const { return FInPaint; }
  uint32_t Color = 0xF0F0F0;  // the panel's background (RGB)

  // The style hook the style engine attached, or null.
  TStyleHook* StyleHook() const { return FStyleHook.get(); }

  // Runs a paint now on an off-screen target of Width x Height, as the draw
  // signal would (tests compare it with the window's picture).
  void PaintTo(cairo_t* Cr, int Width, int Height);

  // --- Input ---------------------------------------------------------------------
  // The client area takes the keyboard focus.
  void SetFocus();
  bool Focused() const;
  // Screen and client coordinates of the client area.
  TPoint ScreenToClient(TPoint P) const;
  TPoint ClientToScreen(TPoint P) const;
  // The pointer shape over the client area by the toolkit's cursor name
  // ("default", "pointer", "text", ...); empty restores the default.
  void SetCursorName(const std::string& Name);
  const std::string& CursorName() const { return FCursorName; }
  // The toolkit's double-click time in milliseconds.
  static int SystemDoubleClickTime();
  // Queues a wheel step as a toolkit event does (ScreenPos in screen
  // coordinates; Horizontal for a tilt, positive to the right) and posts
  // its handling to the dispatcher.
  void PostWheelMessage(bool Horizontal, int Delta, TShiftState Shift, TPoint ScreenPos);
  // Shown at a right click on the client area (not owned).
  TPopupMenu* PopupMenu = nullptr;
  // Raised by the base KeyDown, so a handler may clear Key first.
  std::function<void(TCustomPanel& Sender, uint16_t& Key, TShiftState Shift)> OnKeyDown;
  // The toolkit's input as it arrives (tests feed the handlers directly).
  void InputMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) { MouseDown(Button, Shift, X, Y); }
  void InputMouseMove(TShiftState Shift, int X, int Y) { MouseMove(Shift, X, Y); }
  void InputMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) { MouseUp(Button, Shift, X, Y); }
  void InputKeyDown(uint16_t& Key, TShiftState Shift) { KeyDown(Key, Shift); }

 protected:
  // Pointer input in client coordinates.
  virtual void MouseDown(TMouseButton, TShiftState, int, int) {}
  virtual void MouseMove(TShiftState, int, int) {}
  virtual void MouseUp(TMouseButton, TShiftState, int, int) {}
  // A vertical wheel step (MousePos in screen coordinates); true when
  // handled.
  virtual bool DoMouseWheel(TShiftState, int, TPoint) { return false; }
  virtual void KeyDown(uint16_t& Key, TShiftState Shift) {
    if (OnKeyDown) OnKeyDown(*this, Key, Shift);
  }
  // Touch gestures (pinch zoom, pan); a pan left unhandled scrolls by its
  // steps through PanBy. A long touch is a right click.
  virtual void DoGesture(const TGestureEventInfo&, bool& Handled) { Handled = false; }
  virtual void PanBy(int, int) {}
  // Removes the vertical wheel steps still queued behind the one being
  // handled and answers how many there were.
  int RemoveQueuedWheelMessages();

  // The control's class name picks its style hook; derived classes call it
  // once constructed.
  void AttachStyleHook(const std::string& ControlClass);
  // Paints the client area; the base fills it with Color.
  virtual void Paint();
  // The client area changed size.
  virtual void Resize() {}
  // The toolkit's scale factor of the client area (1, or 2 on a high-DPI
  // screen), and its change.
  int ScaleFactor() const;
  virtual void ScaleFactorChanged(int) {}

 private:
  void draw(cairo_t* Cr, int W, int H);
  void handleWheelMessage();
  friend struct TPanelSignals;
  friend struct TInputSignals;
  friend struct TGestureSignals;

  struct TWheelMessage {
    bool Horizontal;
    int Delta;
    TShiftState Shift;
    TPoint Pos;
  };
  std::deque<TWheelMessage> FWheelQueue;
  // The last plain press, for telling double clicks.
  struct TLastPress {
    uint32_t Time = 0;
    unsigned Button = 0;
    double X = 0, Y = 0;
    bool Valid = false;
  } FLastPress;
  std::string FCursorName;
  // Touch gestures: pinch, pan and long press (owned by the client area).
  GtkGesture* FZoomGesture = nullptr;
  GtkGesture* FPanGesture = nullptr;
  GtkGesture* FLongPressGesture = nullptr;
  double FPanX = 0, FPanY = 0;
  bool FShowBufferOnly = false;

  GtkWidget* FOverlay = nullptr;
  GtkWidget* FArea = nullptr;
  GtkWidget* FFixed = nullptr;
  GtkWidget* FVBar = nullptr;
  GtkWidget* FHBar = nullptr;
  std::unique_ptr<gdi::TBitmap> FPaintBuffer;
  TRect FClipRect;
  bool FInPaint = false;
  int FLastW = -1, FLastH = -1;
  struct TBarState {
    SCROLLINFO Info;
    bool Tracking = false;  // a thumb drag's message is being handled
    int TrackPos = 0;
  } FBars[2];
  std::unique_ptr<TStyleHook> FStyleHook;
};

enum TPosition { poDesigned, poScreenCenter };

// A top-level window holding one control that fills its client area.
class TForm : public TWinControl {
 public:
  TForm();
  ~TForm() override;

  void SetCaption(StringView Value);
  String Caption() const;
  void SetClientSize(int W, int H);
  void SetPosition(TPosition Value);
  // The control that fills the window (not owned).
  void InsertControl(TWinControl& Control);
  void Show();
  // A close request, as the window manager's close button makes it.
  void Close();
  // The main form ends the message loop when it closes.
  bool MainForm = false;
  std::function<void()> OnClose;

 protected:
  // A popup window (true) or a top-level one.
  explicit TForm(bool Popup);
};

}  // namespace ht::ui
