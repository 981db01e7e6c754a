#pragma once
// The records of a display list: one object per drawing call made on the
// recording canvas. A record keeps what the call needs to be repeated
// (coordinates, text, copies of the brush, pen and path) and replays itself
// on any canvas with Draw(Canvas, AOpacity), where AOpacity fades the whole
// replay. On a canvas of the back end whose objects it holds it uses them
// directly (changing their colour only for the call); on another back end it
// rebuilds equivalent objects through the target canvas.
//
// Records also write themselves to the recording stream and are rebuilt from
// it (meta_stream.h); those constructors take a THtMetaReader.
#include <memory>

#include "canvas/box_shadow.h"
#include "canvas/brush.h"
#include "canvas/canvas_types.h"
#include "canvas/font.h"
#include "canvas/image_drawing.h"
#include "canvas/matrix.h"
#include "canvas/path.h"
#include "canvas/pen.h"
#include "canvas/text_run.h"
#include "platform/rtl/geometry.h"
#include "platform/rtl/object.h"
#include "platform/rtl/stream.h"
#include "platform/rtl/string.h"

namespace ht {

class THtMetaReader;
class THtMetaWriter;

// Stream codes of the record kinds.
enum THtMetaRecCode : uint16_t {
  mrcNone = 0,
  mrcText = 1,
  mrcPath = 2,
  mrcLine = 3,
  mrcImage = 4,
  mrcMatrix = 5,
  mrcState = 6,
  mrcClip = 7,
  mrcEllipse = 8,
  mrcRect = 9,
};

class THtMetaCanvasRec : public THtObject {
 public:
  THtMetaCanvasRec() = default;
  THtMetaCanvasRec(const THtMetaCanvasRec&) = delete;
  THtMetaCanvasRec& operator=(const THtMetaCanvasRec&) = delete;

  virtual void Draw(THtCanvas* Canvas, float AOpacity) = 0;
  // Makes the record independent of objects owned elsewhere.
  virtual void Unify() {}
  // Writes the code and the fields; the base writes only the code 0.
  virtual void SavetoStream(THtMetaWriter& ST);
};

// A brush for a target canvas: Brush is the canvas's shared solid brush
// (never freed) or Owned, a new gradient brush.
struct THtBrushFor {
  THtBrush* Brush = nullptr;
  std::unique_ptr<THtBrush> Owned;
};

// Gradients rebuilt with the canvas's brush class (stops not faded); any
// other kind as the canvas's shared solid brush in the brush colour faded by
// Opacity.
THtBrushFor CreateBrushFor(THtBrush* Brush, THtCanvas* Canvas, float Opacity);
// The canvas's shared pen with the pen's colour (not faded), width, style,
// join, cap, dash offset and dashes. Callers reset its style to hpsSolid
// where the shared pen must not stay dashed.
THtPen* CreatePenFor(THtPen* Pen, THtCanvas* Canvas);

class THtMetaTextRec : public THtMetaCanvasRec {
 public:
  // No-break spaces, carriage returns and line feeds in s become blanks.
  THtMetaTextRec(StringView s, const TRectF& AR, THtFont* AFont, const THtTextStyle& ATextStyle);
  THtMetaTextRec(THtMetaReader& ST, const THtCanvasClass* CanvasClass, THtFontCollection* FontCollection);

  void Draw(THtCanvas* Canvas, float AOpacity) override;
  void SavetoStream(THtMetaWriter& ST) override;

  String Text;
  THtFont* Font = nullptr;  // owned by its collection
  THtFontStyles FontStyle;
  bool RTL = false;
  bool Ellipsis = false;
  TRectF R;
  uint32_t UnderlineColor = 0;
  float Opacity = 1;
  THtTextStyle TextStyle;

 protected:
  // Prepares Font and TextStyle for a replay; the font to draw with, or
  // null when the target has no matching font.
  THtFont* prepare(THtCanvas* Canvas, float AOpacity, bool& SameBackEnd);
};

class THtMetaTextExRec : public THtMetaTextRec {
 public:
  THtMetaTextExRec(StringView s, const TRectF& AR, THtFont* AFont, const THtTextStyle& ATextStyle,
                   const TSingleArray& ASpacing, THtBrush* AFill, THtPen* AStroke);

  void Draw(THtCanvas* Canvas, float AOpacity) override;

  bool HasFill = false;
  bool HasStroke = false;
  std::unique_ptr<THtBrush> Fill;  // only a fill that is not solid
  std::unique_ptr<THtPen> Stroke;  // only a stroke that is dashed or styled
  uint32_t FillColor = 0;
  uint32_t StrokeColor = 0;
  float StrokeWidth = 0;
  TSingleArray Spacing;
};

class THtMetaPathRec : public THtMetaCanvasRec {
 public:
  THtMetaPathRec(THtPath* APath, THtBrush* ABrush, THtPen* APen, bool AFill);
  THtMetaPathRec(THtMetaReader& ST, const THtCanvasClass* CanvasClass, THtFontCollection* FontCollection);

  void Draw(THtCanvas* Canvas, float AOpacity) override;
  void SavetoStream(THtMetaWriter& ST) override;

  std::unique_ptr<THtPath> Path;
  std::unique_ptr<THtBrush> Brush;
  std::unique_ptr<THtPen> Pen;
  bool Fill = false;
  TRectF Bounds;
};

class THtMetaLineRec : public THtMetaCanvasRec {
 public:
  THtMetaLineRec(THtPen* APen, float ax1, float ay1, float ax2, float ay2);
  THtMetaLineRec(THtMetaReader& ST, const THtCanvasClass* CanvasClass, THtFontCollection* FontCollection);

  void Draw(THtCanvas* Canvas, float AOpacity) override;
  void SavetoStream(THtMetaWriter& ST) override;

  float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  std::unique_ptr<THtPen> Pen;  // a base-class pen
};

class THtMetaImageRec : public THtMetaCanvasRec {
 public:
  // AImage is referenced, not owned.
  THtMetaImageRec(THtImage* AImage, const TRectF& ARSource, const TRectF& ARDest, float AOpacity);
  THtMetaImageRec(THtMetaReader& ST, const THtCanvasClass* CanvasClass, THtFontCollection* FontCollection);
  ~THtMetaImageRec() override;

  void Draw(THtCanvas* Canvas, float AOpacity) override;
  // Keeps the image's encoded bytes in ImageData and lets go of the image.
  void Unify() override;
  void SavetoStream(THtMetaWriter& ST) override;

  THtImage* Image = nullptr;
  TRectF RSource;
  TRectF RDest;
  THtBytes ImageData;
  float Opacity = 1;
  bool FImageSelfCreated = false;

 protected:
  // A temporary image of the canvas's class made from Image's bytes (or
  // ImageData); null when there are none.
  std::unique_ptr<THtImage> imageFromBytes(THtCanvas* Canvas) const;
};

class THtMetaFillImageRec : public THtMetaImageRec {
 public:
  // Background is copied with its lengths fixed to pixels.
  THtMetaFillImageRec(const TRectF& AR, THtImage* AImage, float AOriginDeltaX, float AOriginDeltaY,
                      const TElementBackground& ABackground, float AOpacity, float ARadius);

  // With the image of the canvas's class, or else from the image's bytes
  // (ImageData once Unify let go of the image).
  void Draw(THtCanvas* Canvas, float AOpacity) override;

  float OriginDeltaX = 0, OriginDeltaY = 0;
  float Radius = 0;
  std::unique_ptr<TElementBackground> Background;  // never null
};

class THtMetaMatrixRec : public THtMetaCanvasRec {
 public:
  explicit THtMetaMatrixRec(const THtMatrixData& AMatrix) : M(AMatrix) {}
  THtMetaMatrixRec(THtMetaReader& ST, const THtCanvasClass* CanvasClass, THtFontCollection* FontCollection);

  // Always composed with the target's current matrix.
  void Draw(THtCanvas* Canvas, float AOpacity) override;
  void SavetoStream(THtMetaWriter& ST) override;

  THtMatrixData M;
};

class THtMetaStateRec : public THtMetaCanvasRec {
 public:
  explicit THtMetaStateRec(bool ASave) : Save(ASave) {}
  THtMetaStateRec(THtMetaReader& ST, const THtCanvasClass* CanvasClass, THtFontCollection* FontCollection);

  void Draw(THtCanvas* Canvas, float AOpacity) override;
  void SavetoStream(THtMetaWriter& ST) override;

  bool Save;
};

class THtMetaClipRec : public THtMetaCanvasRec {
 public:
  THtMetaClipRec(const TRectF& AClip, THtPath* APath);
  THtMetaClipRec(THtMetaReader& ST, const THtCanvasClass* CanvasClass, THtFontCollection* FontCollection);

  void Draw(THtCanvas* Canvas, float AOpacity) override;
  void SavetoStream(THtMetaWriter& ST) override;

  TRectF Clip;
  std::unique_ptr<THtPath> Path;  // may be null
};

class THtMetaEllipseRec : public THtMetaCanvasRec {
 public:
  THtMetaEllipseRec(float ax, float ay, float aw, float ah, THtBrush* ABrush, THtPen* APen);
  THtMetaEllipseRec(THtMetaReader& ST, const THtCanvasClass* CanvasClass, THtFontCollection* FontCollection);

  void Draw(THtCanvas* Canvas, float AOpacity) override;
  void SavetoStream(THtMetaWriter& ST) override;

  float X = 0, Y = 0, w = 0, h = 0;
  std::unique_ptr<THtBrush> Brush;
  std::unique_ptr<THtPen> Pen;
};

class THtMetaRectRec : public THtMetaCanvasRec {
 public:
  THtMetaRectRec(float AX, float AY, float AW, float AH, THtBrush* ABrush, THtPen* APen);
  THtMetaRectRec(THtMetaReader& ST, const THtCanvasClass* CanvasClass, THtFontCollection* FontCollection);

  void Draw(THtCanvas* Canvas, float AOpacity) override;
  void SavetoStream(THtMetaWriter& ST) override;

  float X = 0, Y = 0, w = 0, h = 0, Rx = 0, Ry = 0;
  bool Rounded = false, Fill = false, Stroke = false;
  std::unique_ptr<THtPen> Pen;      // only a dashed or styled pen
  std::unique_ptr<THtBrush> Brush;  // only a brush that is not solid
  uint32_t BrushColor = 0, PenColor = 0;
  float PenWidth = 0;
};

class THtMetaLinkRec : public THtMetaCanvasRec {
 public:
  THtMetaLinkRec(const TRectF& AR, StringView AHRef, bool AIsAnchor) : R(AR), Href(AHRef), IsAnchor(AIsAnchor) {}

  void Draw(THtCanvas* Canvas, float AOpacity) override;

  TRectF R;
  String Href;
  bool IsAnchor;
};

class THtMetaShadowRec : public THtMetaCanvasRec {
 public:
  THtMetaShadowRec(THtPath* APath, const THtShadowProps& AProps);

  // Not faded by the replay's opacity.
  void Draw(THtCanvas* Canvas, float AOpacity) override;

  String PathData;  // SVG path data, empty without a path
  THtShadowProps Props;
};

}  // namespace ht
