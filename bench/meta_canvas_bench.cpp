// The recording canvas: recording a page of drawing calls, replaying it
// (faded, on the back end whose objects the records hold) and writing and
// reading the recorded stream.
#include <benchmark/benchmark.h>

#include <memory>

#include "canvas/meta_canvas.h"
#include "canvas/path_records.h"

namespace {

using namespace ht;

// A back end that draws nothing and measures nothing.
class NullCanvasClass : public THtCanvasClass {
 public:
  using THtCanvasClass::THtCanvasClass;
  const THtPathClass* PathClass() const override { return &THtCustomPath::ClassType; }
};

class NullCanvas : public THtCanvas {
 public:
  static const NullCanvasClass ClassType;
  const THtCanvasClass* ClassRefOf() const override { return &ClassType; }
  void DrawPath(THtPen*, THtPath*) override { ++Calls; }
  void FillPath(THtBrush*, THtPath*) override { ++Calls; }
  void DrawString(StringView, const TRectF&, THtFont*, const THtTextStyle&, int, int) override { ++Calls; }
  int Calls = 0;
};
const NullCanvasClass NullCanvas::ClassType{"NullCanvas", &THtCanvas::ClassType,
                                            &CreateInstance<NullCanvas, THtCanvas>};

THtCanvasScene bigScene() {
  THtCanvasScene scene;
  scene.Init(TRect(0, 0, 100000, 100000), nullptr);
  return scene;
}

// 250 rounds of a filled rectangle, a stroked rectangle, a line of text and
// a filled path: 1000 records.
void recordPage(THtMetaCanvas& C, THtFont* Font) {
  THtBrush brush(0xFF336699);
  THtPen pen(0xFF000000, 1);
  THtTextStyle style;
  style.Color = 0xFF000000;
  THtCustomPath path;
  path.MoveTo(0, 0);
  path.LineTo(30, 10);
  path.LineTo(10, 30);
  path.CloseFigure();
  for (int i = 0; i < 250; ++i) {
    const float y = float(i) * 20;
    C.FillRectangle(&brush, 10, y, 200, 18);
    C.DrawRectangle(&pen, 10, y, 200, 18);
    C.DrawString(u"The quick brown fox jumps over the lazy dog", TRectF(12, y, 200, y + 18), Font, style, 1, -1);
    C.FillPath(&brush, &path);
  }
}

struct Fixture {
  Fixture() : fonts(&NullCanvas::ClassType, false) {
    HtRefCanvasClass = &NullCanvas::ClassType;
    font = fonts.GetFont(u"Arial", 16, {});
  }
  THtFontCollection fonts;
  THtFont* font;
};

void BM_RecordPage(benchmark::State& state) {
  Fixture f;
  for (auto _ : state) {
    THtMetaCanvas meta;
    meta.BeginScene(bigScene());
    recordPage(meta, f.font);
    benchmark::DoNotOptimize(meta.List()->Count());
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_RecordPage);

void BM_ReplayFaded(benchmark::State& state) {
  Fixture f;
  THtMetaCanvas meta;
  meta.BeginScene(bigScene());
  recordPage(meta, f.font);
  NullCanvas target;
  target.BeginScene(bigScene());
  for (auto _ : state) meta.List()->Play(&target, 0.5f);
  benchmark::DoNotOptimize(target.Calls);
  state.SetItemsProcessed(state.iterations() * meta.List()->Count());
}
BENCHMARK(BM_ReplayFaded);

void BM_StreamWrite(benchmark::State& state) {
  Fixture f;
  THtMetaCanvas meta;
  meta.BeginScene(bigScene());
  recordPage(meta, f.font);
  int64_t bytes = 0;
  for (auto _ : state) {
    TMemoryStream st;
    meta.List()->SavetoStream(st);
    bytes = st.Size();
  }
  state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_StreamWrite);

void BM_StreamRead(benchmark::State& state) {
  Fixture f;
  THtMetaCanvas meta;
  meta.BeginScene(bigScene());
  recordPage(meta, f.font);
  TMemoryStream st;
  meta.List()->SavetoStream(st);
  for (auto _ : state) {
    st.SetPosition(0);
    THtMetaList list(true);
    list.LoadfromStream(st, &NullCanvas::ClassType, &f.fonts);
    benchmark::DoNotOptimize(list.Count());
  }
  state.SetBytesProcessed(state.iterations() * st.Size());
}
BENCHMARK(BM_StreamRead);

}  // namespace
