#pragma once
// THtDocument: the root element of one HTML document and the hub of what it
// needs: its tree (it is itself an element, with the top-level nodes as
// children), its style sheet, its drawing surface and font collection, its
// element event queue and script adapter, and the three locks that guard
// what other threads touch.
//
// Threads: the document is used on the main thread, except for the
// animation step and the image loader's completion updates. Locks are taken
// in the order layout, animation, event.
//
// Font collection: a threaded document makes a collection of its own, held
// through a shared reference so that recorded drawing that names its fonts
// can keep it alive (FontCollectionRef); any other document uses its canvas
// class's shared collection.
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "canvas/canvas_types.h"
#include "css/css_keywords.h"
#include "css/font_style.h"
#include "css/style_sheet.h"
#include "document/document_types.h"
#include "document/element.h"
#include "document/form_values.h"
#include "markup/html_parser.h"
#include "platform/rtl/cursors.h"
#include "platform/rtl/liveness.h"
#include "platform/rtl/stream.h"

namespace ht {
namespace ui {
class IHostControl;
class TControl;
}

class THtDocument;
class THtScriptAdapter;
class TAbstractAnimation;
class THtCanvas;
class THtCanvasClass;
class THtFontCollection;
class THtFont;
class THtBrush;
class THtImage;
class THtImages;
class THtBitmap;
class THtMetaTextRec;
struct THtCanvasScene;
struct CHtScriptAdapter;

using TNotifyEvent = std::function<void(THtObject* Sender)>;
using TElementNotifyEvent = std::function<void(TElement* Sender)>;
// Answers true when Word, found in the element, is spelt correctly.
using TSpellCheckEvent = std::function<bool(TElement* Sender, const String& Word)>;
using TGetUrlEvent = std::function<String(THtDocument* Sender, const String& Url, TElement* Element)>;
using TGetImageEvent = std::function<std::vector<uint8_t>(THtDocument* Sender, const String& Url, TElement* Element)>;
// A ready image object for a URL; the document's image cache owns it.
using TGetImageObjectEvent = std::function<THtImage*(THtDocument* Sender, const String& Url, TElement* Element)>;
// Runs on the image loader's thread.
using TAfterImageLoadedEvent = std::function<void(THtImage* Sender)>;
// A method of the host form that a "form." script may call, by name.
using THtFormMethod = std::function<void(TElement* Element)>;
// Raised with the scene of a paint pass, which the handler may change.
using THtSceneNotifyEvent = std::function<void(THtDocument* Sender, THtCanvasScene& Scene)>;

// An area that scrolling cannot move with the kept pixels: a fixed-position
// box (IsFixed, R in viewport coordinates) or a box with a filter (R in
// document coordinates). Layout fills the list; painting reads it.
struct THtScrollRepaintEntry {
  bool IsFixed = false;
  TRectF R;
};

enum THtQuirksMode { qmAuto, qmDocType, qmQuirks };

// Which touch selection handle a press grabbed and the moves drag.
enum TTouchMarkerTracking { tmNone, tmLeft, tmRight };
// The look of the touch selection handles' knobs: shiOS a round knob,
// shWindows a square one; shPlatform takes the platform's (square).
enum THtSelectHandleStyle : uint8_t { shPlatform, shiOS, shWindows };
// Options of the data grid's designer: insertion marks offered at column
// and row edges of tables. A set of bits (1 << value).
enum THtDocumentOption : uint8_t { hoAddColMarks, hoAddRowMarks };
using THtDocumentOptions = uint8_t;

// Raised when a drag that moved ends: the element and the drop point
// (document coordinates).
using THtDragEndEvent = std::function<void(TElement* Element, TPoint Point)>;

// S with each of "*", "/", "\\", "?", "#", "%" and "$" replaced by "_".
String SafeFileName(StringView S);

// The document's request for a new layout (NeedRecalc). Setting it, from
// any thread, asks for a full layout; a restyle that marked the elements it
// changed asks only for those (RequestMarked), and the next layout of the
// same viewport then keeps the layout of every box whose inputs stayed.
class TLayoutRequest {
 public:
  explicit TLayoutRequest(bool Value) : FAny(Value), FFull(Value) {}
  TLayoutRequest& operator=(bool Value) {
    FFull = Value;
    FAny = Value;
    return *this;
  }
  operator bool() const { return FAny; }
  bool load() const { return FAny; }
  // Only marked elements (efNeedRecalc, with their ancestors) need layout.
  void RequestMarked() { FAny = true; }
  bool Full() const { return FFull; }

 private:
  std::atomic<bool> FAny, FFull;
};

class THtDocument : public TElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }

  // ACanvasClass null: the process-wide default canvas class; raises
  // Exception "No canvas class provided to HTML document" without either.
  explicit THtDocument(const THtCanvasClass* ACanvasClass = nullptr, bool AThreaded = false);
  ~THtDocument() override;

  // --- Events and options ---------------------------------------------------------
  TNotifyEvent OnClick;  // Sender: the element clicked
  TNotifyEvent OnRepaint;
  TElementNotifyEvent OnURLEnter, OnURLExit;
  TElementNotifyEvent OnElementEnter, OnElementExit;
  TNotifyEvent BeforePaint;
  TNotifyEvent OnSizeChanged;
  TGetUrlEvent OnGetUrl;
  TGetImageEvent OnGetImage;
  TGetImageObjectEvent OnGetImageObject;
  // Background loads: run on the image loader's thread, copied when the
  // image is queued.
  TAfterImageLoadedEvent AfterImageLoaded, OnImageLoadedFailed;
  TElementNotifyEvent OnElementResizeEnd;
  TElementNotifyEvent OnElementDeleted;
  // Raised after a table's column moved from OldIndex to NewIndex.
  std::function<void(TElement* Table, int OldIndex, int NewIndex)> AfterTableColumnMoved;
  TElementNotifyEvent OnShowResizeHint;
  TElementNotifyEvent BeforeElementDraw;
  // Hosted controls: asked for a control element's control before a
  // hostable class is looked for (a control it returns belongs to the
  // element); told of every control an element got.
  std::function<void(THtDocument* Sender, TElement* Element, ui::TControl*& Control)> OnCreateControl;
  std::function<void(TElement* AElement, ui::TControl* AControl)> AfterControlCreated;
  // The published methods of the host form by name (matched ignoring ASCII
  // case), for "form." scripts; the host fills it.
  std::map<String, THtFormMethod> FormMethods;

  TCSSMedia Media = cmScreen;
  bool ShowImages = true;
  bool TouchEnabled = false;
  THtSelectHandleStyle SelectHandleStyle = shPlatform;
  const THtCanvasClass* CanvasClass = nullptr;
  String Title;
  THtObject* TagObject = nullptr;  // not owned
  bool EnableAnimations = true;
  bool EnableResize = true;
  bool HideSelection = false;
  bool EditorMode = false;
  String CurrentFile;
  bool Transparent = false;
  bool ProportionalImageResize = false;
  bool Active = true;
  std::atomic<bool> Destroying{false};
  bool SharedStyles = true;
  int PrintDPI = 96;
  bool EnableSelection = false;
  std::atomic<bool> NeedRepaint{false};  // also set by the animation thread
  bool Painting = false;
  bool Calculating = false;
  bool BackgroundImageLoading = false;
  bool LazyImageLoading = false;
  float Opacity = 1.0f;
  bool DoubleBuffered = false;
  THtDocument* ParentDocument = nullptr;  // not owned
  bool AdaptiveZoom = false;
  bool DependOnViewport = false;
  std::atomic<bool> FVisible{true};  // the property Visible: the animation step skips hidden documents
  std::atomic<bool> Paged{false};  // read by the animation step
  int DocumentWidth = 0, DocumentHeight = 0;
  int ClientWidth = 0, ClientHeight = 0;
  int DeviceWidth = 0;
  float PageWidthPixels = 0, PageHeightPixels = 0;
  uint32_t DefaultBackgroundColor = 0x00FFFFFFu;
  uint32_t FDefaultTextColor = 0xFF000000u;
  THAlign FDefaultTextAlign = thStart;
  float DefaultFontSize = 16.0f;
  String FDefaultFontName = u"Times New Roman";
  int MaxNonBreakPart = 10;
  uint32_t HighlightTextColor = 0xFFFFEF80u;
  bool HasFixedAttachment = false;
  std::atomic<bool> Changed{false};
  TLayoutRequest NeedRecalc{true};
  // Incremental layout: the last laid-out client size; while a pass runs
  // on marked elements only, whether a kept box found its inputs changed
  // (the pass is then run again in full).
  bool EnableIncrementalLayout = true;
  bool FLaidOut = false;
  int FLaidOutWidth = 0, FLaidOutHeight = 0;
  bool FIncrementalLayout = false;
  bool FIncrementalFailed = false;
  int FLayoutPassNumber = 0;
  bool FIndexesDirty = false;
  // The style pass passes over clean subtrees only while no children list
  // changed since the last pass (a new node is stale without marking).
  uint64_t FStyledChildLists = 0;
  bool FChildListsKept = false;
  bool FQuirksMode = true;
  bool FCalculatingStyle = false;
  TRectF FViewPort;
  float FDocOffsetX = 0, FDocOffsetY = 0;
  // Paged output: the page margins in pixels (0 top, 1 right, 2 bottom,
  // 3 left) and the height of the current page's footnote area.
  int PageMargins[4] = {0, 0, 0, 0};
  float FFootnoteHeight = 0;
  // How far the element being dragged has moved.
  int DragX = 0, DragY = 0;
  // Pointer interaction: the press that started the drag (document point),
  // the dragged element's position before the drag, the chain (innermost
  // first) of the element under the dragged one at the last move, and the
  // document offsets (rounded) at the last press.
  TPoint DragPoint;
  TElementPosition FDragSavedPosition = epStatic;
  std::vector<TElement*> FDragOverList;
  TPoint FPressOffset;
  // The pointer shape the last move chose, and the one shown over plain
  // content.
  TCursor Cursor = crDefault;
  TCursor DefaultCursor = crDefault;
  TTouchMarkerTracking TouchMarkerTracking = tmNone;
  // Damage: viewport rectangles that a hover restyle changing only paint
  // properties asks the next paint to cover. Empty, or with a whole
  // repaint pending (any other Repaint since the last paint), the next
  // paint covers the whole view. FDamageOnly is set while pointer handling
  // asks for such a repaint.
  std::vector<TRect> DamageRects;
  bool FDamageOnly = false;
  bool FWholeRepaintPending = false;
  // A restyle changed some element's display (the next pass needs a full
  // Recalc); a restyle asked for a second complete restyle.
  bool FDisplayChanged = false;
  bool FRestyleAgain = false;
  // The designer: the selection colour (alpha 0 hides the frame), whether
  // the frame and fill of the current block are drawn, and grid frames of
  // table cells without a full border.
  uint32_t DesignerSelectionColor = 0xFF0078D7u;
  bool HighlightCurrentBlock = false;
  bool DesignerGrid = false;
  THtDocumentOptions Options = 0;
  bool HasOption(THtDocumentOption O) const { return Options & (1u << O); }
  THtDragEndEvent OnElementDragEnd;
  // Elements that pointer handling removes from the tree once the entry
  // point that decided it has run its events (the release chain may still
  // walk them until then).
  std::vector<TElement*> FPendingRemovals;
  int FUserWidth = 0, FUserHeight = 0;
  // The resize handle being dragged (1 top-left .. 8 bottom-right, 0 none)
  // and whether the image being resized leaves its aspect ratio free.
  uint8_t FSizingHandle = 0;
  bool FFreeAspect = false;
  bool FCropImage = false;  // the resize under way ends as a crop
  bool FScriptLoaded = false;
  bool FFullRecalcRequest = false;
  bool FOrientationResolved = false;
  std::atomic<bool> fCacheReady{false};  // also reset by the animation step
  bool FFullRepaint = false;
  bool ForceFullRepaint = false;
  int ScaledClientWidth = 0, ScaledClientHeight = 0;
  int Page = 0;               // the page being painted, from 0
  // Paged output: set once a line outside a fixed container has been placed
  // on the current page (paged output clears it at each page start); and
  // the forced page breaks taken so far.
  bool FPagingBreak = false;
  int FSavedForcedPage = 0;
  // Paged output (page loop in the painting unit): forced page breaks before
  // the current page (numbered page selectors count sections by it; layout
  // counts this page's into FSavedForcedPage), the page size, fit-to-one-page,
  // the orientation of the last page-size text and the one asked for the
  // next page, the doc-section in force.
  int ForcedPage = 0;
  // Paged output: the page count that text naming it shows, once a first
  // pass has counted the pages (0: the placeholder the page surfaces
  // replace at the end), and whether any text named it this pass.
  int FKnownPageCount = 0;
  bool FPageCountShown = false;
  float PageWidthMM = 0, PageHeightMM = 0;
  bool FitInOnePage = false;
  TCSSOrientation Orientation = coDefault;
  TCSSOrientation FNextPageOrientation = coDefault;
  TElement* FCurrentSection = nullptr;
  // Asked before each page is laid out; false ends paging.
  std::function<bool(THtDocument* Sender, int Page)> OnNewPage;
  float FShrinkFactor = 1.0f;  // below 1 while paged output is shrunk to one page
  THtmlEncoding Encoding = heDefault;
  uint32_t Codepage = 0;

  // --- Paint cycle state ------------------------------------------------------------
  THtSceneNotifyEvent BeforeBeginScene, BeforeEndScene;
  int PaintCount = 0;             // paint passes begun (RawPaint included)
  bool BlendedSelection = false;  // the selection is filled as merged rectangles after the tree
  bool ShowPageBreaks = false;    // the editing view marks forced page breaks
  bool FWholeCache = false;       // the last cache render covered the whole document
  int FCachedOffsetX = 0, FCachedOffsetY = 0;
  // The highlight rectangles of the pass being painted, by Top ascending.
  std::vector<TRectF> FSelectionRects;
  std::vector<THtScrollRepaintEntry> ScrollRepaintList;
  // The scroll bar pass before each paint (TElement::UpdateScrollBars):
  // for an element it went into, the children it went on into, kept while
  // the tree, the styles and every idle mark stay as they were, so the
  // next pass skips the idle children without looking at each of them.
  struct TScrollPassEntry {
    uint64_t Tree = 0, Style = 0, Marks = 0;
    std::vector<TElement*> Busy;
  };
  std::unordered_map<const TElement*, TScrollPassEntry> FScrollPass;
  uint64_t FScrollPassMarks = 1;  // moves when an element loses its idle mark
  int DocOffsetX() const;
  int DocOffsetY() const;

  // --- Owned parts ------------------------------------------------------------------
  std::unique_ptr<THtBitmap> B;  // the off-screen bitmap of double-buffered passes
  std::unique_ptr<TCSSStyleSheet> Styles;
  std::unique_ptr<THtCanvas> Surface;
  // The host control the document is shown in; null for a document drawn
  // off screen (then no element gets scroll bars). Not owned.
  ui::IHostControl* Control = nullptr;
  TDocSelection Selection{this};
  THtMouseEvent Event;
  std::unique_ptr<TFlow> FDocFlow;
  std::unique_ptr<TFormValuesList> FFormValues;  // created on first use
  std::unique_ptr<TCSSWeightList> FWeights, FBeforeWeights, FAfterWeights;
  std::unique_ptr<std::vector<String>> ProcessingInstructins;  // created on first use
  // URL (or data: key) to image; a URL may map to null (it gave nothing).
  // Created on first use.
  std::unique_ptr<THtImages> FImages;
  THtStringList DocumentClasses{31};

  // Tracked elements; the tree owns them. An element being destroyed is
  // taken out of every one of them.
  TElement* BodyElement = nullptr;
  TElement* FHoverElement = nullptr;
  TElement* FPressedElement = nullptr;
  TElement* DragElement = nullptr;
  TElement* SizingElement = nullptr;
  TElement* ActiveTable = nullptr;
  TElement* FPageBreak = nullptr;
  std::vector<TElement*> FHoverElements;
  std::vector<TElement*> FTransitionElements;
  std::vector<TElement*> FRunningElements;
  std::vector<TElement*> FFootNotes;

  // --- Locks ------------------------------------------------------------------------
  std::recursive_mutex FLayoutLock;
  std::recursive_mutex FEventLock;
  // Guards the animation list and what the animation step writes.
  std::recursive_mutex FAnimationLock;

  // --- Accessors ----------------------------------------------------------------------
  TElement* Body() const { return BodyElement; }
  THtFontCollection* FontCollection() const { return FFontCollection; }
  // The threaded document's own collection (null for a shared one); whoever
  // keeps drawing recorded with its fonts keeps a copy of this reference.
  std::shared_ptr<THtFontCollection> FontCollectionRef() const { return FOwnedFontCollection; }
  int DPI() const { return FDPI; }
  void SetDPI(int Value);
  const String& HighlightText() const { return FHighlightText; }
  void SetHighlightText(StringView Value);
  THtQuirksMode QuirksModeSelector() const { return FQuirksModeSelector; }
  void SetQuirksModeSelector(THtQuirksMode Value);
  bool IsQuirksMode() override { return FQuirksMode; }
  // The adapter; created on first read (owned) from the global object's
  // adapter class.
  THtScriptAdapter* ScriptAdapter();
  // Frees an adapter the document made and keeps Value, not owned.
  void SetScriptAdapter(THtScriptAdapter* Value);

  // --- Loading (document_loading.cpp) ------------------------------------------------
  // Reads the file as text (encoding from a byte-order mark, else the ANSI
  // code page), sets CurrentFile and parses it.
  void LoadfromFile(const String& FileName);
  // Reads the rest of AStream; a byte-order mark overrides AEncoding.
  void LoadfromStream(TStream& AStream, THtmlEncoding AEncoding, int ACodePage);
  // Builds the tree from HTML once per document, gathers its sheets and
  // fonts and runs the first style pass. A second call raises
  // EHtmlParserException "THtDOcument.Parse should be called only once".
  virtual void Parse(const String& HTML, THtmlEncoding AEncoding, int ACodePage);
  void Parse(const String& HTML) override { Parse(HTML, heDefault, 0); }
  // The html/head/body structure: the document becomes the html element,
  // BodyElement the body (made when missing).
  void NormalizeTree();
  void ParseStyles(const String& StyleText) override;
  String GetURL(const String& Url, TElement* Element);
  void LoadCustomFonts();
  // The registered font name of an @font-face family, else Family.
  String ResolveFontFamily(const String& Family) const;

  // --- Images (document_images.cpp) -------------------------------------------------
  // The image for a URL, from the cache or from the first source that has
  // it: data: URLs, virtual sources, background loading, OnGetImageObject,
  // OnGetImage, local files, resource text. A URL that gives nothing is
  // cached as null. SetURLOnly: an empty image that only records the URL.
  THtImage* GetImage(const String& Url, TElement* Element, bool SetURLOnly);
  // Makes Image a vector image of SVG markup (Text, else Bytes read in the
  // ANSI code page) laid out in a private document. Safe on the image
  // loader's thread. Nested renderings stop at MaxDocumentNesting levels.
  static void RenderSVGImage(THtImage* Image, const THtBytes& Bytes, const String& Text);
  // Drops every reference to the cached images (computed backgrounds,
  // image elements), cancels background loads and frees the images.
  void ClearSharedImages();
  void ResetImageCache();
  // False while a cached image is still being loaded in the background.
  bool AllImagesLoaded();
  // Writes every loaded img element's image into its src as a data: URL.
  void EmbedAllImages();
  // A file's bytes; empty for an empty or blank name or on any error.
  static THtBytes ImageFiletoBytes(const String& FileName);
  // A file's bytes as one character each (ANSI code page); empty on error.
  static String ImageFiletoString(const String& FileName);
  THtBytes ImageListItemtoBytes(THtObject* ImageList, int Index);
  // Replaces the drawing surface (and, for another back end, the fonts and
  // every image). Raises EHtmlParserException "Cannot change canvas class
  // while loading images" while background loads are pending.
  void SetCanvasClass(const THtCanvasClass* Value);
  // Nested documents (inline frames, SVG images) stop at this depth.
  static constexpr int MaxDocumentNesting = 8;
  // How many documents enclose this one through ParentDocument.
  int NestingLevel() const;
  // Whether this document or one enclosing it was loaded from Url.
  bool LoadedFromAncestor(const String& Url) const;
  // Queued calls for this document are skipped once it is destroyed.
  TLivenessToken LivenessToken() const { return FLiveness.Token(); }

  // --- Style and layout cycle (style_cycle.cpp) ----------------------------------------
  bool CalcStyle(TCSSStyleSheet* AStyles) override;
  void CalcSize(const TRect& AViewPort);
  void CalcSize(int AWidth, int AHeight) { CalcSize(TRect{0, 0, AWidth, AHeight}); }
  void Recalc();
  void Refresh();
  // The paint entry; Canvas and AWindowHandle are the platform's, opaque here.
  void Draw(THtObject* Canvas, const TRect& AViewPort, const TRect& AClipRect, float ADocOffsetX, float ADocOffsetY,
            uintptr_t AWindowHandle);
  void Draw(THtObject* Canvas, const TRect& DrawRect);
  void ResetCache();
  // One paint pass as the surface's scene describes it (the painting unit).
  void InternalPaint();
  // Paints onto ASurface inside a scene the caller has begun and will end.
  void RawPaint(THtCanvas& ASurface, const THtCanvasScene& AScene);

  // --- Form access (form_values.cpp) ----------------------------------------------------
  // The name=value list of the named form controls, refilled on every read
  // (the last control of a name wins; an empty value is not listed); lines
  // written into it go into the controls of that name.
  TFormValuesList& FormValues();
  // False when any form control is invalid (:invalid).
  bool FormValid();
  // Paged output: the usable bottom of the current page (not paged: the
  // inner bottom), in document coordinates less the vertical offset. Line
  // breaking ends a page where its lines pass it (the painting unit).
  float PageBottom();
  bool NeedFullRepaint() const { return HasFixedAttachment || FFullRepaint || ForceFullRepaint; }
  // Layout steps of CalcSize that the layout unit fills: building the boxes
  // and placing them. Empty until layout exists.
  std::function<void(THtDocument&)> OnLayoutPass;
  // The layout unit's pass when OnLayoutPass is empty: boxes built, sized,
  // placed, and the document's size from them (bodies in the layout unit).
  void LayoutPass();

  // --- Canvas services for computed style (style_cycle.cpp) ---------------------------
  // The font of the collection for a family, size in pixels and style bits
  // (bold, italic, underline, strike-out, light, ultra-light), scaled.
  THtFont* StyleFont(const String& Family, float Size, THtFontStyles Style, float Scale);
  THtBrush* ColorBrush(uint32_t Color);
  // Decodes a generic family name in place; whether the canvas class has it.
  bool CanvasHasFont(String& Family) const;

  // --- Animations (the animation list; the thread that steps it is apart) --------------
  // Takes Item into the list (owned).
  void AddAnimation(TAbstractAnimation* Item);
  // Removes and frees Item when listed.
  void DeleteAnimation(TAbstractAnimation* Item);
  size_t AnimationCount();
  // The listed animations, for inspection under FAnimationLock.
  const std::vector<std::unique_ptr<TAbstractAnimation>>& Animations() const { return FAnimations; }
  // Runs on the animation thread when an animation ends: it may only post
  // to the main thread's dispatcher.
  std::function<void(THtDocument* Sender, TAbstractAnimation* Animation)> OnAnimationEnd;
  bool SubscribedtoAnimation = false;  // guarded by FAnimationLock
  // Registers the document with the animation thread once.
  void SubscribetoAnimation();
  // The one step of the animation list, on the animation thread (or a
  // test): advances the animated images and the animations, ends finished
  // ones, lists the elements to restyle for ApplyAnimatedStyles and sets
  // NeedRepaint, and NeedRecalc or a paint-cache reset.
  virtual void Animate(int32_t AStep);
  // efHasAnimatedImages of the document, set and cleared with a copy the
  // animation thread reads (the element flag word is the main thread's).
  void SetHasAnimatedImages(bool Value);
  bool HasAnimatedImages() const { return FHasAnimatedImages; }
  void AnimationFinished(TAbstractAnimation* Animation);
  // Main thread: restyles the elements the animation thread listed and
  // shows the frames its images advanced to.
  void ApplyAnimatedStyles();

  // --- Element factories ---------------------------------------------------------------
  const THtNodeClass* GetElementClass(StringView Tag, THtNode* ARoot) override;
  // A new element of the class registered for ATag; not inserted anywhere.
  virtual std::unique_ptr<TElement> CreateElement(StringView ATag);
  virtual std::unique_ptr<TElement> CreateTextNode(StringView AContent);
  // A "style" or "script" element with the content, appended to the first
  // "head" element, or to the document without one.
  TElement* AddStyleElement(StringView StyleContent);
  TElement* AddScriptElement(StringView ScriptContent);
  void SetInnerHTML(StringView s) override;
  void SetOuterHTML(StringView s) override;

  // --- Order numbers --------------------------------------------------------------------
  int GenIndex() { return FIndexCounter++; }
  // Renumbers every element from 0 in document order.
  void RecalcIndexes();
  // The AIndex-th element with a tag in document order (<= 0: the
  // document); null past the end.
  TElement* ElementbyAbsoluteTagIndex(int AIndex);
  void ConvertAttributesToStyle();

  // --- Event queue -----------------------------------------------------------------------
  // Appends an event; the target is the current pointer event's target when
  // called on the main thread, else none (other threads must not read it).
  void QueueElementEvent(TElement* E, StringView EventName, TShiftState Shift);
  void ClearElementsEvents();
  // Takes the whole queue out for running.
  THtElementEvents TakeElementEvents();
  // A copy of the queue, for inspection.
  THtElementEvents ElementEvents();
  void DoOnClick(TElement* Sender, TShiftState Shift);
  void DoElementEnter(TElement* Sender);
  void DoElementExit(TElement* Sender);
  // Runs the queue: each event's inline "on"+event handler through the
  // script adapter, and OnClick for "click" and "dblclick".
  void ProcessElementEvents();

  // --- Pointer input (pointer_input.cpp and drag_drop.cpp in the painting unit) ------------
  // Viewport points; Shift carries the buttons and modifiers. A press
  // (Down) or a release; a move, also with a button held; a wheel step
  // (WheelDelta the platform's signed amount). They keep hover, active
  // state, cursor, drag, resizing and the mouse selection, run the element
  // events they queued and restyle, lay out and repaint as the flags ask.
  // OnMouseMove drops exceptions raised by handlers; the others let them
  // pass.
  void OnMouseDown(int X, int Y, bool Down, TShiftState Shift);
  void OnMouseMove(int X, int Y, TShiftState State);
  void OnMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos);
  // The move step while a drag is under way (document point): moves the
  // dragged element and queues "dragenter" and "dragleave" on the chains
  // the pointer entered and left.
  void DragOver(int X, int Y, TShiftState State);
  // Lays the document out again for the current viewport.
  void RecalcLayout();

  // --- Small overrides -----------------------------------------------------------------------
  float GetRealTop() const override { return 0; }
  void FindContainer() override;
  void ResetStyle() override;
  int GetScrollLeft() override { return int(-FDocOffsetX); }
  int GetScrollTop() override { return int(-FDocOffsetY); }
  void SetScrollLeft(int Value) override;
  void SetScrollTop(int Value) override;
  virtual void Repaint();
  // Asks for a style pass over the document before the next layout.
  void RecalcStyles();
  // Removes E's animations (Par: the animation, null for all of them). No
  // animations run yet, so nothing is kept to remove.
  void DeleteElementAnimations(TElement* E, THtObject* Par);

  // --- Queries (document_queries.cpp) ---------------------------------------------------
  // Elements after the document, in document order, whose attribute equals
  // the value exactly; an absent attribute counts as "" (so the empty id
  // answers the first element without one).
  TElement* GetElementbyId(StringView AID);
  void GetElementsbyID(StringView ID, THtNodeList& List);
  void GetElementsbyAttr(StringView AttrName, StringView AttrValue, THtNodeList& List);
  // The head element, made (once) as the first child of the html element
  // when the document has none.
  TElement* Head();
  // Every style element of the document.
  IHtNodeList StyleSheets();
  // The word walk over the whole document.
  bool GetFirstWord(THtWord& W) override;
  // The next word of visible text after W's end block (from the start of
  // the document when W is clear).
  bool GetNextWord(THtWord& W, bool LettersOnly);
  // Whether a word is spelt correctly; unset, nothing is checked.
  TSpellCheckEvent OnSpellCheck;
  bool SpellChecking = true;

  // --- Selected HTML (element_serialise.cpp) --------------------------------------------
  // Set while the selection's HTML is written.
  bool FSerializingSelection = false;
  // The HTML of the selected part of the body, with the tags that carry its
  // structure and inline formatting.
  String GetSelectedHTML();

  // --- Paged output (paged_state.cpp; the page loop in the painting unit) ----------------
  // Prepares the document and the surface for the first page; a width of 0
  // lets @page, the first doc-section or A4 decide.
  void BeginPaging(float APageWidthMM, float APageHeightMM, bool AFitInOnePage, int ATopOffset);
  // Lays out and paints the next page; true when another should follow.
  bool NextPage(int TopOffset);
  void EndPaging();
  // The whole loop. A document whose text names the page count is paged
  // again with the count written in (OnNewPage is asked again), so that
  // text centred or right-aligned around it stands in its place.
  void GeneratePagesForPrint(float APageWidthMM, float APageHeightMM, bool AFitInOnePage, int ATopOffset);
  // Page size, orientation and fit from the page-size text (CustomPageSize,
  // else @page's size), then margins enlarged for the running elements.
  void GetPageBounds(TCSSOrientation CustomOrientation, const String& CustomPageSize, float DefaultMarginMM);
  void CalcPageMargins();
  // A doc-section's size: a named size or lengths in whole millimetres,
  // then an orientation word.
  void ApplySectionPageSize(const String& SizeText);
  float LastPageHeight();
  // The style pass lists running elements (footnotes apart); line layout
  // registers each footnote once and widens the bottom margin by it.
  void AddRunningElement(TElement* E);
  void AddFootNote(TElement* E);
  // The running elements for the current page: the last "footer" and the
  // last "heading" that match, and every element of another name (which
  // also stops later headings), from the end of the list.
  std::vector<TElement*> ChooseRunningElements();
  // Painted before each page's content.
  void DrawFootnotes();
  void DrawRunningElements();
  void DrawRunningElement(TElement* E);
  // Printing and PDF (print_output.cpp in the painting unit).
  void Print(THtObject* PrintDialog);
  static std::vector<uint8_t> HTMLtoPDF(const String& AHTML, const String& AStyles);
  static void HTMLtoPDFFile(const String& AHTML, const String& FileName);
  static String GeneratePrintPreviewTemplate(THtDocument* PrintDoc, int Zoom, int HPages, int VPages,
                                             bool ColumnView);
  String GeneratePreviewPages(float Scale);
  // The first recorded string of a page whose rectangle holds the point.
  THtMetaTextRec* GetMetaTextRecAt(int APage, float X, float Y);

  // --- Saving (document_save.cpp) ---------------------------------------------------------
  // Every saver sets Encoding (the ANSI ones Codepage too) for its duration
  // and puts the old values back, also when it raises; a file that cannot be
  // created raises the platform's file error. Files hold the document
  // wrapped in "<html>" ... "</html>" unless it is an html element or has
  // one. UTF-8 files start with EF BB BF, UTF-16 ones with FF FE.
  //
  // The whole document as HTML (restyled first when Changed).
  String GetOuterHTML() override;
  String OuterHTML() { return GetOuterHTML(); }
  // The same indented by nesting level, Spaces per level.
  String FormattedHTML(int Spaces);
  // Bytes in a code page (0: the system's); characters it lacks become "?".
  void SaveToFileANSI(const String& FileName, int ACodePage);
  // 7-bit text, every other character as one "&#N;" per code point.
  void SaveToFileANSIEncoded(const String& FileName);
  void SaveToStreamANSIEncoded(TStream& AStream);  // no html wrap
  void SaveToFileUTF8(const String& FileName);
  void SavetoFileUnicode(const String& FileName);
  void SavetoFile(const String& FileName, THtmlEncoding AEncoding);
  void SavetoStream(TStream& AStream, THtmlEncoding AEncoding);
  // Copies linked style sheets and images (through OnGetImage) into the
  // folder FileName + ".files", points the links at the copies, then saves
  // the document. A resource that fails is skipped and keeps its link.
  void SavetoLocalFile(const String& FileName, THtmlEncoding AEncoding);
  // The charset the meta element announces for the current Encoding.
  String SaveCharset() const;

  // --- Generated HTML (generated_html.cpp) ------------------------------------------------
  // The registry's properties as an indented HTML table sorted by name.
  static String SupportedCSSProperties();
  // One element per h1..h5 heading: <hN content="text">text</hN>.
  String CreateTableofContents();
  // One numbered paragraph with an excerpt per hit of each word of Text,
  // under the h2 heading before it; "<h3>-</h3>" when nothing is found.
  String CreateSearchResult(const String& Text);

  // --- Selected text and search (text_search.cpp) ------------------------------------
  // The whole selection as plain text: paragraphs and blocks joined by
  // CR LF, table cells by a space.
  String GetSelectedText();
  // Replaces the word W with NewText through the selection, then finds the
  // word at or after W's old place again into W; false when none is left.
  bool ReplaceWord(THtWord& W, StringView NewText);
  // The first text element, from StartElement on in document order (Down)
  // or backward, whose prepared text holds Text (lower-cased unless
  // CaseSensitive); TextPos is the 1-based position of the match in it, and
  // on entry where the search starts in the first text searched. Null when
  // nothing is found or Text is empty.
  TElement* FindText(StringView Text, int& TextPos, TElement* StartElement, bool Down, bool CaseSensitive);

  // --- Hit testing (hit_testing.cpp in the painting unit) ----------------------------------
  // Viewport points are pixels of the host control; document points are
  // document pixels: document = viewport / scale - offset per axis, with
  // the surface's scale factor and FDocOffsetX/FDocOffsetY. Nothing here
  // changes the document.
  TPointF ViewporttoDocument(TPointF P) const;
  TPointF DocumenttoViewport(TPointF P) const;
  // The run under a document point (see TElement::GetLineBlockAt); the
  // caller sets Res to null first.
  using TElement::GetLineBlockAt;
  void GetLineBlockAt(float X, float Y, StringView ATag, StringView AStyleClass, THtLineBlock*& Res);
  // The element of the run under a viewport point, or null.
  TElement* GetElementAt(int X, int Y, StringView ATag = {}, StringView AStyleClass = {});
  // The text or replaced element nearest to a document point and the
  // caret position in it (a text element's; 0 otherwise); null and 0 when
  // no run can be found.
  void GetNearestElement(int X, int Y, TElement*& E, int& CharPos);
  // Every element under a viewport point, topmost first, each once; a new
  // list that owns nothing.
  IHtNodeList ElementsFromPoint(float x, float y);
  // The element holding the character at Value in the whole document's
  // text (the sum of AbsolutePositionDelta before it); -1 gives null. With
  // SelectRight, a position at the end of a text gives the next line
  // element.
  TElement* GetElementbyAbsolutePosition(int Value, bool SelectRight);
  // The run holding the character at the absolute position CharPos, which
  // becomes the character's index in its text element; null unless a text
  // element holds it.
  THtLineBlock* GetLineBlockbyAbsoluteCharPosition(int& CharPos);

  // Called from an element's destruction: E leaves every tracked pointer,
  // list and queued event.
  void ElementDeleted(TElement* E);

 private:
  int FDPI = 96;
  int FIndexCounter = 0;
  String FHighlightText;
  THtQuirksMode FQuirksModeSelector = qmAuto;
  THtFontCollection* FFontCollection = nullptr;
  std::shared_ptr<THtFontCollection> FOwnedFontCollection;
  THtScriptAdapter* FScriptAdapter = nullptr;
  bool FOwnsScriptAdapter = false;
  THtElementEvents FEvents;
  std::vector<std::unique_ptr<TAbstractAnimation>> FAnimations;  // guarded by FAnimationLock
  std::atomic<bool> FHasAnimatedImages{false};
  bool FNewImageFrames = false;  // an image advanced its frame; guarded by FAnimationLock
  std::vector<TElement*> FAnimatedStyleElements;  // listed by the animation step; guarded by FAnimationLock
  THtElementEvents FRunningEvents;  // the queue being run; guarded by FEventLock
  bool FProcessingEvents = false;
  TLiveness FLiveness;
};

}  // namespace ht
