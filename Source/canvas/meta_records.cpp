#include "canvas/meta_records.h"

#include "canvas/canvas.h"
#include "canvas/colors.h"
#include "canvas/image.h"
#include "canvas/meta_canvas.h"
#include "canvas/path_records.h"

namespace ht {

namespace {

bool isPlainPen(const THtPen& P) { return P.GetStyle() == hpsSolid && P.Dashes.empty(); }

// The path to draw APath with on Canvas when its class is another: its own
// record list when the canvas draws record lists, else a path of the canvas's
// class parsed from the list's path data (kept in Temp). Null when APath has
// no record list or the canvas no path class.
THtPath* pathFor(THtCanvas* Canvas, THtPath* APath, bool ForClip, std::unique_ptr<THtPath>& Temp) {
  THtCustomPath* recs = CustomPathOf(APath);
  const THtPathClass* cls = Canvas->PathClass();
  if (!recs || !cls) return nullptr;
  if (cls == &THtCustomPath::ClassType) return recs;
  Temp = cls->Create(ForClip);
  if (!Temp) return nullptr;
  Temp->Parse(recs->AsString());
  Temp->SetFillModeWinding(APath->FillModeWinding());
  return Temp.get();
}

// Fades a colour for one call and puts it back afterwards.
template <class Obj>
class TFadedColor {
 public:
  TFadedColor(Obj* AObj, float AOpacity) : obj_(AObj), color_(AObj->GetColor()), active_(AOpacity != 1) {
    if (active_) obj_->SetColor(ApplyOpacity(color_, AOpacity));
  }
  ~TFadedColor() {
    if (active_) obj_->SetColor(color_);
  }
  TFadedColor(const TFadedColor&) = delete;
  TFadedColor& operator=(const TFadedColor&) = delete;

 private:
  Obj* obj_;
  uint32_t color_;
  bool active_;
};

// Resets the shared pen's style after a call that dashed it.
class TSolidAfter {
 public:
  explicit TSolidAfter(THtPen* APen) : pen_(APen) {}
  ~TSolidAfter() {
    if (pen_) pen_->SetStyle(hpsSolid);
  }
  TSolidAfter(const TSolidAfter&) = delete;
  TSolidAfter& operator=(const TSolidAfter&) = delete;

 private:
  THtPen* pen_;
};

String recordedText(StringView s) {
  String t(s);
  for (char16_t& c : t)
    if (c == 0x00A0 || c == u'\r' || c == u'\n') c = u' ';
  return t;
}

}  // namespace

THtBrushFor CreateBrushFor(THtBrush* Brush, THtCanvas* Canvas, float Opacity) {
  THtBrushFor r;
  if (Brush->Kind == hbGradient) {
    r.Owned = Canvas->BrushClass()->CreateGradient(Brush->GradientRect, 0, 0, Brush->Angle, Brush->FillRect);
    r.Owned->SetGradientColors(Brush->GradientPositions, Brush->GradientColors);
    r.Brush = r.Owned.get();
  } else if (Brush->Kind == hbRadial) {
    r.Owned = Canvas->BrushClass()->CreateRadialGradient(Brush->OffsetX, Brush->OffsetY, Brush->CX, Brush->CY,
                                                         Brush->FX, Brush->FY, Brush->Radius, Brush->Matrix);
    r.Owned->SetGradientColors(Brush->GradientPositions, Brush->GradientColors);
    r.Brush = r.Owned.get();
  } else {
    r.Brush = Canvas->GetBrush(ApplyOpacity(Brush->GetColor(), Opacity));
  }
  return r;
}

THtPen* CreatePenFor(THtPen* Pen, THtCanvas* Canvas) {
  THtPen* p = Canvas->GetPen(Pen->GetColor(), Pen->GetWidth());
  p->SetStyle(Pen->GetStyle());
  p->SetLineJoin(Pen->GetLineJoin());
  p->SetLineCap(Pen->GetLineCap());
  p->SetDashOffset(Pen->GetDashOffset());
  // The pen keeps dashes in multiples of its width.
  TSingleArray dashes = Pen->Dashes;
  for (float& d : dashes) d *= Pen->GetWidth();
  p->SetDashes(dashes);
  return p;
}

// ---------------------------------------------------------------------------
// Text

THtMetaTextRec::THtMetaTextRec(StringView s, const TRectF& AR, THtFont* AFont, const THtTextStyle& ATextStyle)
    : Text(recordedText(s)),
      Font(AFont),
      FontStyle(AFont ? AFont->Style() : THtFontStyles()),
      R(AR),
      UnderlineColor(ATextStyle.DecorationColor),
      Opacity(ATextStyle.Opacity),
      TextStyle(ATextStyle) {}

THtFont* THtMetaTextRec::prepare(THtCanvas* Canvas, float AOpacity, bool& SameBackEnd) {
  if (!Font) return nullptr;
  Font->SetStyle(FontStyle);
  TextStyle.Opacity = Opacity * AOpacity;
  Font->SetScale(1);
  SameBackEnd = Font->ClassRefOf() == Canvas->FontClass();
  if (SameBackEnd) return Font;
  THtFontCollection* fonts = Canvas->FontCollection();
  if (!fonts) fonts = Canvas->ClassRefOf()->SharedFontCollection();
  if (!fonts) return nullptr;
  THtFont* f = fonts->GetFont(Font->RealName, Font->Height(), Font->Style());
  if (!f) return nullptr;
  f->SetStyle(Font->Style());
  f->SetScale(Font->Scale());
  return f;
}

void THtMetaTextRec::Draw(THtCanvas* Canvas, float AOpacity) {
  if (!Canvas->DocumentRectInView(R)) return;
  bool same = false;
  THtFont* font = prepare(Canvas, AOpacity, same);
  if (!font) return;
  Canvas->DrawString(Text, R, font, TextStyle, 1, int(Text.size()));
}

THtMetaTextExRec::THtMetaTextExRec(StringView s, const TRectF& AR, THtFont* AFont, const THtTextStyle& ATextStyle,
                                   const TSingleArray& ASpacing, THtBrush* AFill, THtPen* AStroke)
    : THtMetaTextRec(s, AR, AFont, ATextStyle), HasFill(AFill != nullptr), HasStroke(AStroke != nullptr),
      Spacing(ASpacing) {
  if (AFill) {
    if (AFill->Kind != hbSolid)
      Fill = AFill->Clone();
    else
      FillColor = AFill->GetColor();
  }
  if (AStroke) {
    if (!isPlainPen(*AStroke)) {
      Stroke = AStroke->Clone();
    } else {
      StrokeColor = AStroke->GetColor();
      StrokeWidth = AStroke->GetWidth();
    }
  }
}

void THtMetaTextExRec::Draw(THtCanvas* Canvas, float AOpacity) {
  if (!Canvas->DocumentRectInView(R)) return;
  bool same = false;
  THtFont* font = prepare(Canvas, AOpacity, same);
  if (!font) return;
  const int len = int(Text.size());
  if (same) {
    THtBrush* brush = Fill ? Fill.get() : HasFill ? Canvas->GetBrush(FillColor) : nullptr;
    THtPen* pen = Stroke ? Stroke.get() : HasStroke ? Canvas->GetPen(StrokeColor, StrokeWidth) : nullptr;
    Canvas->DrawStringEx(Text, R, font, TextStyle, Spacing, brush, pen, 1, len);
    return;
  }
  THtBrushFor brush;
  if (Fill)
    brush = CreateBrushFor(Fill.get(), Canvas, AOpacity);
  else if (HasFill)
    brush.Brush = Canvas->GetBrush(FillColor);
  THtPen* pen = Stroke ? CreatePenFor(Stroke.get(), Canvas) : HasStroke ? Canvas->GetPen(StrokeColor, StrokeWidth)
                                                                       : nullptr;
  TSolidAfter reset(pen);
  Canvas->DrawStringEx(Text, R, font, TextStyle, Spacing, brush.Brush, pen, 1, len);
}

// ---------------------------------------------------------------------------
// Path

THtMetaPathRec::THtMetaPathRec(THtPath* APath, THtBrush* ABrush, THtPen* APen, bool AFill)
    : Path(APath ? APath->Clone() : nullptr),
      Brush(ABrush ? ABrush->Clone() : nullptr),
      Pen(APen ? APen->Clone() : nullptr),
      Fill(AFill) {
  if (Path) Path->GetBounds(Bounds, nullptr);
}

void THtMetaPathRec::Draw(THtCanvas* Canvas, float AOpacity) {
  if (!Path || !Canvas->DocumentRectInView(Bounds)) return;
  if (Fill && !Brush) return;
  if (!Fill && !Pen) return;
  const bool same = Path->ClassRefOf() == Canvas->PathClass() &&
                    (!Brush || Brush->ClassRefOf() == Canvas->BrushClass());
  if (same) {
    if (Fill) {
      if (AOpacity == 1 || (Brush->Kind != hbSolid && Brush->Kind != hbGradient)) {
        Canvas->FillPath(Brush.get(), Path.get());
      } else if (Brush->Kind == hbSolid) {
        TFadedColor<THtBrush> fade(Brush.get(), AOpacity);
        Canvas->FillPath(Brush.get(), Path.get());
      } else {
        const TCardinalArray colors = Brush->GradientColors;
        const TSingleArray positions = Brush->GradientPositions;
        TCardinalArray faded = colors;
        for (uint32_t& c : faded) c = ApplyOpacity(c, AOpacity);
        Brush->SetGradientColors(positions, faded);
        try {
          Canvas->FillPath(Brush.get(), Path.get());
        } catch (...) {
          Brush->SetGradientColors(positions, colors);
          throw;
        }
        Brush->SetGradientColors(positions, colors);
      }
    } else {
      TFadedColor<THtPen> fade(Pen.get(), AOpacity);
      Canvas->DrawPath(Pen.get(), Path.get());
    }
    return;
  }
  std::unique_ptr<THtPath> temp;
  THtPath* path = pathFor(Canvas, Path.get(), Path->ForClip(), temp);
  if (!path) return;
  if (Fill) {
    THtBrushFor brush = CreateBrushFor(Brush.get(), Canvas, AOpacity);
    Canvas->FillPath(brush.Brush, path);
  } else {
    Canvas->DrawPath(CreatePenFor(Pen.get(), Canvas), path);
  }
}

// ---------------------------------------------------------------------------
// Line

THtMetaLineRec::THtMetaLineRec(THtPen* APen, float ax1, float ay1, float ax2, float ay2)
    : x1(ax1), y1(ay1), x2(ax2), y2(ay2) {
  if (APen) {
    Pen = std::make_unique<THtPen>(APen->GetColor(), APen->GetWidth());
    Pen->Assign(*APen);
  }
}

void THtMetaLineRec::Draw(THtCanvas* Canvas, float AOpacity) {
  if (!Pen) return;
  THtPen* pen = Canvas->GetPen(Pen->GetColor(), Pen->GetWidth());
  pen->Assign(*Pen);
  pen->SetColor(ApplyOpacity(Pen->GetColor(), AOpacity));
  Canvas->DrawLine(pen, x1, y1, x2, y2);
}

// ---------------------------------------------------------------------------
// Images

THtMetaImageRec::THtMetaImageRec(THtImage* AImage, const TRectF& ARSource, const TRectF& ARDest, float AOpacity)
    : Image(AImage), RSource(ARSource), RDest(ARDest), Opacity(AOpacity) {}

THtMetaImageRec::~THtMetaImageRec() {
  if (FImageSelfCreated) delete Image;
}

std::unique_ptr<THtImage> THtMetaImageRec::imageFromBytes(THtCanvas* Canvas) const {
  const THtBytes bytes = Image ? Image->AsBytes() : ImageData;
  if (bytes.empty()) return nullptr;
  std::unique_ptr<THtImage> temp = Canvas->ImageClass()->CreateFromBytes(bytes);
  if (temp && Image) {
    temp->Width = Image->Width;
    temp->Height = Image->Height;
  }
  return temp;
}

void THtMetaImageRec::Draw(THtCanvas* Canvas, float AOpacity) {
  if (!Canvas->DocumentRectInView(RDest)) return;
  if (Image && Image->ClassRefOf() == Canvas->ImageClass()) {
    Canvas->DrawImage(Image, RDest, Opacity * AOpacity);
    return;
  }
  std::unique_ptr<THtImage> temp = imageFromBytes(Canvas);
  if (temp && temp->IsLoaded()) Canvas->DrawImage(temp.get(), RDest, Opacity * AOpacity);
}

void THtMetaImageRec::Unify() {
  if (!Image || !Image->GetSourceStream()) return;
  ImageData = Image->AsBytes();
  if (FImageSelfCreated) delete Image;
  Image = nullptr;
  FImageSelfCreated = false;
}

THtMetaFillImageRec::THtMetaFillImageRec(const TRectF& AR, THtImage* AImage, float AOriginDeltaX,
                                         float AOriginDeltaY, const TElementBackground& ABackground,
                                         float AOpacity, float ARadius)
    : THtMetaImageRec(AImage, TRectF(), AR, AOpacity),
      OriginDeltaX(AOriginDeltaX),
      OriginDeltaY(AOriginDeltaY),
      Radius(ARadius),
      Background(ResolvedBackground(ABackground)) {}

void THtMetaFillImageRec::Draw(THtCanvas* Canvas, float AOpacity) {
  if (Image && Image->ClassRefOf() == Canvas->ImageClass()) {
    Canvas->FillImage(RDest, Image, OriginDeltaX, OriginDeltaY, *Background, Opacity * AOpacity, Radius);
    return;
  }
  // Also after Unify: the background then comes back from its bytes.
  std::unique_ptr<THtImage> temp = imageFromBytes(Canvas);
  if (temp)
    Canvas->FillImage(RDest, temp.get(), OriginDeltaX, OriginDeltaY, *Background, Opacity * AOpacity, Radius);
}

// ---------------------------------------------------------------------------
// Matrix, state, clip

void THtMetaMatrixRec::Draw(THtCanvas* Canvas, float) { Canvas->MatrixTransform(M, true); }

void THtMetaStateRec::Draw(THtCanvas* Canvas, float) {
  if (Save)
    Canvas->SaveState();
  else
    Canvas->RestoreState();
}

THtMetaClipRec::THtMetaClipRec(const TRectF& AClip, THtPath* APath)
    : Clip(AClip), Path(APath ? APath->Clone() : nullptr) {}

void THtMetaClipRec::Draw(THtCanvas* Canvas, float) {
  if (!Path) {
    Canvas->IntersectClip(Clip);
    return;
  }
  if (Path->ClassRefOf() == Canvas->PathClass()) {
    Canvas->IntersectClip(Path.get());
    return;
  }
  std::unique_ptr<THtPath> temp;
  if (THtPath* path = pathFor(Canvas, Path.get(), true, temp)) Canvas->IntersectClip(path);
}

// ---------------------------------------------------------------------------
// Shapes

THtMetaEllipseRec::THtMetaEllipseRec(float ax, float ay, float aw, float ah, THtBrush* ABrush, THtPen* APen)
    : X(ax), Y(ay), w(aw), h(ah), Brush(ABrush ? ABrush->Clone() : nullptr), Pen(APen ? APen->Clone() : nullptr) {}

void THtMetaEllipseRec::Draw(THtCanvas* Canvas, float AOpacity) {
  if (Brush) {
    if (Brush->ClassRefOf() == Canvas->BrushClass()) {
      TFadedColor<THtBrush> fade(Brush.get(), AOpacity);
      Canvas->FillEllipse(Brush.get(), X, Y, w, h);
    } else {
      THtBrushFor brush = CreateBrushFor(Brush.get(), Canvas, AOpacity);
      Canvas->FillEllipse(brush.Brush, X, Y, w, h);
    }
  } else if (Pen) {
    if (Pen->ClassRefOf() == Canvas->PenClass()) {
      TFadedColor<THtPen> fade(Pen.get(), AOpacity);
      Canvas->DrawEllipse(Pen.get(), X, Y, w, h);
    } else {
      Canvas->DrawEllipse(CreatePenFor(Pen.get(), Canvas), X, Y, w, h);
    }
  }
}

THtMetaRectRec::THtMetaRectRec(float AX, float AY, float AW, float AH, THtBrush* ABrush, THtPen* APen)
    : X(AX), Y(AY), w(AW), h(AH) {
  if (ABrush) {
    Fill = true;
    if (ABrush->Kind != hbSolid)
      Brush = ABrush->Clone();
    else
      BrushColor = ABrush->GetColor();
  }
  if (APen) {
    Stroke = true;
    if (!isPlainPen(*APen)) {
      Pen = APen->Clone();
    } else {
      PenColor = APen->GetColor();
      PenWidth = APen->GetWidth();
    }
  }
}

void THtMetaRectRec::Draw(THtCanvas* Canvas, float AOpacity) {
  const TRectF rect(X, Y, X + w, Y + h);
  if (!Canvas->DocumentRectInView(rect)) return;
  if (Fill) {
    auto fill = [&](THtBrush* brush) {
      if (Rounded)
        Canvas->FillRoundRect(brush, rect, Rx, Ry);
      else
        Canvas->FillRectangle(brush, X, Y, w, h);
    };
    if (!Brush) {
      fill(Canvas->GetBrush(ApplyOpacity(BrushColor, AOpacity)));
    } else if (Brush->ClassRefOf() == Canvas->BrushClass()) {
      TFadedColor<THtBrush> fade(Brush.get(), AOpacity);
      fill(Brush.get());
    } else {
      THtBrushFor brush = CreateBrushFor(Brush.get(), Canvas, AOpacity);
      fill(brush.Brush);
    }
  }
  if (Stroke) {
    auto stroke = [&](THtPen* pen) {
      if (Rounded)
        Canvas->RoundRect(pen, rect, Rx, Ry);
      else
        Canvas->DrawRectangle(pen, X, Y, w, h);
    };
    if (!Pen) {
      stroke(Canvas->GetPen(ApplyOpacity(PenColor, AOpacity), PenWidth));
    } else if (Pen->ClassRefOf() == Canvas->PenClass()) {
      TFadedColor<THtPen> fade(Pen.get(), AOpacity);
      stroke(Pen.get());
    } else {
      THtPen* pen = CreatePenFor(Pen.get(), Canvas);
      TSolidAfter reset(pen);
      stroke(pen);
    }
  }
}

// ---------------------------------------------------------------------------
// Link, shadow

void THtMetaLinkRec::Draw(THtCanvas* Canvas, float) { Canvas->DrawLink(R, Href, IsAnchor); }

THtMetaShadowRec::THtMetaShadowRec(THtPath* APath, const THtShadowProps& AProps)
    : PathData(APath ? APath->AsString() : String()), Props(AProps) {}

void THtMetaShadowRec::Draw(THtCanvas* Canvas, float) {
  if (PathData.empty()) {
    Canvas->DrawShadow(nullptr, Props);
    return;
  }
  const THtPathClass* cls = Canvas->PathClass();
  std::unique_ptr<THtPath> path = cls ? cls->Create(false) : nullptr;
  if (!path) return;
  path->Parse(PathData);
  path->EndPath();
  Canvas->DrawShadow(path.get(), Props);
}

}  // namespace ht
