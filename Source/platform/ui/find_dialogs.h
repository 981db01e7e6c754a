#pragma once
// The find and replace dialogs: non-modal GTK windows of our own with the
// options of the platform's dialogs. Execute shows the window (made on the
// first call) with FindText, ReplaceText and Options; the buttons copy the
// window's fields back into them and raise OnFind (Find Next) or OnReplace
// (Replace, Replace All), with frFindNext, frReplace or frReplaceAll set
// for that press alone. Closing only hides the window; the object owns it.
#include <functional>

#include "platform/rtl/string.h"

typedef struct _GtkWidget GtkWidget;

namespace ht::ui {

enum TFindOption : unsigned {
  frDown = 1,
  frFindNext = 8,
  frHideMatchCase = 0x10,
  frHideWholeWord = 0x20,
  frHideUpDown = 0x40,
  frMatchCase = 4,
  frWholeWord = 2,
  frReplace = 0x80,
  frReplaceAll = 0x100,
};

class TFindDialog {
 public:
  TFindDialog() = default;
  virtual ~TFindDialog();
  TFindDialog(const TFindDialog&) = delete;
  TFindDialog& operator=(const TFindDialog&) = delete;

  String FindText;
  unsigned Options = frDown;
  std::function<void(TFindDialog& Sender)> OnFind;

  // Shows the window (brought to the front when it shows already); true.
  bool Execute();
  void CloseDialog();
  bool Showing() const;
  // The window, null before the first Execute.
  GtkWidget* Handle() const { return FWindow; }
  // The buttons as the user presses them.
  void ClickFindNext();

 protected:
  virtual bool IsReplace() const { return false; }
  // Reads the window's fields into FindText, ReplaceText and Options.
  virtual void readFields();
  virtual void writeFields();
  GtkWidget* FWindow = nullptr;
  GtkWidget* FFindEntry = nullptr;
  GtkWidget* FReplaceEntry = nullptr;
  GtkWidget* FWholeWord = nullptr;
  GtkWidget* FMatchCase = nullptr;
  GtkWidget* FDown = nullptr;
  GtkWidget* FUp = nullptr;
  GtkWidget* FFindButton = nullptr;
  GtkWidget* FReplaceButton = nullptr;
  GtkWidget* FReplaceAllButton = nullptr;

 private:
  void build();
  friend struct TFindSignals;
};

class TReplaceDialog : public TFindDialog {
 public:
  String ReplaceText;
  std::function<void(TReplaceDialog& Sender)> OnReplace;
  void ClickReplace();
  void ClickReplaceAll();

 protected:
  bool IsReplace() const override { return true; }
  void readFields() override;
  void writeFields() override;
};

}  // namespace ht::ui
