#include "platform/ui/clipboard.h"

#include <gtk/gtk.h>

#include <cstddef>
#include <map>
#include <memory>
#include <string>

#include "platform/rtl/rtl_errors.h"
#include "platform/ui/application.h"

namespace ht::ui {

namespace {

constexpr unsigned kFirstRegistered = 0xC000;

std::vector<String>& registeredNames() {
  static std::vector<String> names;
  return names;
}

[[noreturn]] void raiseOSError(int Code, const char* Text) {
  throw EOSError(Code, Format(u"System Error.  Code: %d.\r\n%s", Code, Utf8ToString(Text)));
}

// A target as offered to other programs: its name and bytes.
using TTargets = std::map<std::string, TClipboardBlock>;

// What this program offers now (null when another program owns the
// clipboard). Freed by the toolkit's clear callback.
struct TOffer {
  std::map<unsigned, TClipboardBlock> Blocks;
  TTargets Targets;
  std::vector<std::string> Order;  // target names by info number
};
TOffer* owned = nullptr;

bool isOpen = false;
bool written = false;  // SetClipboardData or EmptyClipboard since opening
std::map<unsigned, TClipboardBlock> pending;

const char* const kUnicodeTargets[] = {"UTF8_STRING", "text/plain;charset=utf-8"};
const char* const kTextTargets[] = {"STRING", "TEXT", "text/plain"};

TClipboardBlock withoutZero(const TClipboardBlock& B, size_t Width) {
  size_t n = B.size();
  if (n >= Width) {
    bool zero = true;
    for (size_t i = n - Width; i < n; ++i) zero = zero && B[i] == 0;
    if (zero) n -= Width;
  }
  return TClipboardBlock(B.begin(), B.begin() + std::ptrdiff_t(n));
}

// UTF-16 units (little endian) to UTF-8, up to the first zero unit.
TClipboardBlock utf16ToUtf8(const TClipboardBlock& B) {
  String s;
  for (size_t i = 0; i + 1 < B.size(); i += 2) {
    const char16_t c = char16_t(B[i] | B[i + 1] << 8);
    if (c == 0) break;
    s.push_back(c);
  }
  const std::string u = StringToUtf8(s);
  return TClipboardBlock(u.begin(), u.end());
}

TClipboardBlock utf8ToUtf16(const TClipboardBlock& B) {
  const String s = Utf8ToString(std::string_view(reinterpret_cast<const char*>(B.data()), B.size()));
  TClipboardBlock out;
  out.reserve(s.size() * 2 + 2);
  for (char16_t c : s) {
    if (c == 0) break;
    out.push_back(uint8_t(c & 0xFF));
    out.push_back(uint8_t(c >> 8));
  }
  out.push_back(0);
  out.push_back(0);
  return out;
}

std::string registeredName(unsigned Format) {
  const auto& names = registeredNames();
  if (Format < kFirstRegistered || Format - kFirstRegistered >= names.size()) return std::string();
  return StringToUtf8(names[Format - kFirstRegistered]);
}

// The targets a set of blocks is offered under.
void addTargets(TOffer& O) {
  auto add = [&O](const std::string& Name, TClipboardBlock Bytes) {
    if (O.Targets.count(Name)) return;
    O.Order.push_back(Name);
    O.Targets[Name] = std::move(Bytes);
  };
  for (const auto& [format, block] : O.Blocks) {
    switch (format) {
      case CF_UNICODETEXT:
        for (const char* t : kUnicodeTargets) add(t, utf16ToUtf8(block));
        break;
      case CF_TEXT:
        for (const char* t : kTextTargets) add(t, withoutZero(block, 1));
        break;
      case CF_BITMAP: add("image/bmp", block); break;
      default:
        if (std::string name = registeredName(format); !name.empty()) add(name, block);
    }
  }
}

GtkClipboard* clipboard() {
  if (!TApplication::Initialized()) raiseOSError(1418, "Thread does not have a clipboard open.");
  return gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
}

void offerGet(GtkClipboard*, GtkSelectionData* Data, guint Info, gpointer User) {
  auto* o = static_cast<TOffer*>(User);
  if (Info >= o->Order.size()) return;
  const std::string& name = o->Order[Info];
  const TClipboardBlock& b = o->Targets[name];
  static const guchar none = 0;
  gtk_selection_data_set(Data, gdk_atom_intern(name.c_str(), FALSE), 8, b.empty() ? &none : b.data(), gint(b.size()));
}

void offerClear(GtkClipboard*, gpointer User) {
  auto* o = static_cast<TOffer*>(User);
  if (owned == o) owned = nullptr;
  delete o;
}

void publish() {
  GtkClipboard* c = clipboard();
  if (pending.empty()) {
    if (owned) gtk_clipboard_clear(c);
    return;
  }
  auto offer = std::make_unique<TOffer>();
  offer->Blocks = pending;
  addTargets(*offer);
  std::vector<GtkTargetEntry> entries;
  for (size_t i = 0; i < offer->Order.size(); ++i)
    entries.push_back(GtkTargetEntry{const_cast<gchar*>(offer->Order[i].c_str()), 0, guint(i)});
  TOffer* o = offer.get();
  // Taking the selection again first clears our previous offer.
  if (!gtk_clipboard_set_with_data(c, entries.data(), guint(entries.size()), offerGet, offerClear, o))
    raiseOSError(5, "Access is denied.");
  offer.release();
  owned = o;
}

// The source of reads: our own offer, or the owning program.
class TReader {
 public:
  bool Has(const std::string& Target) {
    if (owned) return owned->Targets.count(Target) > 0;
    loadTargets();
    return FTargets.count(Target) > 0;
  }
  TClipboardBlock Get(const std::string& Target) {
    if (owned) {
      auto it = owned->Targets.find(Target);
      return it == owned->Targets.end() ? TClipboardBlock() : it->second;
    }
    if (!Has(Target)) return TClipboardBlock();
    TClipboardBlock out;
    if (GtkSelectionData* d = gtk_clipboard_wait_for_contents(clipboard(), gdk_atom_intern(Target.c_str(), FALSE))) {
      gint n = 0;
      const guchar* p = gtk_selection_data_get_data_with_length(d, &n);
      if (p && n > 0) out.assign(p, p + n);
      gtk_selection_data_free(d);
    }
    return out;
  }

 private:
  void loadTargets() {
    if (FLoaded) return;
    FLoaded = true;
    GdkAtom* atoms = nullptr;
    gint n = 0;
    if (gtk_clipboard_wait_for_targets(clipboard(), &atoms, &n)) {
      for (gint i = 0; i < n; ++i) {
        gchar* name = gdk_atom_name(atoms[i]);
        if (name) FTargets[name] = true;
        g_free(name);
      }
      g_free(atoms);
    }
  }
  bool FLoaded = false;
  std::map<std::string, bool> FTargets;
};

template <size_t N>
const char* firstOf(TReader& R, const char* const (&Targets)[N]) {
  for (const char* t : Targets)
    if (R.Has(t)) return t;
  return nullptr;
}

}  // namespace

unsigned RegisterClipboardFormat(StringView Name) {
  auto& names = registeredNames();
  for (size_t i = 0; i < names.size(); ++i)
    if (names[i] == Name) return kFirstRegistered + unsigned(i);
  names.emplace_back(Name);
  return kFirstRegistered + unsigned(names.size() - 1);
}

void OpenClipboard() {
  clipboard();
  if (isOpen) raiseOSError(5, "Access is denied.");
  isOpen = true;
  written = false;
  pending = owned ? owned->Blocks : std::map<unsigned, TClipboardBlock>();
}

void CloseClipboard() {
  if (!isOpen) raiseOSError(1418, "Thread does not have a clipboard open.");
  isOpen = false;
  if (!written) return;
  written = false;
  struct TClear {
    ~TClear() { pending.clear(); }
  } clear;
  publish();
}

void EmptyClipboard() {
  if (!isOpen) raiseOSError(1418, "Thread does not have a clipboard open.");
  pending.clear();
  written = true;
}

void SetClipboardData(unsigned Format, TClipboardBlock Block) {
  if (!isOpen) raiseOSError(1418, "Thread does not have a clipboard open.");
  pending[Format] = std::move(Block);
  written = true;
}

bool IsClipboardFormatAvailable(unsigned Format) {
  clipboard();
  TReader r;
  switch (Format) {
    case CF_UNICODETEXT: return firstOf(r, kUnicodeTargets) != nullptr;
    case CF_TEXT: return firstOf(r, kTextTargets) != nullptr;
    case CF_BITMAP:
    case CF_DIB: return r.Has("image/bmp");
    case CF_METAFILEPICT:
    case CF_ENHMETAFILE: return false;
    default: {
      const std::string name = registeredName(Format);
      return !name.empty() && r.Has(name);
    }
  }
}

TClipboardBlock GetClipboardData(unsigned Format) {
  clipboard();
  TReader r;
  switch (Format) {
    case CF_UNICODETEXT: {
      const char* t = firstOf(r, kUnicodeTargets);
      return t ? utf8ToUtf16(r.Get(t)) : TClipboardBlock();
    }
    case CF_TEXT: {
      const char* t = firstOf(r, kTextTargets);
      if (!t) return TClipboardBlock();
      TClipboardBlock b = r.Get(t);
      b.push_back(0);
      return b;
    }
    case CF_BITMAP: return r.Get("image/bmp");
    case CF_DIB: {
      TClipboardBlock b = r.Get("image/bmp");
      if (b.size() >= 14 && b[0] == 'B' && b[1] == 'M') b.erase(b.begin(), b.begin() + 14);
      return b;
    }
    case CF_METAFILEPICT:
    case CF_ENHMETAFILE: return TClipboardBlock();
    default: {
      const std::string name = registeredName(Format);
      return name.empty() ? TClipboardBlock() : r.Get(name);
    }
  }
}

void TClipboardScope::Close() {
  FOpen = false;
  CloseClipboard();
}

TClipboardScope::~TClipboardScope() {
  if (!FOpen) return;
  // Leaving by an exception: close without offering what was collected.
  isOpen = false;
  written = false;
  pending.clear();
}

}  // namespace ht::ui
