#pragma once
// The element scroll bar of the window layer: a GtkScrollbar on the host
// panel's child layer (the GtkFixed above the client area). Setters carry
// each change to the widget; a user's move rounds the bar's value to a
// whole position and raises OnChange.
#include "platform/ui/scroll_bar.h"

typedef struct _GtkWidget GtkWidget;

namespace ht::ui {

class TCustomPanel;

class TElementScrollBar : public TScrollBar {
 public:
  // Horizontal and hidden, on AParent's child layer.
  explicit TElementScrollBar(TCustomPanel& AParent);
  ~TElementScrollBar() override;

  void SetKind(TScrollBarKind Value) override;
  void SetVisible(bool Value) override;
  void SetMax(int Value) override;
  void SetPageSize(int Value) override;
  void SetLargeChange(int Value) override;
  void SetPosition(int Value) override;
  void SetWindowPos(int ALeft, int ATop, int AWidth, int AHeight) override;

  GtkWidget* Handle() const { return FBar; }

 private:
  void makeBar();
  void syncRange();
  friend struct TElementScrollBarSignals;

  TCustomPanel& FParent;
  GtkWidget* FBar = nullptr;
};

}  // namespace ht::ui
