#pragma once
// A host control whose scroll bars are plain state, 16 px thick, counting
// their moves.
#include <memory>

#include "platform/ui/scroll_bar.h"

namespace ht::testing {

class TFakeScrollBar : public ui::TScrollBar {
 public:
  TFakeScrollBar() : ui::TScrollBar(100, 16) {}
  void SetWindowPos(int ALeft, int ATop, int AWidth, int AHeight) override {
    ++Moves;
    ui::TScrollBar::SetWindowPos(ALeft, ATop, AWidth, AHeight);
  }
  // The user drags the thumb to Value.
  void UserMove(int Value) {
    SetPosition(Value);
    if (OnChange) OnChange();
  }
  int Moves = 0;
};

class TFakeHostControl : public ui::IHostControl {
 public:
  std::unique_ptr<ui::TScrollBar> CreateScrollBar() override {
    ++Created;
    return std::make_unique<TFakeScrollBar>();
  }
  int Created = 0;
};

}  // namespace ht::testing
