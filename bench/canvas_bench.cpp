// Hot paths of the drawing surface: matrix composition and rectangle mapping
// by kind (the kind shortcuts against the full product), cutting a paragraph
// into text runs, and the per-font width cache look-up in place.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "canvas/canvas.h"
#include "canvas/font.h"
#include "canvas/matrix.h"
#include "canvas/text_run.h"

namespace {

using namespace ht;

THtMatrixData matrixOf(THtMatrixFlag kind) {
  THtMatrixData m;
  switch (kind) {
    case mfTranslation: m.Init(1, 0, 0, 1, 3, 4); break;
    case mfScale: m.Init(1.5f, 0, 0, 1.5f, 3, 4); break;
    case mfRotation: m = THtMatrixData::CreateRotation(30); break;
    default: break;
  }
  return m;
}

void BM_MatrixMultiply(benchmark::State& state) {
  const THtMatrixData by = matrixOf(THtMatrixFlag(state.range(0)));
  THtMatrixData m;
  m.Init(1.001f, 0.0001f, -0.0001f, 0.999f, 1, 1);
  for (auto _ : state) {
    THtMatrixData t = m;
    t.Multiply(by);
    benchmark::DoNotOptimize(t);
  }
}
BENCHMARK(BM_MatrixMultiply)->Arg(mfIdentity)->Arg(mfTranslation)->Arg(mfScale)->Arg(mfRotation);

void BM_MatrixTransformRect(benchmark::State& state) {
  const THtMatrixData m = matrixOf(THtMatrixFlag(state.range(0)));
  TRectF r(10, 20, 110, 70);
  for (auto _ : state) {
    benchmark::DoNotOptimize(m.TransformRect(r));
    r.Left += 1e-6f;
  }
}
BENCHMARK(BM_MatrixTransformRect)->Arg(mfIdentity)->Arg(mfTranslation)->Arg(mfScale)->Arg(mfRotation);

String paragraph() {
  String s;
  for (int i = 0; i < 40; ++i)
    s += u"The quick brown fox, costing 1,000.50 units, jumps over the lazy dog's back (again)!\r\n"
         u"\u4E2D\u6587\u3002 \u05D0\u05D1\u05D2 don't stop\t";
  return s;
}

void BM_SplitTextRuns(benchmark::State& state) {
  const String s = paragraph();
  for (auto _ : state) {
    THtTextRuns runs;
    SplitTextRuns(s, runs, &THtTextRun::ClassType);
    benchmark::DoNotOptimize(runs.Count());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(s.size() * sizeof(char16_t)));
}
BENCHMARK(BM_SplitTextRuns);

void BM_FontWidthCacheHit(benchmark::State& state) {
  THtFontCollection fonts(&THtCanvas::ClassType, false);
  // The base canvas class has no installed fonts but makes base fonts.
  THtFont* f = fonts.GetFont(u"Arial", 12, {});
  const String s = paragraph();
  THtTextRuns runs;
  SplitTextRuns(s, runs, &THtTextRun::ClassType);
  for (const THtTextRun* r : runs) f->AddWidth(s, r->Start, r->Count, float(r->Count));
  float total = 0;
  for (auto _ : state) {
    for (const THtTextRun* r : runs) f->GetWidth(s, r->Start, r->Count, total);
    benchmark::DoNotOptimize(total);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * runs.Count());
}
BENCHMARK(BM_FontWidthCacheHit);

}  // namespace
