// What is done with recorded pages: printing them through the surface,
// handing them to the PDF exporter, the preview template that shows them as
// images, and finding the text drawn at a point of a page.
#include <cmath>
#include <memory>
#include <vector>

#include "canvas/canvas.h"
#include "canvas/meta_canvas.h"
#include "canvas/meta_records.h"
#include "document/document.h"
#include "markup/fast_string.h"
#include "platform/rtl/number_text.h"
#include "platform/rtl/numeric.h"

namespace ht {

namespace {

String num(int N) { return AsciiToString(std::to_string(N)); }

// A temporary print document of the default canvas class's print canvas.
std::unique_ptr<THtDocument> printDocument(const String& AHTML, const String& AStyles) {
  if (!HtDefaultCanvasClass)
    throw Exception(String(u"VCL default canvas class is null: add htcanvasgdip to uses list"));
  auto doc = std::make_unique<THtDocument>(HtDefaultCanvasClass->PrintCanvasClass(), false);
  if (!AStyles.empty()) doc->Styles->Parse(AStyles, -1, false);
  doc->Parse(AHTML, heDefault, 0);
  doc->GeneratePagesForPrint(0, 0, false, 0);
  return doc;
}

String pageImage(int Index) {
  const String n = num(Index);
  return u"<img id=\"pageimage" + n + u"\" class=\"pageimage\" page=\"" + n + u"\" src=\"" + n + u"\"/>";
}

}  // namespace

void THtDocument::Print(THtObject* PrintDialog) {
  if (!Paged) GeneratePagesForPrint(0, 0, false, 0);
  if (Surface) Surface->Print(PrintDialog, u"");
}

std::vector<uint8_t> THtDocument::HTMLtoPDF(const String& AHTML, const String& AStyles) {
  std::unique_ptr<THtDocument> doc = printDocument(AHTML, AStyles);
  TMemoryStream stream;
  doc->Surface->SavetoPDFStream(stream);
  return std::vector<uint8_t>(stream.Data().begin(), stream.Data().begin() + stream.Size());
}

void THtDocument::HTMLtoPDFFile(const String& AHTML, const String& FileName) {
  std::unique_ptr<THtDocument> doc = printDocument(AHTML, String());
  doc->Surface->SavetoPDF(FileName);
}

String THtDocument::GeneratePreviewPages(float Scale) {
  TFastString FS(65535);
  const int count = Surface ? Surface->PageCount() : 0;
  for (int i = 0; i < count; ++i) {
    THtPage* page = Surface->GetPage(i);
    const String n = num(i), n1 = num(i + 1);
    FS.Add(u"<div class=\"page\" id=\"page").Add(n1).Add(u"\" page=\"").Add(n).Add(u"\" style=\"width:");
    FS.Add(FastFloatToStr(double(float(page->WidthPx) * Scale), 2)).Add(u"px;height:");
    FS.Add(FastFloatToStr(double(float(page->HeightPx) * Scale), 2)).Add(u"px\">").Add(pageImage(i));
    FS.Add(u"<div class=\"pagenum\">").Add(n1).Add(u"</div></div>");
  }
  FS.Add(u"</div>");
  return FS.ToString();
}

String THtDocument::GeneratePrintPreviewTemplate(THtDocument* PrintDoc, int Zoom, int HPages, int VPages,
                                                 bool ColumnView) {
  if (!PrintDoc || !PrintDoc->Surface || PrintDoc->Surface->PageCount() == 0) return String();
  const String bodyClass = ColumnView ? u"column" : u"row";
  const float s = float(Zoom) / 100;
  THtPage* first = PrintDoc->Surface->GetPage(0);
  int W = first->WidthPx, H = first->HeightPx;
  const int sum = HPages + VPages;
  if (sum == 3 || sum == 5) std::swap(W, H);
  const int m = std::max(4, RoundHalfEven(double(Zoom) * 12 / 100));
  TFastString FS(65535);
  FS.Add(u"<style> body {margin: ").Add(RoundHalfEven(double(m) * 1.5)).Add(u"px ").Add(m);
  FS.Add(u"px} .page {width: ").Add(RoundHalfEven(double(s) * W)).Add(u"px; height: ").Add(RoundHalfEven(double(s) * H));
  FS.Add(u"px; margin: ").Add(m).Add(u"px ").Add(m);
  FS.Add(u"px; } .pageimage {width: 100%; display: block;  } td {vertical-align: top}  .title {text-align: center; "
         u"color: #fe9; font-size: 18px; font-family: Arial; padding-top: 5px;}</style><body class=\"");
  FS.Add(bodyClass).Add(u"\"><div class=\"title\" id=\"title\"></div><div id=\"container\" class=\"sortable\">");
  if (sum == 2) {
    FS.Add(PrintDoc->GeneratePreviewPages(s));
    return FS.ToString();
  }
  const int n = sum == 3 ? 2 : sum == 4 ? 4 : sum == 5 ? 6 : 0;
  const int count = PrintDoc->Surface->PageCount();
  const int sheets = n > 0 ? (count + n - 1) / n : 0;
  const String line = u"solid #ea5 1px";
  for (int k = 0; k < sheets; ++k) {
    auto img = [k, n](int j) { return pageImage(k * n + j); };
    FS.Add(u"<div id=\"page").Add(k + 1);
    if (n == 2) FS.Add(u"\" page=\"").Add(k).Add(u"\" class=\"page\"><div class=\"pagenum\">");
    else if (n == 4) FS.Add(u"\" class=\"page\" page=\"").Add(k).Add(u"\" ><div class=\"pagenum\">");
    else FS.Add(u"\" class=\"page\" page=\"").Add(k).Add(u"\"><div class=\"pagenum\">");
    FS.Add(k + 1).Add(u"</div>");
    if (n == 2 && VPages == 2) {
      FS.Add(u"<table width=\"100%\" height=\"100%\" cellspacing=\"0\"><tr height=\"50%\"><td width=\"100%\" "
             u"style=\"border-bottom: " + line + u"\">").Add(img(0));
      FS.Add(u"</td></tr><tr height=\"50%\"><td width=\"100%\">").Add(img(1)).Add(u"</td></tr></table></div>");
    } else if (n == 2) {
      FS.Add(u"<table width=\"100%\" height=\"100%\" cellspacing=\"0\"><tr height=\"100%\"><td width=\"50%\" "
             u"style=\"border-right: " + line + u"\">").Add(img(0));
      FS.Add(u"</td><td width=\"50%\">").Add(img(1)).Add(u"</td></tr></table></div>");
    } else if (n == 4) {
      FS.Add(u"<table cellspacing=\"0\" style=\"height: 100%; \"><tr height=\"50%\">");
      FS.Add(u"<td width=\"50%\" style=\"border-bottom: " + line + u";border-right: " + line + u";\">").Add(img(0));
      FS.Add(u"</td><td width=\"50%\" style=\"border-bottom: " + line + u";\">").Add(img(1));
      FS.Add(u"</td></tr><tr height=\"50%\"><td width=\"50%\" style=\"border-right: " + line + u";\">").Add(img(2));
      FS.Add(u"</td><td width=\"50%\">").Add(img(3)).Add(u"</td></tr></table></div>");
    } else if (HPages == 3) {
      const String both = u"<td width=\"33.3%\" style=\"border-bottom: " + line + u";border-right: " + line + u";\">";
      FS.Add(u"<table cellspacing=\"0\" style=\"height: 100%\"><tr height=\"50%\">").Add(both).Add(img(0));
      FS.Add(u"</td>").Add(both).Add(img(1));
      FS.Add(u"</td><td width=\"33.3%\" style=\"border-bottom: " + line + u";\">").Add(img(2));
      FS.Add(u"</td></tr><tr height=\"50%\"><td width=\"33.3%\" style=\"border-right: " + line + u";\">").Add(img(3));
      FS.Add(u"</td><td width=\"33.3%\" style=\"border-right: " + line + u";\">").Add(img(4));
      FS.Add(u"</td><td width=\"33.3%\">").Add(img(5)).Add(u"</td></tr></table></div>");
    } else {
      const String both = u"<td width=\"50%\" style=\"border-bottom: " + line + u";border-right: " + line + u";\">";
      const String bottom = u"</td><td width=\"50%\" style=\"border-bottom: " + line + u";\">";
      FS.Add(u"<table cellspacing=\"0\" style=\"height: 100%\"><tr height=\"33.3%\">").Add(both).Add(img(0));
      FS.Add(bottom).Add(img(1)).Add(u"</td></tr><tr height=\"33.3%\">").Add(both).Add(img(2));
      FS.Add(bottom).Add(img(3));
      FS.Add(u"</td></tr><tr height=\"33.3%\"><td width=\"50%\" style=\"border-right: " + line + u";\">").Add(img(4));
      FS.Add(u"</td><td width=\"50%\">").Add(img(5)).Add(u"</td></tr></table></div>");
    }
  }
  FS.Add(u"</div>");
  return FS.ToString();
}

THtMetaTextRec* THtDocument::GetMetaTextRecAt(int APage, float X, float Y) {
  auto* meta = dynamic_cast<THtMetaCanvas*>(Surface.get());
  if (!meta || APage < 0 || APage >= meta->PageCount()) return nullptr;
  auto* page = dynamic_cast<THtPageMeta*>(meta->GetPage(APage));
  if (!page || !page->Meta) return nullptr;
  std::vector<THtMatrixData> stack;
  THtMatrixData current;
  for (THtMetaCanvasRec* rec : *page->Meta) {
    if (auto* m = dynamic_cast<THtMetaMatrixRec*>(rec)) {
      current.Multiply(m->M);
    } else if (auto* st = dynamic_cast<THtMetaStateRec*>(rec)) {
      if (st->Save) {
        stack.push_back(current);
      } else if (!stack.empty()) {
        current = stack.back();
        stack.pop_back();
      }
    } else if (auto* t = dynamic_cast<THtMetaTextRec*>(rec)) {
      const TRectF r = current.TransformRect(t->R);
      if (X >= r.Left && X < r.Right && Y >= r.Top && Y < r.Bottom) return t;
    }
  }
  return nullptr;
}

}  // namespace ht
