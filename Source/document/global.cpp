#include "document/global.h"
#include "document/animation_thread.h"
#include "document/image_loader.h"

#include <unistd.h>

#include <cassert>
#include <climits>
#include <filesystem>
#include <thread>

#include "css/style_unit.h"
#include "document/element_registry.h"
#include "document/self_styles.h"
#include "markup/file_utils.h"
#include "markup/markup_startup.h"
#include "markup/url_utils.h"
#include "markup/utils_startup.h"

namespace ht {

namespace {

// The process-wide objects of the document unit.
struct TDocumentUnit {
  int StartCount = 0;
  bool Started = false;  // stands for the unit lock's existence
  std::mutex Lock;       // the unit lock: creation of the global object
  std::unique_ptr<TSelfStyles> InlineStyles;
  std::unique_ptr<TSelfStyles> DocumentSheets;
  std::unique_ptr<THtGlobal> Global;
  THtGlobal* Instance = nullptr;  // the one THtGlobal alive, however made
  std::thread::id MainThread;
};

TDocumentUnit& unit() {
  static TDocumentUnit u;
  return u;
}

std::vector<THtResourceEntry>& resourceTable() {
  static std::vector<THtResourceEntry> table;
  return table;
}

bool startsWith(StringView s, StringView prefix) { return s.substr(0, prefix.size()) == prefix; }

}  // namespace

// --- Resources --------------------------------------------------------------------------

bool RegisterHtResource(THtResourceEntry Entry) {
  resourceTable().push_back(std::move(Entry));
  return true;
}

bool THtVirtualImageRes::GetImage(const String& URL, THtBytes& ImageData, int) {
  String name = URL;
  int type = 2;
  String typeName;
  if (const size_t colon = URL.find(u':'); colon != String::npos) {
    name = URL.substr(0, colon);
    const String t = URL.substr(colon + 1);
    bool numeric = !t.empty() && t.size() < 10;
    for (char16_t c : t) numeric = numeric && c >= u'0' && c <= u'9';
    if (numeric) {
      type = 0;
      for (char16_t c : t) type = type * 10 + (c - u'0');
    } else {
      typeName = t;
    }
  }
  for (const THtResourceEntry& r : resourceTable()) {
    if (r.Name != name) continue;
    if (typeName.empty() ? (r.TypeName.empty() && r.Type == type) : AsciiLowerCase(r.TypeName) == AsciiLowerCase(typeName)) {
      ImageData = r.Data;
      return true;
    }
  }
  return false;
}

// --- The global object ----------------------------------------------------------------------

THtGlobal::THtGlobal() {
  if (unit().Instance) throw Exception(u"Only single instance of THtGlobal is allowed");
  unit().Instance = this;
}

THtGlobal::~THtGlobal() {
  if (unit().Instance == this) unit().Instance = nullptr;
}

const CHtScriptAdapter* THtGlobal::GetScriptAdapterClass() const {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  return ScriptAdapterClass;
}
void THtGlobal::SetScriptAdapterClass(const CHtScriptAdapter* Value) {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  ScriptAdapterClass = Value;
}
TGetUrlEvent THtGlobal::GetOnGetUrl() const {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  return OnGetUrl;
}
void THtGlobal::SetOnGetUrl(TGetUrlEvent Value) {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  OnGetUrl = std::move(Value);
}
std::vector<String> THtGlobal::GetStyles() const {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  return Styles;
}
void THtGlobal::SetStyles(const std::vector<String>& Value) {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  Styles = Value;
}
void THtGlobal::AddStyleLine(StringView Line) {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  Styles.emplace_back(Line);
}

TCSSStyleSheet* THtGlobal::styleSheetLocked() {
  const int last = int(Styles.size()) - 1;
  if (!FStyleSheet) {
    FStyleSheet = std::make_unique<TCSSStyleSheet>();
    String all;
    for (size_t i = 0; i < Styles.size(); ++i) {
      if (i) all += u"\r\n";
      all += Styles[i];
    }
    FStyleSheet->Parse(all, -1, false);
    FParsedLine = last;
  }
  // Lines added since the last call, parsed once each.
  if (FParsedLine < last) {
    String added;
    for (int i = FParsedLine + 1; i <= last; ++i) added += Styles[size_t(i)];
    FParsedLine = last;
    if (!added.empty()) FStyleSheet->Parse(added, -1, false);
  }
  return FStyleSheet.get();
}

TCSSStyleSheet* THtGlobal::StyleSheet() {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  return styleSheetLocked();
}

void THtGlobal::AssignStyleSheetTo(TCSSStyleSheet& Dest) {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  if (Styles.empty()) return;
  Dest.Assign(*styleSheetLocked());
}

String THtGlobal::ResolveFileURL(const String& Base, const String& Url) {
  try {
    // Percent escapes only: a "+" in a file name is a plus.
    String path = PercentDecode(Url);
    if (startsWith(path, u"file://")) path = path.substr(7);
    if (path.empty()) return String();
    const bool absolute = path.front() == u'/' && !startsWith(path, u"//");
    if (!absolute && path.find(u':') == String::npos && !startsWith(path, u"\\\\") && !startsWith(path, u"//"))
      path = (Base.empty() ? ExecutableFolder() : FolderOf(Base)) + path;
    if (startsWith(path, u"//")) return String();
    std::error_code ec;
    const std::filesystem::path file(StringToUtf8(path));
    if (!std::filesystem::is_regular_file(file, ec)) return String();
    return LoadFileToString(path);
  } catch (const std::exception&) {
    // Unreadable names and files give no text.
    return String();
  }
}

String THtGlobal::GetURL(THtDocument* Sender, const String& Url, TElement* Element) {
  TGetUrlEvent handler = GetOnGetUrl();
  if (handler) return handler(Sender, Url, Element);
  return ResolveFileURL(Sender ? Sender->CurrentFile : String(), Url);
}

void THtGlobal::LoadImage(THtDocument* Doc, const String& Url, THtImage* Image, bool IsInline) {
  ImageLoader().LoadImage(Url, Doc, Image, IsInline);
}

void THtGlobal::UnsubscribeLoads(THtDocument* Doc) {
  if (ImageLoaderExists()) ImageLoader().Unsubscribe(Doc);
}

THtVirtualImageSource* THtGlobal::findSource(StringView Name) const {
  const String lower = AsciiLowerCase(Name);
  for (const auto& [name, source] : FImageSources)
    if (name == lower) return source.get();
  return nullptr;
}

bool THtGlobal::IsVirtualImage(StringView Url) const {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  return findSource(Url.substr(0, Url.find(u'/'))) != nullptr;
}

bool THtGlobal::GetImage(THtDocument* Sender, const String& URL, THtBytes& ImageData) {
  const size_t slash = URL.find(u'/');
  THtVirtualImageSource* source;
  {
    std::lock_guard<std::recursive_mutex> guard(FLock);
    source = findSource(StringView(URL).substr(0, slash));
  }
  if (!source) return false;
  const String argument = slash == String::npos ? String() : URL.substr(slash + 1);
  return source->GetImage(argument, ImageData, Sender ? Sender->DPI() : 96);
}

void THtGlobal::RegisterVirtualImageSource(StringView SourceName, std::unique_ptr<THtVirtualImageSource> AImageSource) {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  FImageSources.emplace_back(AsciiLowerCase(SourceName), std::move(AImageSource));
}

bool HtGlobalExists() {
  TDocumentUnit& u = unit();
  std::lock_guard<std::mutex> guard(u.Lock);
  return u.Global != nullptr;
}

IHtGlobal& GetHtGlobal() {
  TDocumentUnit& u = unit();
  assert(u.Started && "htmldraw: the document unit is not started");
  std::lock_guard<std::mutex> guard(u.Lock);
  if (!u.Global) u.Global = std::make_unique<THtGlobal>();
  return *u.Global;
}

// --- Caches ------------------------------------------------------------------------------------

TSelfStyles* InlineStyleCache() { return unit().InlineStyles.get(); }
TSelfStyles* DocumentSheetCache() { return unit().DocumentSheets.get(); }

// --- Start-up and shut-down ------------------------------------------------------------------

bool IsHtMainThread() { return std::this_thread::get_id() == unit().MainThread; }

void HtDocumentInitialize() {
  TDocumentUnit& u = unit();
  if (u.StartCount++ > 0) return;
  HtUtilsInitialize();
  HtMarkupInitialize();
  InitStyleUnit();
  u.MainThread = std::this_thread::get_id();
  u.Started = true;
  u.InlineStyles = std::make_unique<TSelfStyles>();
  u.DocumentSheets = std::make_unique<TSelfStyles>();
  InitElementClasses();
  GetHtGlobal().RegisterVirtualImageSource(u"_resource", std::make_unique<THtVirtualImageRes>());
}

void HtDocumentFinalize() {
  TDocumentUnit& u = unit();
  if (u.StartCount == 0 || --u.StartCount > 0) return;
  // Worker threads stop first, before anything they use is freed.
  SetAnimationThread(nullptr);
  SetImageLoader(nullptr);
  std::unique_ptr<THtGlobal> global;
  {
    std::lock_guard<std::mutex> guard(u.Lock);
    global = std::move(u.Global);
    u.Started = false;
  }
  u.InlineStyles.reset();
  u.DocumentSheets.reset();
  FreeElementClasses();
  global.reset();
  FinalizeStyleUnit();
  HtMarkupFinalize();
  HtUtilsFinalize();
}

}  // namespace ht
