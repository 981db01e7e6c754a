#pragma once
// THtMetaCanvas: a canvas that draws nothing. Every drawing call becomes a
// record (meta_records.h) appended to a display list, THtMetaList, which can
// be replayed on any canvas, written to a stream (meta_stream.h) or handed
// page by page to a paged exporter (exporters.h). While paging, each page is
// a THtPageMeta owning its own list.
//
// The recording canvas makes no drawing objects of its own: measuring and
// resources go to a reference canvas class (RefCanvas), so the objects
// callers pass in are those of a real back end and the records keep clones.
#include <functional>
#include <memory>
#include <vector>

#include "canvas/canvas.h"
#include "canvas/image_drawing.h"
#include "canvas/meta_records.h"
#include "markup/object_list.h"

namespace ht {

class THtPagedExporter;

// Called before each record is drawn; it cannot skip the record.
using THtMetaRecDrawEvent =
    std::function<void(THtMetaCanvasRec* Sender, THtCanvas* Canvas, float AOpacity, int APage)>;

class THtMetaList : public THtObject {
 public:
  explicit THtMetaList(bool AOwnsObjects);
  THtMetaList(const THtMetaList&) = delete;
  THtMetaList& operator=(const THtMetaList&) = delete;

  // Appends ARec (the list takes it over when owning) and returns it.
  THtMetaCanvasRec* Add(THtMetaCanvasRec* ARec);
  // Appends a record that the list frees, also when it does not own the
  // records it refers to (the state and matrix records of an N-up sheet).
  template <class T>
  T* Add(std::unique_ptr<T> ARec) {
    T* rec = ARec.get();
    if (FRecs.OwnsObjects()) {
      Add(static_cast<THtMetaCanvasRec*>(ARec.release()));
    } else {
      Add(static_cast<THtMetaCanvasRec*>(rec));
      FKept.push_back(std::move(ARec));
    }
    return rec;
  }
  int Count() const { return FRecs.Count(); }
  // 0 <= Index < Count, else EListError.
  THtMetaCanvasRec* GetRec(int Index) const { return FRecs.Get(Index); }
  THtMetaCanvasRec* operator[](int Index) const { return GetRec(Index); }
  auto begin() const { return FRecs.begin(); }
  auto end() const { return FRecs.end(); }

  // OnDrawRecord, then the record's Draw, for every record in order.
  void Play(THtCanvas* ACanvas, float AOpacity);
  void Unify();

  // The recording stream: see meta_stream.h. Loading appends the records
  // read after those already in the list; a truncated or damaged stream
  // raises EMetaStreamError and adds nothing.
  void SavetoStream(TStream& ST);
  void LoadfromStream(TStream& ST, const THtCanvasClass* ACanvasClass, THtFontCollection* AFontCollection);

  THtMetaRecDrawEvent OnDrawRecord;
  int Page = 0;  // 0-based index of the page the list belongs to

 private:
  THtObjectListOf<THtMetaCanvasRec> FRecs;
  std::vector<std::unique_ptr<THtMetaCanvasRec>> FKept;  // freed with a list that owns no entries
};

class THtPageMeta : public THtPage {
 public:
  static const THtPageClass ClassType;
  const THtPageClass* ClassRefOf() const override { return &ClassType; }

  THtPageMeta(float AWidthMM, float AHeightMM, int ANumber, int ADPI);

  // A vector image playing Meta (not owned by the image: keep the page
  // alive while it is used), sized for DPI (96 when 0); AWidth is not used.
  std::unique_ptr<THtImage> AsImage(int AWidth, int DPI) override;
  // Empty.
  THtBytes AsMetaFileBytes() override;
  virtual void ClearCache() {}

  std::unique_ptr<THtMetaList> Meta;  // owns its records; Page = Number - 1
};

// The recording canvas's class functions: resources and measuring forward
// to RefCanvas.
class THtMetaCanvasClass : public THtCanvasClass {
 public:
  using THtCanvasClass::THtCanvasClass;

  // HtRefCanvasClass when set, else HtDefaultCanvasClass, else the base
  // canvas class (base drawing objects, no measuring).
  virtual const THtCanvasClass* RefCanvas() const;

  const THtBrushClass* BrushClass() const override { return RefCanvas()->BrushClass(); }
  const THtPenClass* PenClass() const override { return RefCanvas()->PenClass(); }
  const THtFontClass* FontClass() const override { return RefCanvas()->FontClass(); }
  const THtImageClass* ImageClass() const override { return RefCanvas()->ImageClass(); }
  const THtPathClass* PathClass() const override { return RefCanvas()->PathClass(); }
  const THtPageClass* PageClass() const override { return &THtPageMeta::ClassType; }
  const THtBitmapClass* BitmapClass() const override { return RefCanvas()->BitmapClass(); }
  THtFontCollection* SharedFontCollection() const override { return RefCanvas()->SharedFontCollection(); }
  std::unique_ptr<THtFontCollection> CreateFontCollection() const override {
    return RefCanvas()->CreateFontCollection();
  }
  // The reference class's flags without hcfNeedBuffer and hcfSupportsTextLayouts.
  THtCanvasFlags GetFlags() const override;
  void GetFonts(std::vector<String>& List) const override { RefCanvas()->GetFonts(List); }
  bool HasFont(StringView FontName) const override { return RefCanvas()->HasFont(FontName); }
  THtBytes ImageListItemtoBytes(THtObject* ImageList, int Index) const override {
    return RefCanvas()->ImageListItemtoBytes(ImageList, Index);
  }
  float MeasureString(StringView s, THtFont* Font, const THtTextStyle& TextStyle, float Scale, int AFirstChar,
                      int ALength) const override {
    return RefCanvas()->MeasureString(s, Font, TextStyle, Scale, AFirstChar, ALength);
  }
  bool PointInPath(float X, float Y, THtPath* Path) const override { return RefCanvas()->PointInPath(X, Y, Path); }
  bool PointOnPath(float X, float Y, THtPath* Path, float w) const override {
    return RefCanvas()->PointOnPath(X, Y, Path, w);
  }
};

// A canvas class the recording canvas prefers to HtDefaultCanvasClass;
// unset unless a host sets it.
extern const THtCanvasClass* HtRefCanvasClass;

class THtMetaCanvas : public THtCanvas {
 public:
  static const THtMetaCanvasClass ClassType;
  const THtCanvasClass* ClassRefOf() const override { return &ClassType; }

  THtMetaCanvas();
  ~THtMetaCanvas() override;

  // ---- recording
  void DrawPath(THtPen* Pen, THtPath* Path) override;
  void FillPath(THtBrush* Brush, THtPath* Path) override;
  void IntersectClip(const TRectF& R) override;
  void IntersectClip(THtPath* ClipPath) override;
  void FillEllipse(THtBrush* Brush, float X, float Y, float w, float h) override;
  void DrawEllipse(THtPen* Pen, float X, float Y, float w, float h) override;
  void FillRectangle(THtBrush* Brush, float X, float Y, float w, float h) override;
  void DrawRectangle(THtPen* Pen, float X, float Y, float w, float h) override;
  void FillRoundRect(THtBrush* Brush, const TRectF& R, float RadiusX, float RadiusY) override;
  void RoundRect(THtPen* Pen, const TRectF& R, float RadiusX, float RadiusY) override;
  // Pen must be given (nothing is recorded without one).
  void DrawLine(THtPen* Pen, float x1, float y1, float x2, float y2) override;
  // The image is referenced, not copied; nothing is recorded without one.
  void DrawImage(THtImage* Image, const TRectF& R, float Opacity) override;
  // TileImage is the base one: one recorded image per tile.
  void FillImage(const TRectF& R, THtImage* Image, float OriginDeltaX, float OriginDeltaY,
                 const TElementBackground& Background, float Opacity, float Radius) override;
  // A negative ALength means the rest of s from AFirstChar; nothing is
  // recorded for an empty part, a zero opacity or (DrawString only) a
  // colour whose alpha is 0.
  void DrawString(StringView s, const TRectF& R, THtFont* Font, const THtTextStyle& TextStyle, int AFirstChar,
                  int ALength) override;
  void DrawStringEx(StringView s, const TRectF& R, THtFont* Font, const THtTextStyle& TextStyle,
                    const TSingleArray& ASpacing, THtBrush* AFill, THtPen* AStroke, int AFirstChar,
                    int ALength) override;
  void DrawLink(const TRectF& R, StringView Href, bool IsAnchor) override;
  void DrawShadow(THtPath* Path, const THtShadowProps& Props) override;
  // Records M so that a replay under any starting matrix reproduces the
  // change: with Add false the record holds the matrix that turns the
  // current matrix into M.
  void MatrixTransform(const THtMatrixData& M, bool Add) override;
  void SaveState() override;
  void RestoreState() override;

  // ---- scenes and paging
  // Creates the canvas's own list on the first scene; records the scene's
  // scale and viewport origin as matrices.
  void BeginScene(const THtCanvasScene& AScene) override;
  void NewPage(TCSSOrientation Orientation) override;
  // Replaces the page-count placeholder "$$|$#" in plain text records.
  void EndPaging() override;
  // Moves every page of Source (unified first) to the end of this canvas's
  // pages. Source's pages must all be THtPageMeta (EInvalidCast otherwise,
  // and nothing moves).
  virtual void AddPages(THtMetaCanvas& Source);
  // Pages (or N-up sheets) to AExporter; EndDocument runs whatever happens.
  // PrintOrder indexes outside the pages raise EListError before anything
  // is exported.
  virtual void ExportTo(THtPagedExporter& AExporter);
  // Through the exporter registered as "PDF".
  void SavetoPDFStream(TStream& AStream) override;
  // Rebuilds Multipages from the pages (HPages x VPages per sheet; values
  // below 1 count as 1).
  void BuildMultipages();
  // The sheet size BuildMultipages uses.
  void MultipageSheetSize(int& W, int& H) const;

  // The list receiving records (the canvas's own or the current page's).
  THtMetaList* List() const { return FList; }
  // Hands the canvas's own list to the caller; the canvas records nothing
  // more until a scene or paging gives it a list again.
  std::unique_ptr<THtMetaList> DetachList();

  THtCanvas* FCanvas = nullptr;  // kept for callers; not used here
  std::vector<std::unique_ptr<THtMetaList>> Multipages;  // sheets; they own no page record
  std::vector<int> PrintOrder;                            // 0-based page indexes; empty: page order

 protected:
  void addRec(THtMetaCanvasRec* ARec);
  template <class T>
  void addRec(std::unique_ptr<T> ARec) {
    addRec(static_cast<THtMetaCanvasRec*>(ARec.release()));
  }
  bool textPart(StringView s, int AFirstChar, int ALength, String& Part) const;

  THtMetaList* FList = nullptr;
  std::unique_ptr<THtMetaList> FOwnList;  // the list made by BeginScene
};

}  // namespace ht
