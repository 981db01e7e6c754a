#include "host/panel_getters.h"

#include <filesystem>

#include "document/global.h"
#include "host/host_components.h"
#include "host/panel_web.h"

namespace ht {

namespace {

bool startsWith(StringView s, StringView prefix) { return s.substr(0, prefix.size()) == prefix; }


String executablePath() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? String() : Utf8ToString(exe.string());
}

String baseOf(const THtGetterContext& C, THtDocument* Sender) {
  if (Sender && !Sender->CurrentFile.empty()) return Sender->CurrentFile;
  return C.PanelFile;
}

// A whole non-negative decimal number that fits an int; -1 otherwise.
int indexOf(StringView s) {
  if (s.empty() || s.size() > 9) return -1;
  int v = 0;
  for (char16_t ch : s) {
    if (ch < u'0' || ch > u'9') return -1;
    v = v * 10 + (ch - u'0');
  }
  return v;
}

THtBytes listItem(THtDocument* Sender, THtObject* List, int Index) {
  if (auto* own = dynamic_cast<THtImageListComponent*>(List)) return own->Item(Index);
  return Sender ? Sender->ImageListItemtoBytes(List, Index) : THtBytes();
}

bool fileExists(const String& Path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(std::filesystem::path(StringToUtf8(Path)), ec);
}

}  // namespace

String HtPanelGetURL(const THtGetterContext& C, THtDocument* Sender, const String& Url, TElement* Element) {
  String result;
  const String base = baseOf(C, Sender);
  if (startsWith(Url, u"/form/") && C.Designing) return result;
  try {
    if (C.OnGetURL) return C.OnGetURL(Sender, Url, Element);
    if (HtGlobalExists()) {
      result = GetHtGlobal().GetURL(Sender, Url, nullptr);
      if (!result.empty()) return result;
    }
    if (HtIsWebRequest(Url, base)) {
      if (C.WebLoading && !C.Designing && C.Web) result = C.Web().Get(HtPrepareWebUrl(Url, base));
    } else {
      result = THtGlobal::ResolveFileURL(base, Url);
    }
  } catch (...) {
    // A failed request is a missing resource.
  }
  return result;
}

THtBytes HtPanelDefaultGetImage(const THtGetterContext& C, THtDocument* Sender, const String& Url, TElement*) {
  THtBytes result;
  try {
    String base = baseOf(C, Sender);
    if (base.empty()) base = executablePath();
    if (const int index = indexOf(Url); C.Images && index >= 0) {
      result = listItem(Sender, C.Images, index);
    } else if (HtIsWebRequest(Url, base)) {
      if (C.WebLoading && !C.Designing && C.Web) result = C.Web().GetBytes(HtPrepareWebUrl(Url, base));
    } else if (startsWith(Url, u"/form/")) {
      const String rest = Url.substr(6);
      const size_t slash = rest.find(u'/');
      const String name = rest.substr(0, slash);
      const String remainder = slash == String::npos ? String() : rest.substr(slash + 1);
      THtComponent* c = C.Owner ? C.Owner->FindComponent(name) : nullptr;
      if (auto* picture = dynamic_cast<THtPictureComponent*>(c)) {
        result = picture->Graphic;
      } else if (auto* list = dynamic_cast<THtImageListComponent*>(c)) {
        const int index = indexOf(remainder);
        if (index >= 0) result = list->Item(index);
      }
    } else {
      const String path = HtLocalImagePath(Url, base);
      if (fileExists(path)) result = THtDocument::ImageFiletoBytes(path);
    }
  } catch (...) {
    // Unreachable hosts, unreadable files and bad indexes give no image.
  }
  return result;
}

THtBytes HtPanelGetImage(const THtGetterContext& C, THtDocument* Sender, const String& Url, TElement* Element) {
  if (C.OnGetImage) {
    try {
      return C.OnGetImage(Sender, Url, Element);
    } catch (...) {
      return THtBytes();
    }
  }
  return HtPanelDefaultGetImage(C, Sender, Url, Element);
}

}  // namespace ht
