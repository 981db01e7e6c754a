#pragma once
// The main window: one host panel filling the client area. The stored form
// is this constructor: it applies the form's values with the panel's owner
// still loading, then lets the panel build its built-in page once.
#include <memory>

#include "host/html_panel.h"
#include "platform/ui/controls.h"

namespace ht {

class TForm1 : public ui::TForm, public THtObject {
 public:
  TForm1();
  ~TForm1() override;

  // Published, in this order.
  std::unique_ptr<THtPanel> HtPanel1;
  void FormCreate(THtObject* Sender);
  void HtPanel1UrlClick(TElement* Sender);

  // The folder of the executable, with its trailing delimiter.
  static String ExeFolder();
};

// The main window once the application made it.
extern TForm1* Form1;

}  // namespace ht
