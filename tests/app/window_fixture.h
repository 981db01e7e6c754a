#pragma once
// A form on the virtual X server that shows one control; helpers that run
// the main loop until GTK has placed and drawn it.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <functional>
#include <memory>

#include "platform/ui/application.h"
#include "platform/ui/controls.h"

namespace ht::testing {

// Runs the main loop until Pred holds or 5 s pass.
inline bool RunUntil(const std::function<bool()>& Pred) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!Pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    if (gtk_events_pending()) gtk_main_iteration_do(FALSE);
    else g_usleep(1000);
  }
  return true;
}

// Lets pending events and draws run (a few frames' worth).
inline void Settle() {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(150);
  while (std::chrono::steady_clock::now() < end) {
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
    g_usleep(2000);
  }
}

class WindowTest : public ::testing::Test {
 protected:
  void TearDown() override {
    ui::TApplication::OnException = nullptr;
    ui::TApplication::CloseDialogs();
    Form.reset();
    Settle();
  }
  // Shows Control in a new form of the given client size and waits until
  // its client area has that size less the scroll bars.
  void ShowIn(ui::TWinControl& Control, int W = 640, int H = 480) {
    Form = std::make_unique<ui::TForm>();
    Form->SetClientSize(W, H);
    Form->InsertControl(Control);
    Form->Show();
    ASSERT_TRUE(RunUntil([&] { return Control.Width() == W && Control.Height() == H; }));
    Settle();
  }
  std::unique_ptr<ui::TForm> Form;
};

}  // namespace ht::testing
