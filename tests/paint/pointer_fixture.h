#pragma once
// Pages laid out and painted on the GDI+ canvas for pointer tests: every
// element with an id gets handler attributes that log "id:event" through a
// recording script adapter; the document's enter, exit and click events
// are logged by id; the host control records the cursor it is given.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "backends/canvas_gp.h"
#include "document/document.h"
#include "document/script_adapter.h"
#include "platform/core/core_fonts.h"
#include "platform/gdi/gdi_canvas.h"
#include "support/fake_scroll_bar.h"

namespace ht::testing {

inline std::string utf8(StringView S) { return StringToUtf8(String(S)); }

// Records every handler attribute it is asked to run as "script:event";
// the fixture writes each element's id as its handlers.
class TRecordingAdapter : public THtScriptAdapter {
 public:
  void Run(TElement* Element, StringView Event, StringView Script) override {
    Log.push_back(utf8(Script) + ":" + utf8(Event));
    if (OnRun) OnRun(Element, Event);
  }
  std::vector<std::string> Log;
  std::function<void(TElement*, StringView)> OnRun;
};

class TCursorHost : public TFakeHostControl {
 public:
  TCursor Cursor() const override { return FShown; }
  void SetCursor(TCursor Value) override { FShown = Value; }
  TCursor FShown = crDefault;
};

inline const char16_t* const kEvents[] = {u"mousedown", u"mouseup",   u"click",     u"dblclick", u"mouseover",
                                   u"mouseout",  u"dragstart", u"dragenter", u"dragleave", u"drop",
                                   u"dragend",   u"mousemove"};

class PointerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { core::FontSystem::UseTestFonts(); }

  void Load(StringView Html) {
    Doc.reset();
    Doc = std::make_unique<THtDocument>(&THtCanvasGP::ClassType);
    Doc->SetScriptAdapter(&Adapter);
    Doc->Control = &Host;
    Doc->Parse(u"<body style='margin:0'>" + String(Html) + u"</body>");
    for (THtNode* n = Doc.get(); n; n = n->NextNode()) {
      const String id = n->GetAttribute(u"id");
      if (id.empty()) continue;
      for (const char16_t* ev : kEvents) n->SetAttribute(u"on" + String(ev), id);
    }
    Doc->OnElementEnter = [this](TElement* E) { note(Entered, E); };
    Doc->OnElementExit = [this](TElement* E) { note(Left, E); };
    Doc->OnClick = [this](THtObject* S) { note(Clicked, static_cast<TElement*>(S)); };
    Paint();
    // Later repaints are counted, not drawn.
    Doc->OnRepaint = [this](THtObject*) { ++Repaints; };
  }
  void Paint() { Doc->Draw(&Target.Canvas(), TRect(0, 0, 400, 300), TRect(0, 0, 400, 300), 0, 0, 0); }
  void Clear() {
    Adapter.Log.clear();
    Entered.clear();
    Left.clear();
    Clicked.clear();
  }
  TElement* Id(StringView I) { return Doc->GetElementbyId(I); }
  void Move(int X, int Y, TShiftState S = 0) { Doc->OnMouseMove(X, Y, S); }
  void Press(int X, int Y, TShiftState S = ssLeft) { Doc->OnMouseDown(X, Y, true, S); }
  void Release(int X, int Y, TShiftState S = ssLeft) { Doc->OnMouseDown(X, Y, false, S); }
  // The log entries for one event name, in order.
  std::vector<std::string> Of(const std::string& Event) const {
    std::vector<std::string> out;
    for (const std::string& s : Adapter.Log)
      if (s.size() > Event.size() && s.compare(s.size() - Event.size(), Event.size(), Event) == 0 &&
          s[s.size() - Event.size() - 1] == ':')
        out.push_back(s.substr(0, s.size() - Event.size() - 1));
    return out;
  }
  String Style(StringView I) {
    TElement* e = Id(I);
    return e && e->SelfStyleSheet() ? e->SelfStyleSheet()->AsInlineString() : String();
  }

  gdi::TBitmap Target{400, 300};
  TRecordingAdapter Adapter;
  TCursorHost Host;
  std::unique_ptr<THtDocument> Doc;
  std::vector<std::string> Entered, Left, Clicked;
  int Repaints = 0;

 private:
  static void note(std::vector<std::string>& L, TElement* E) {
    const String id = E->GetAttribute(u"id");
    if (!id.empty()) L.push_back(utf8(id));
  }
};

using V = std::vector<std::string>;

}  // namespace ht::testing
