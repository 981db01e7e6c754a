// THtPanel: pointer, wheel and key input. Presses, moves and releases go
// to the document; the elements it reports clicked during a release are
// collected and raised as the panel's click events; "#" links scroll to
// their anchor; the wheel scrolls smoothly or, with Ctrl, zooms; keys
// scroll and zoom at once.
#include <algorithm>
#include <climits>
#include <cmath>

#include "document/element.h"
#include "document/script_adapter.h"
#include "host/float_window.h"
#include "host/html_panel.h"
#include "layout/text_element.h"

namespace ht {

namespace {

int clampInt(int64_t V) { return int(std::clamp<int64_t>(V, INT_MIN, INT_MAX)); }

}  // namespace

// ---------------------------------------------------------------- the document's entry points

void THtPanel::docMouseDown(int X, int Y, bool Down, TShiftState Shift) {
  if (FDoc) FDoc->OnMouseDown(X, Y, Down, Shift);
}

void THtPanel::docMouseMove(int X, int Y, TShiftState Shift) {
  if (FDoc) FDoc->OnMouseMove(X, Y, Shift);
}

void THtPanel::docMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
  if (FDoc) FDoc->OnMouseWheel(Shift, WheelDelta, MousePos);
}

// ---------------------------------------------------------------- cursor

namespace {

const char* toolkitCursorName(TCursor C) {
  switch (C) {
    case crArrow: return "default";
    case crCross: return "crosshair";
    case crIBeam: return "text";
    case crSizeNESW: return "nesw-resize";
    case crSizeNS: return "ns-resize";
    case crSizeNWSE: return "nwse-resize";
    case crSizeWE: return "ew-resize";
    case crHSplit: return "col-resize";
    case crVSplit: return "row-resize";
    case crHelp: return "help";
    case crHandPoint: return "pointer";
    default: return "";
  }
}

}  // namespace

void THtPanel::SetCursor(TCursor Value) {
  FCursor = Value;
  SetCursorName(toolkitCursorName(Value));
}

TElement* THtPanel::docElementAt(int X, int Y) { return FDoc ? FDoc->GetElementAt(X, Y) : nullptr; }

// ---------------------------------------------------------------- popup menu

void THtPanel::PopupMenuPopup(ui::TPopupMenu& Menu) {
  while (!Menu.Items.empty() && Menu.Items.back()->Tag == kPopupItemTag) Menu.Items.pop_back();
  if (!FDoc) return;
  const TPoint p = ScreenToClient(Menu.PopupPoint());
  fPopupMenuOrigin = docElementAt(p.X, p.Y);
  THtNode* markup = nullptr;
  for (TElement* e = fPopupMenuOrigin; e && !markup; e = dynamic_cast<TElement*>(e->Parent()))
    markup = e->NodebyName(u"popup-menu");
  if (!markup) return;
  if (!Menu.Items.empty()) {
    ui::TMenuItem& sep = Menu.Add();
    sep.Caption = u"-";
    sep.Tag = kPopupItemTag;
  }
  for (int i = 0; i < markup->Count(); ++i) {
    THtNode* n = markup->ChildNodes(i);
    if (n->Tag().empty()) continue;
    ui::TMenuItem& item = Menu.Add();
    item.Tag = kPopupItemTag;
    item.Caption = n->GetAttribute(u"caption");
    item.OnClick = [this](ui::TMenuItem& I) { PopupMenuItemClick(I); };
    item.SetName(n->GetAttribute(u"name"));
    item.Hint = n->GetAttribute(u"onclick");
    const String index = n->GetAttribute(u"imageindex");
    if (!index.empty()) item.ImageIndex = n->GetAttrI(u"imageindex");
  }
}

void THtPanel::PopupMenuItemClick(ui::TMenuItem& Item) {
  if (!FDoc || Item.Hint.empty()) return;
  if (THtScriptAdapter* adapter = FDoc->ScriptAdapter()) adapter->Run(fPopupMenuOrigin, u"click", Item.Hint);
}

// ---------------------------------------------------------------- clicks

void THtPanel::DoClick(THtObject* Sender) {
  if (auto* e = dynamic_cast<TElement*>(Sender)) fUrlClickList.push_back(e);
}

void THtPanel::FollowAnchor(TElement* Link) {
  if (!FDoc) return;
  const String href = Link->GetAttribute(u"href");
  if (href.empty() || href[0] != u'#') return;
  if (TElement* target = FDoc->GetElementbyId(StringView(href).substr(1))) ScrollIntoTop(target);
}

// ---------------------------------------------------------------- pointer

void THtPanel::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  fTouchScrolled = false;
  ui::TCustomPanel::MouseDown(Button, Shift, X, Y);
  FPressedButton = Button;
  fIsDoubleClick = (Shift & ssDouble) != 0;
  fIsTouchClick = (Shift & ssTouch) != 0;
  if (FDoc) FDoc->TouchEnabled = FTouchEnabled && fIsTouchClick;
  MouseDownPos = TPoint{X, Y};
  FHintStr.clear();
  if (fAllowFocus) SetFocus();
  if (!FDoc) return;
  FInDocEvent = true;
  try {
    docMouseDown(X, Y, true, Shift);
  } catch (...) {
    FInDocEvent = false;
    throw;
  }
  FInDocEvent = false;
  if (FHTMLChanged) HTMLChanged();
}

void THtPanel::MouseMove(TShiftState Shift, int X, int Y) {
  ui::TCustomPanel::MouseMove(Shift, X, Y);
  // The toolkit has already dropped the moves queued behind this one.
  if (FDoc) {
    if (fIsTouchClick) Shift |= ssTouch;
    FDoc->TouchEnabled = FTouchEnabled && fIsTouchClick;
    if (!(FTouchEnabled && fIsTouchClick)) {
      const bool left = (Shift & ssLeft) != 0;
      if (!left || !fTouchScroll || FDoc->DragElement || FDoc->SizingElement) docMouseMove(X, Y, Shift);
    }
  }
  if (!FDoc) return;
  // Dragging with the left button scrolls, unless Shift or Ctrl is held.
  if (fTouchScroll && !FDoc->DragElement && !FDoc->SizingElement && (Shift & ssLeft) && !(Shift & (ssShift | ssCtrl))) {
    if (X != MouseDownPos.X || Y != MouseDownPos.Y)
      Scroll(float(int64_t(MouseDownPos.X) - X), float(int64_t(MouseDownPos.Y) - Y), true);
    MouseDownPos = TPoint{X, Y};
  }
  // Selecting past the window's edge scrolls it.
  if (FDoc && FDoc->EnableSelection && (Shift & ssLeft)) {
    if (Y > Height()) Scroll(0, 10, true);
    else if (Y < 0) Scroll(0, -10, true);
  }
  if (!HintElement && HtFloatHint && HtFloatHint->Showing()) HideFloatHint();
}

void THtPanel::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  ui::TCustomPanel::MouseUp(Button, Shift, X, Y);
  fIsTouchClick = false;
  if (fIsDoubleClick) Shift |= ssDouble;
  Shift |= Button == mbLeft ? ssLeft : Button == mbRight ? ssRight : ssMiddle;
  FHintStr = Hint;
  FInDocEvent = true;
  // Whatever happens, the list empties and a rebuild a handler asked for
  // runs once at the end, also when a handler raised.
  struct TEnd {
    THtPanel* P;
    bool Done = false;
    ~TEnd() {
      if (Done) return;
      P->fUrlClickList.clear();
      P->FInDocEvent = false;
      if (P->FHTMLChanged) {
        try {
          P->HTMLChanged();
        } catch (...) {
          // The handler's exception is the one that reaches the caller.
        }
      }
    }
  } end{this};
  if (FDoc) {
    if (fTouchScrolled) {
      FDoc->SetPseudoClass(pcActive, false, true);
    } else {
      docMouseDown(X, Y, false, Shift);
    }
  }
  if (fTouchScrolled) fUrlClickList.clear();
  while (!fUrlClickList.empty()) {
    TElement* e = fUrlClickList.front();
    if (e->Tag() == u"a") {
      if (fOnUrlClick && Button == mbLeft)
        fOnUrlClick(e);
      else if (Button == mbLeft && (!fEditorMode || (Shift & ssCtrl)))
        FollowAnchor(e);
    }
    if (!fUrlClickList.empty() && fOnElementClick && Button == mbLeft) fOnElementClick(fUrlClickList.front());
    if (!fUrlClickList.empty() && fOnElementClickEx) fOnElementClickEx(fUrlClickList.front(), Button, Shift);
    if (!fUrlClickList.empty()) fUrlClickList.erase(fUrlClickList.begin());
  }
  if (Button == mbLeft && FDoc) {
    auto* start = dynamic_cast<TTextElement*>(FDoc->Selection.StartElement());
    if (tickCount() - DoubleClickTime < ui::TCustomPanel::SystemDoubleClickTime()) {
      // A third press soon after a double click: the paragraph.
      if (start) {
        start->SelectPara();
        Repaint();
      }
    } else if (Shift & ssDouble) {
      DoubleClickTime = tickCount();
    }
    if ((Shift & ssDouble) && start) {
      start->SelectWordAt(FDoc->Selection.StartPos);
      Repaint();
    }
  }
  end.Done = true;
  fUrlClickList.clear();
  FInDocEvent = false;
  if (FHTMLChanged) HTMLChanged();
}

void THtPanel::CMMouseLeave() {
  if (FDoc) docMouseMove(-1000, -1000, 0);
  HideFloatHint();
  HintElement = nullptr;
}

// ---------------------------------------------------------------- wheel

bool THtPanel::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
  if (!FDoc) return false;
  const int n = 1 + RemoveQueuedWheelMessages();
  const int delta = clampInt(int64_t(WheelDelta) * n);
  if (std::abs(int64_t(WheelDelta)) > 3) fTouchScrolled = true;
  if (fOnMouseWheel) {
    bool handled = false;
    fOnMouseWheel(this, Shift, delta, MousePos, handled);
    if (handled) return true;
  }
  const TPoint p = ScreenToClient(MousePos);
  if ((Shift & ssCtrl) && FAllowScaling) {
    const int64_t base = FInSmoothZoom ? FTargetScale : Scale();
    const int sign = delta > 0 ? 1 : delta < 0 ? -1 : 0;
    const double s = std::round(double(base) + double(base) * delta / 1000.0 + sign);
    FLastZoomCenter = FScaleFromCenter ? p : TPoint{0, p.Y};
    SetTargetScale(std::max(20, int(std::clamp(s, double(INT_MIN), double(INT_MAX)))));
    return true;
  }
  const int64_t base = FSubscribedtoAnimation && FInSmoothScroll ? FTargetYOffset : OffsetY;
  SetTargetPosition(OffsetX, clampInt(base - delta));
  const float s = scale();
  docMouseWheel(Shift, delta,
                TPoint{clampInt(int64_t(p.X) + std::lround(OffsetX / s)), clampInt(int64_t(p.Y) + std::lround(OffsetY / s))});
  return !HasChildControls();
}

// ---------------------------------------------------------------- keys

void THtPanel::KeyDown(uint16_t& Key, TShiftState Shift) {
  ui::TCustomPanel::KeyDown(Key, Shift);
  if (fDisableKeyboard) return;
  const bool ctrl = (Shift & ssCtrl) != 0;
  switch (Key) {
    case ui::VK_PRIOR: PageUp(); break;
    case ui::VK_NEXT: PageDown(); break;
    case ui::VK_END:
      if (ctrl) ScrollY(0x3FFFFFFF);
      break;
    case ui::VK_HOME:
      if (ctrl) ScrollY(-OffsetY);
      break;
    case ui::VK_UP: ScrollY(-16); break;
    case ui::VK_DOWN: ScrollY(16); break;
    case ui::VK_INSERT:
      if (ctrl) CopySelectiontoClipboard();
      break;
    case '0':
      if (ctrl) SetScale(100);
      break;
    case 'C':
      if (ctrl && !(Shift & ssAlt)) CopySelectiontoClipboard();
      break;
    case ui::VK_ADD:
      if (ctrl) SetScale(clampInt(int64_t(Scale()) + 10));
      break;
    case ui::VK_SUBTRACT:
      if (ctrl) SetScale(std::max(Scale() - 10, 10));
      break;
    default: break;
  }
}

}  // namespace ht
