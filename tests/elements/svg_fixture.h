#pragma once
// Documents holding SVG drawings: painted on the Ahem-metric trace canvas
// (calls as text) or on the GDI+ back end (pixels).
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "document/document.h"
#include "elements/svg_elements.h"
#include "support/trace_canvas.h"

namespace ht::testing {

class SVGTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  // Parses Html (in a body without margin), lays it out on a W x H view
  // and paints it once on the trace canvas; the calls are kept.
  void Load(StringView Html, int W = 400, int H = 300);
  // Paints again; answers the drawing calls (fills, strokes, clips and
  // matrices) joined.
  std::string Paint();
  TTraceCanvas& G() { return static_cast<TTraceCanvas&>(*Doc->Surface); }
  TElement* ById(StringView Id);
  template <class T>
  T* As(StringView Id) {
    return dynamic_cast<T*>(ById(Id));
  }
  TSVGElementStyle& St(StringView Id) { return *SVGStyleOf(ById(Id)); }
  TSVGElement* Root();

  std::unique_ptr<THtDocument> Doc;
  THtObject Target;
  int W = 400, H = 300;
};

// The same on the GDI+ back end into a bitmap.
class SVGPixelTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  void Paint(StringView Html, int W = 200, int H = 100);
  uint32_t Px(int X, int Y) const;
  TElement* ById(StringView Id);

  std::unique_ptr<THtDocument> Doc;
  std::unique_ptr<THtObject> Target;  // a gdi::TBitmap
  int W = 0, H = 0;
};

}  // namespace ht::testing
