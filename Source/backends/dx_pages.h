#pragma once
// Pages and printing of the Direct2D back end. Direct2D prints no pages
// itself: THtMetaCanvasDX records pages as display lists (THtPageDX, which
// may also hold the page as a Direct2D command list) and prints them through
// the GDI canvas. THtImageCommands shows a page's command list as an image.
#include <memory>

#include "canvas/meta_canvas.h"
#include "canvas/page.h"
#include "platform/d2d/d2d.h"

namespace ht {

class THtPageDX : public THtPageMeta {
 public:
  static const THtPageClass ClassType;
  const THtPageClass* ClassRefOf() const override { return &ClassType; }
  using THtPageMeta::THtPageMeta;
  // The display list's cache, then the command list.
  void ClearCache() override;
  std::shared_ptr<d2d::ID2D1CommandList> FList;  // empty until the Direct2D canvas fills it
};

class THtImageCommands : public THtImage {
 public:
  static const THtImageClass ClassType;
  const THtImageClass* ClassRefOf() const override { return &ClassType; }
  explicit THtImageCommands(THtPageDX* APage = nullptr) : Page(APage) {}
  // The page's command list (a new reference; empty without one).
  std::shared_ptr<d2d::ID2D1CommandList> CommandList() const;
  THtPageDX* Page;  // not owned
};

class THtMetaCanvasDXClass : public THtMetaCanvasClass {
 public:
  using THtMetaCanvasClass::THtMetaCanvasClass;
  const THtCanvasClass* RefCanvas() const override;
  const THtPageClass* PageClass() const override { return &THtPageDX::ClassType; }
};

class THtMetaCanvasDX : public THtMetaCanvas {
 public:
  static const THtMetaCanvasDXClass ClassType;
  const THtCanvasClass* ClassRefOf() const override { return &ClassType; }
  // Prints the recorded pages through one GDI canvas per page: page range
  // and copies from the dialog (the printer's own copies set to 1, one
  // printer document per copy), "Unnamed" without a title, a new document
  // when the orientation changes, the GDI canvas's shared fonts, and the
  // printer's LOGPIXELSX / 96 as the scene scale. False when the dialog is
  // cancelled or nothing prints.
  bool Print(THtObject* PrintDialog, StringView Title) override;
};

}  // namespace ht
