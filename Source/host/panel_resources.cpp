// The panel's side of the resource getters: its fields as a getter context.
#include "host/html_panel.h"
#include "host/panel_getters.h"
#include "host/panel_web.h"

namespace ht {

namespace {
THtGetterContext contextOf(THtPanel& P) {
  THtGetterContext c;
  c.WebLoading = P.fWebLoading;
  c.Designing = P.Designing;
  c.PanelFile = P.fCurrentFile;
  c.Images = P.Images;
  c.Owner = P.Owner;
  c.OnGetURL = P.fOnGetURL;
  c.OnGetImage = P.fOnGetImage;
  c.Web = [&P]() -> THtPanelWeb& { return P.InetClient(); };
  return c;
}
}  // namespace

THtPanelWeb& THtPanel::InetClient() {
  std::lock_guard<std::mutex> guard(fInetLock);
  if (!fInetClient) fInetClient = std::make_unique<THtPanelWeb>();
  return *fInetClient;
}

String THtPanel::DoGetURL(THtDocument* Sender, const String& Url, TElement* Element) {
  return HtPanelGetURL(contextOf(*this), Sender, Url, Element);
}

THtBytes THtPanel::DoGetImage(THtDocument* Sender, const String& Url, TElement* Element) {
  return HtPanelGetImage(contextOf(*this), Sender, Url, Element);
}

THtBytes THtPanel::DefaultGetImage(THtDocument* Sender, const String& Url, TElement* Element) {
  return HtPanelDefaultGetImage(contextOf(*this), Sender, Url, Element);
}

THtImage* THtPanel::DoGetImageObject(THtDocument* Sender, const String& Url, TElement* Element) {
  return fOnGetImageObject ? fOnGetImageObject(Sender, Url, Element) : nullptr;
}

}  // namespace ht
