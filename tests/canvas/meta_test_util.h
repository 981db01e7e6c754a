#pragma once
// Helpers for the recording-canvas tests: a trace canvas that also traces
// text opacity, images and links; a second "back end" with brush, pen and
// image classes of its own; a test image whose bytes carry its size.
#include <sstream>
#include <string>

#include "canvas/image_drawing.h"
#include "canvas/meta_canvas.h"
#include "support/trace_canvas.h"

namespace ht::testing {

inline std::string HexColor(uint32_t v) {
  char buf[16];
  snprintf(buf, sizeof buf, "%08X", v);
  return buf;
}

inline std::string RectText(const TRectF& R) {
  return TraceNum(R.Left) + "," + TraceNum(R.Top) + "," + TraceNum(R.Right) + "," + TraceNum(R.Bottom);
}

// An image whose bytes read "IMG <w> <h>": loading them sets the size and
// marks the image loaded; the bytes stay as its source stream.
class TTestImage : public THtImage {
 public:
  static const THtImageClass ClassType;
  const THtImageClass* ClassRefOf() const override { return &ClassType; }

  void LoadFromBytes(const THtBytes& ABytes, bool InLoader) override {
    THtImage::LoadFromBytes(ABytes, InLoader);
    std::istringstream in(std::string(ABytes.begin(), ABytes.end()));
    std::string tag;
    int w = 0, h = 0;
    if (in >> tag >> w >> h && tag == "IMG") {
      Width = w;
      Height = h;
      Loaded = true;
    }
    Source = std::make_unique<TMemoryStream>(ABytes.data(), ABytes.size());
  }
  TStream* GetSourceStream() override { return Source.get(); }

  static std::unique_ptr<TTestImage> Make(int w, int h) {
    const std::string text = "IMG " + std::to_string(w) + " " + std::to_string(h);
    auto img = std::make_unique<TTestImage>();
    img->LoadFromBytes(THtBytes(text.begin(), text.end()), false);
    return img;
  }

  std::unique_ptr<TMemoryStream> Source;
};
inline const THtImageClass TTestImage::ClassType{"TTestImage", &THtImage::ClassType,
                                                 &CreateInstance<TTestImage, THtImage>};

// A trace canvas that also traces what the plain trace leaves out.
class TRecTrace : public TTraceCanvas {
 public:
  TRecTrace() {
    THtCanvasScene scene;
    scene.Init(TRect(0, 0, 2000, 2000), nullptr);
    BeginScene(scene);
    Calls.clear();
  }

  void DrawString(StringView s, const TRectF& R, THtFont* Font, const THtTextStyle& TextStyle, int AFirstChar,
                  int ALength) override {
    TTraceCanvas::DrawString(s, R, Font, TextStyle, AFirstChar, ALength);
    Calls.back() += " o=" + TraceNum(TextStyle.Opacity);
  }
  void DrawStringEx(StringView s, const TRectF&, THtFont*, const THtTextStyle& TextStyle,
                    const TSingleArray& ASpacing, THtBrush* AFill, THtPen* AStroke, int AFirstChar,
                    int ALength) override {
    std::string line = "DrawStringEx \"" + StringToUtf8(s.substr(size_t(AFirstChar - 1), size_t(ALength))) + "\"";
    line += " spacing=" + std::to_string(ASpacing.size());
    if (AFill) line += " fill=" + HexColor(AFill->GetColor()) + "/" + std::string(AFill->ClassRefOf()->ClassName());
    if (AStroke)
      line += " stroke=" + HexColor(AStroke->GetColor()) + "/" + TraceNum(AStroke->GetWidth()) + "/" +
              std::to_string(int(AStroke->GetStyle()));
    line += " o=" + TraceNum(TextStyle.Opacity);
    Calls.push_back(line);
  }
  void DrawLink(const TRectF& R, StringView Href, bool IsAnchor) override {
    Calls.push_back("DrawLink " + RectText(R) + " " + StringToUtf8(Href) + (IsAnchor ? " anchor" : ""));
  }
  void DrawImage(THtImage* Image, const TRectF& R, float Opacity) override {
    if (Image->IsVector) {
      Calls.push_back("DrawImage vector " + RectText(R));
      THtCanvas::DrawImage(Image, R, Opacity);
      return;
    }
    Calls.push_back("DrawImage " + std::to_string(Image->Width) + "x" + std::to_string(Image->Height) + " " +
                    RectText(R) + " o=" + TraceNum(Opacity));
  }
  void TileImage(THtImage* Image, float W, float H, const TRectF& R, const TPointF& Origin, bool RepeatX,
                 bool RepeatY, float Opacity, float Radius) override {
    Calls.push_back("TileImage " + TraceNum(W) + "x" + TraceNum(H) + " " + RectText(R) + " origin " +
                    TraceNum(Origin.X) + "," + TraceNum(Origin.Y) + (RepeatX ? " rx" : "") + (RepeatY ? " ry" : ""));
    THtCanvas::TileImage(Image, W, H, R, Origin, RepeatX, RepeatY, Opacity, Radius);
  }
};

// Another back end: its own brush, pen and image classes.
class TOtherBrush : public THtBrush {
 public:
  static const THtBrushClass ClassType;
  const THtBrushClass* ClassRefOf() const override { return &ClassType; }
  using THtBrush::THtBrush;
};
inline const THtBrushClass TOtherBrush::ClassType{"TOtherBrush", &THtBrush::ClassType,
                                                  std::type_identity<TOtherBrush>()};

class TOtherPen : public THtPen {
 public:
  static const THtPenClass ClassType;
  const THtPenClass* ClassRefOf() const override { return &ClassType; }
  using THtPen::THtPen;
};
inline const THtPenClass TOtherPen::ClassType{"TOtherPen", &THtPen::ClassType,
                                              &CreateInstance<TOtherPen, THtPen, uint32_t, float>};

class TOtherCanvasClass : public TTraceCanvasClass {
 public:
  using TTraceCanvasClass::TTraceCanvasClass;
  const THtBrushClass* BrushClass() const override { return &TOtherBrush::ClassType; }
  const THtPenClass* PenClass() const override { return &TOtherPen::ClassType; }
  const THtImageClass* ImageClass() const override { return &TTestImage::ClassType; }
};

class TOtherCanvas : public TRecTrace {
 public:
  static const TOtherCanvasClass ClassType;
  const THtCanvasClass* ClassRefOf() const override { return &ClassType; }

  void FillPath(THtBrush* Brush, THtPath* Path) override {
    TTraceCanvas::FillPath(Brush, Path);
    Calls.back() += " " + std::string(Brush->ClassRefOf()->ClassName());
  }
  void DrawPath(THtPen* Pen, THtPath* Path) override {
    TTraceCanvas::DrawPath(Pen, Path);
    Calls.back() += " " + std::string(Pen->ClassRefOf()->ClassName()) + " style" +
                    std::to_string(int(Pen->GetStyle()));
  }
};
inline const TOtherCanvasClass TOtherCanvas::ClassType{"TOtherCanvas", &TTraceCanvas::ClassType,
                                                       &CreateInstance<TOtherCanvas, THtCanvas>};

// A recording canvas over the trace canvas class, recording into its own
// list from the start.
class TMetaFixtureCanvas : public THtMetaCanvas {
 public:
  TMetaFixtureCanvas() {
    HtRefCanvasClass = &TTraceCanvas::ClassType;
    THtCanvasScene scene;
    scene.Init(TRect(0, 0, 2000, 2000), nullptr);
    BeginScene(scene);
  }
};

}  // namespace ht::testing
