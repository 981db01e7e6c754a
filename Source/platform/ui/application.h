#pragma once
// The application object over GTK 3: start-up of the toolkit, the message
// loop and the exception report.
//
// The main loop drains the run-time dispatcher: a GSource of our own is
// ready whenever the dispatcher holds calls, and the dispatcher's wake-up
// hook (called on the posting thread) wakes the loop, so a worker's post
// runs on the main thread without polling.
//
// GTK calls back through C frames; every callback of this layer runs its
// C++ work inside Guard, which hands any exception to HandleException, so
// none crosses a C frame.
#include <functional>
#include <string>

#include "platform/core/core_status.h"
#include "platform/rtl/string.h"

typedef struct _GtkWidget GtkWidget;

namespace ht::ui {

// The switchable call trace of this layer ("Invalidate", "SetScrollInfo
// 1 0 2000 500 0", "ScrollWindowEx 0 -100", ...).
core::TCallTrace& UiTrace();

// Widgets this layer made that GTK has not destroyed yet; the program
// checks it is 0 at shut-down.
int LiveWidgets();
// Counts W from now until its "destroy" signal.
void TrackWidget(GtkWidget* W);

class TApplication {
 public:
  // Starts GTK (false without a display) and installs the dispatcher's
  // wake-up source. Calls nest.
  static bool Initialize();
  // Removes the wake-up source; the last matching call of Initialize.
  static void Finalize();
  static bool Initialized();

  // Runs the message loop until Terminate.
  static void Run();
  static void Terminate();
  // Runs pending GTK events and dispatcher calls without blocking; for
  // tests and for work that must see the window state settle.
  static void ProcessMessages();

  // Shows the exception's message in a non-modal error dialog, or passes
  // it to OnException when that is set (tests). Never raises.
  static void HandleException(const std::exception& E);
  static void HandleUnknownException();
  static std::function<void(const String& Message)> OnException;
  // The dialogs shown and not yet closed.
  static int OpenDialogs();
  static void CloseDialogs();
};

// Runs Fn; an exception goes to TApplication::HandleException.
template <class F>
void Guard(F&& Fn) noexcept {
  try {
    Fn();
  } catch (const std::exception& e) {
    TApplication::HandleException(e);
  } catch (...) {
    TApplication::HandleUnknownException();
  }
}

}  // namespace ht::ui
