#pragma once
// THtGlobal: the one process-wide object of the engine, reached through
// GetHtGlobal while the document unit is started. It holds what is not per
// document: the global style lines and the sheet parsed from them (merged
// into each new document), the process-wide URL callback and the default
// resolver of relative URLs to file text, the script adapter class for new
// documents, and the virtual image sources (named sources answering URLs of
// the form NAME/ARGUMENT, such as "_resource/logo").
#include <memory>
#include <mutex>
#include <vector>

#include "canvas/canvas_types.h"
#include "css/style_sheet.h"
#include "document/document.h"
#include "document/script_adapter.h"

namespace ht {

// A named source of image bytes.
class THtVirtualImageSource : public THtObject {
 public:
  // Fills ImageData and answers True when the source has an image for URL.
  virtual bool GetImage(const String& URL, THtBytes& ImageData, int DPI) = 0;
};

// The "_resource" source: images from the resource table compiled into the
// program. URL is NAME (bitmap type 2) or NAME:TYPE, TYPE a number or a
// type name. Names are matched exactly.
class THtVirtualImageRes : public THtVirtualImageSource {
 public:
  bool GetImage(const String& URL, THtBytes& ImageData, int DPI) override;
};

// One entry of the program's resource table.
struct THtResourceEntry {
  String Name;
  int Type = 2;     // numeric type; ignored when TypeName is set
  String TypeName;  // named type, or empty
  THtBytes Data;
};
// Adds an entry to the program's resource table (done at program start by
// the compiled-in tables); answers true so it can initialise a static.
bool RegisterHtResource(THtResourceEntry Entry);

class IHtGlobal {
 public:
  virtual ~IHtGlobal() = default;
  virtual const CHtScriptAdapter* GetScriptAdapterClass() const = 0;
  virtual void SetScriptAdapterClass(const CHtScriptAdapter* Value) = 0;
  virtual TGetUrlEvent GetOnGetUrl() const = 0;
  virtual void SetOnGetUrl(TGetUrlEvent Value) = 0;
  virtual std::vector<String> GetStyles() const = 0;
  virtual void SetStyles(const std::vector<String>& Value) = 0;
  virtual void AddStyleLine(StringView Line) = 0;
  // The text of a resource: OnGetUrl when set, else the default resolver.
  // Never raises: an unreadable URL gives empty text.
  virtual String GetURL(THtDocument* Sender, const String& Url, TElement* Element) = 0;
  // Queues a background load of Image for Doc with the image loader
  // (started on first use).
  virtual void LoadImage(THtDocument* Doc, const String& Url, THtImage* Image, bool IsInline) = 0;
  // Drops Doc's queued image loads and cancels one in work.
  virtual void UnsubscribeLoads(THtDocument* Doc) = 0;
  // The sheet of the global style lines, lines added since the last call
  // parsed now (once each).
  virtual TCSSStyleSheet* StyleSheet() = 0;
  // Merges the global sheet into Dest (for a new document); nothing when
  // there are no global lines.
  virtual void AssignStyleSheetTo(TCSSStyleSheet& Dest) = 0;
  virtual bool IsVirtualImage(StringView Url) const = 0;
  virtual bool GetImage(THtDocument* Sender, const String& URL, THtBytes& ImageData) = 0;
  // The global object owns the source from then on.
  virtual void RegisterVirtualImageSource(StringView SourceName, std::unique_ptr<THtVirtualImageSource> AImageSource) = 0;
};

class THtGlobal : public IHtGlobal {
 public:
  // Raises Exception "Only single instance of THtGlobal is allowed" while
  // another instance exists.
  THtGlobal();
  ~THtGlobal() override;

  const CHtScriptAdapter* GetScriptAdapterClass() const override;
  void SetScriptAdapterClass(const CHtScriptAdapter* Value) override;
  TGetUrlEvent GetOnGetUrl() const override;
  void SetOnGetUrl(TGetUrlEvent Value) override;
  std::vector<String> GetStyles() const override;
  void SetStyles(const std::vector<String>& Value) override;
  void AddStyleLine(StringView Line) override;
  String GetURL(THtDocument* Sender, const String& Url, TElement* Element) override;
  void LoadImage(THtDocument* Doc, const String& Url, THtImage* Image, bool IsInline) override;
  void UnsubscribeLoads(THtDocument* Doc) override;
  TCSSStyleSheet* StyleSheet() override;
  void AssignStyleSheetTo(TCSSStyleSheet& Dest) override;
  bool IsVirtualImage(StringView Url) const override;
  bool GetImage(THtDocument* Sender, const String& URL, THtBytes& ImageData) override;
  void RegisterVirtualImageSource(StringView SourceName, std::unique_ptr<THtVirtualImageSource> AImageSource) override;

  // The default resolver: the file's text for a relative path (against
  // Base's folder, else the executable's), an absolute path or a
  // "file://" URL; empty for anything else.
  static String ResolveFileURL(const String& Base, const String& Url);

 private:
  TCSSStyleSheet* styleSheetLocked();
  THtVirtualImageSource* findSource(StringView Name) const;

  mutable std::recursive_mutex FLock;  // guards every field
  std::vector<String> Styles;
  std::vector<std::pair<String, std::unique_ptr<THtVirtualImageSource>>> FImageSources;
  std::unique_ptr<TCSSStyleSheet> FStyleSheet;
  TGetUrlEvent OnGetUrl;
  const CHtScriptAdapter* ScriptAdapterClass = &THtScriptAdapter::ClassType;
  int FParsedLine = -1;
};

// The global object, created on first use. Asserts that the document unit
// is started.
IHtGlobal& GetHtGlobal();
// Whether the global object exists (documents skip their global clean-up
// without one).
bool HtGlobalExists();

// Start-up and shut-down of the document unit. Start-up runs the utils,
// markup and style start-ups, then makes the style caches, the element
// class registry (with "*") and the global object with its "_resource"
// source. Calls nest; only the first start-up and the last shut-down act.
void HtDocumentInitialize();
void HtDocumentFinalize();
// Whether the calling thread is the one that started the document unit.
bool IsHtMainThread();

}  // namespace ht
