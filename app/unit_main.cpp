#include "unit_main.h"

#include <filesystem>

#include "document/element.h"
#include "markup/file_utils.h"
#include "platform/ui/application.h"

namespace ht {

TForm1* Form1 = nullptr;

TForm1::TForm1() {
  // Form1
  SetCaption(u"Lorimel - Tarnwick");
  SetClientSize(1171, 723);
  SetPosition(ui::poScreenCenter);
  // HtPanel1: made while its owner loads, so no document yet.
  HtPanel1 = std::make_unique<THtPanel>(true);
  THtPanel& p = *HtPanel1;
  p.SetParent(this);
  p.FontHeight = 17;
  p.FontName = u"Tahoma";
  p.ShowHint = true;
  p.fBackgroundImageLoading = true;
  p.SetHorizontalScrollBar(hsbAlways);
  p.SetHTML({u"<style>",
             u"div {width: 100px; height: 100px; background: green; transition: all 1s linear; opacity: 0}",
             u"div:hover {opacity: 1}", u"</style>", u"", u"<div>Test</div>"});
  p.fOnUrlClick = [this](TElement* E) { HtPanel1UrlClick(E); };
  p.SetStyles({u"body {margin: 10px 10px}"});
  p.SetVerticalScrollBar(hsbAlways);
  p.SetHighlightTextColor(0);
  p.FScaleMin = 10;
  p.FScaleMax = 1000;
  // Reading ends: the panel connects its lists and builds the built-in page.
  p.Loaded();
  // OnCreate: a failure is reported and the window opens all the same.
  ui::Guard([this] { FormCreate(this); });
}

TForm1::~TForm1() { HtPanel1.reset(); }

String TForm1::ExeFolder() { return ExecutableFolder(); }

void TForm1::FormCreate(THtObject*) { HtPanel1->LoadFromFile(ExeFolder() + u"index.html"); }

void TForm1::HtPanel1UrlClick(TElement* Sender) {
  const String href = Sender->GetAttribute(u"href");
  if (href.rfind(u"index", 0) == 0) HtPanel1->LoadFromFile(ExeFolder() + href);
}

}  // namespace ht
