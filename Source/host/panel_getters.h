#pragma once
// How the host panel answers its documents' requests for text and image
// bytes: the application's events first, then the process-wide URL handler,
// the web (through the panel's HTTP client), the panel's image list, the
// pictures and image lists of its owner form, and local files relative to
// the document. Failures never escape: the answer is then empty.
//
// The getters run on the main thread and, for images, on the image-loader
// thread; the HTTP client they share is made once and serialises its own
// requests.
#include <functional>

#include "document/document.h"
#include "host/panel_paths.h"

namespace ht {

class THtPanelWeb;
class THtComponentOwner;

struct THtGetterContext {
  bool WebLoading = true;
  bool Designing = false;
  String PanelFile;                      // the panel's CurrentFile
  THtObject* Images = nullptr;           // the panel's image list
  THtComponentOwner* Owner = nullptr;    // the panel's form
  TGetUrlEvent OnGetURL;
  TGetImageEvent OnGetImage;
  std::function<THtPanelWeb&()> Web;  // the shared client, made on first call
};

String HtPanelGetURL(const THtGetterContext& C, THtDocument* Sender, const String& Url, TElement* Element);
THtBytes HtPanelGetImage(const THtGetterContext& C, THtDocument* Sender, const String& Url, TElement* Element);
THtBytes HtPanelDefaultGetImage(const THtGetterContext& C, THtDocument* Sender, const String& Url, TElement* Element);

}  // namespace ht
