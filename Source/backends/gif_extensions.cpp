#include <cstring>
#include <mutex>

#include "backends/gif_image.h"

namespace ht {

// ---------------------------------------------------------------------------
// Registries

namespace {

struct TExtensionEntry {
  const TGIFExtensionClass* Class;
  uint8_t Label;
};
struct TAppExtensionEntry {
  const TGIFExtensionClass* Class;
  TGIFIdentifier Ident;
};

struct TGifRegistries {
  std::vector<TExtensionEntry> Extensions;        // searched from the last entry
  std::vector<TAppExtensionEntry> AppExtensions;  // the same
};

// GIF data is decoded on the main thread and on the image-loader thread, so
// the registries are created once under this lock (normally by the back
// ends' start-up) and every look-up and registration holds it.
std::mutex registryLock;
std::unique_ptr<TGifRegistries> registries;

TGifRegistries& registriesLocked() {
  if (!registries) {
    registries = std::make_unique<TGifRegistries>();
    registries->Extensions = {{&TGIFTextExtension::ClassType, 0x01},
                              {&TGIFGraphicControlExtension::ClassType, 0xF9},
                              {&TGIFCommentExtension::ClassType, 0xFE},
                              {&TGIFApplicationExtension::ClassType, 0xFF}};
    registries->AppExtensions = {{&TGIFAppExtNSLoop::ClassType, GifIdentifier("NETSCAPE2.0")},
                                 {&TGIFAppExtNSLoop::ClassType, GifIdentifier("ANIMEXTS1.0")}};
  }
  return *registries;
}

const TGIFExtensionClass* findLabel(uint8_t Label) {
  std::lock_guard<std::mutex> lock(registryLock);
  const auto& list = registriesLocked().Extensions;
  for (auto it = list.rbegin(); it != list.rend(); ++it)
    if (it->Label == Label) return it->Class;
  return nullptr;
}

const TGIFExtensionClass* findIdent(const TGIFIdentifier& Ident) {
  std::lock_guard<std::mutex> lock(registryLock);
  const auto& list = registriesLocked().AppExtensions;
  for (auto it = list.rbegin(); it != list.rend(); ++it)
    if (it->Ident == Ident) return it->Class;
  return nullptr;
}

}  // namespace

TGIFIdentifier GifIdentifier(const char (&Text)[12]) {
  TGIFIdentifier id{};
  std::memcpy(id.data(), Text, 11);
  return id;
}

void HtGifInitialize() {
  std::lock_guard<std::mutex> lock(registryLock);
  registriesLocked();
}

void HtGifFinalize() {
  std::lock_guard<std::mutex> lock(registryLock);
  registries.reset();
}

void GifUnregisterExtension(const TGIFExtensionClass* eClass) {
  std::lock_guard<std::mutex> lock(registryLock);
  TGifRegistries& r = registriesLocked();
  std::erase_if(r.Extensions, [&](const TExtensionEntry& e) { return e.Class == eClass; });
  std::erase_if(r.AppExtensions, [&](const TAppExtensionEntry& e) { return e.Class == eClass; });
}

void TGIFExtension::RegisterExtension(uint8_t eLabel, const TGIFExtensionClass* eClass) {
  std::lock_guard<std::mutex> lock(registryLock);
  registriesLocked().Extensions.push_back({eClass, eLabel});
}

void TGIFApplicationExtension::RegisterExtension(const TGIFIdentifier& eIdent, const TGIFExtensionClass* eClass) {
  std::lock_guard<std::mutex> lock(registryLock);
  registriesLocked().AppExtensions.push_back({eClass, eIdent});
}

// ---------------------------------------------------------------------------
// TGIFExtension

const TGIFExtensionClass TGIFExtension::ClassType{"TGIFExtension", nullptr, nullptr,
                                                  &TGIFExtension::BaseFindSubExtension};

TGIFExtension::TGIFExtension(THtGIFFrame* AFrame) : THtGIFPart(AFrame->Image()), FFrame(AFrame) {
  FFrame->Extensions().Add(this);
}

TGIFExtension::~TGIFExtension() = default;  // the part leaves its list

void TGIFExtension::SaveToStream(TStream& Stream) {
  const uint8_t head[2] = {0x21, ExtensionType()};
  Stream.WriteBuffer(head, 2);
}

void TGIFExtension::LoadFromStream(TStream& Stream) {
  uint8_t head[2];
  gif::ReadCheck(Stream, head, 2);
  if (head[0] != 0x21) throw EHtGIFException(u"Bad extension introducer");
  if (head[1] != ExtensionType())
    throw EHtGIFException(u"Internal error: Extension Instance does not match Extension Label");
}

void TGIFExtension::Assign(TGIFExtension& Source) {
  if (&Source == this) return;
  TMemoryStream stream;
  Source.SaveToStream(stream);
  stream.SetPosition(0);
  LoadFromStream(stream);
}

const TGIFExtensionClass* TGIFExtension::FindExtension(TStream& Stream) {
  const int64_t pos = Stream.Position();
  uint8_t label;
  if (!gif::TryReadByte(Stream, label)) return nullptr;
  const TGIFExtensionClass* cls = findLabel(label);
  while (cls) {
    const TGIFExtensionClass* sub = cls->FindSubExtension(cls, Stream);
    if (sub == cls) break;
    cls = sub;
  }
  // An application block that no class claims (a block size other than 10
  // or 11, or a short identifier) is kept raw rather than given to the
  // abstract base.
  if (cls == &TGIFApplicationExtension::ClassType) cls = &TGIFUnknownAppExtension::ClassType;
  Stream.SetPosition(pos);
  return cls;
}

// ---------------------------------------------------------------------------
// Graphic control

const TGIFExtensionClass TGIFGraphicControlExtension::ClassType{
    "TGIFGraphicControlExtension", &TGIFExtension::ClassType,
    CreateInstance<TGIFGraphicControlExtension, TGIFExtension, THtGIFFrame*>, &TGIFExtension::BaseFindSubExtension};

TGIFGraphicControlExtension::TGIFGraphicControlExtension(THtGIFFrame* AFrame) : TGIFExtension(AFrame) {
  if (!FFrame->FGCE) FFrame->FGCE = this;
}

TGIFGraphicControlExtension::~TGIFGraphicControlExtension() {
  if (FFrame && FFrame->FGCE == this) FFrame->FGCE = nullptr;
}

void TGIFGraphicControlExtension::SaveToStream(TStream& Stream) {
  TGIFExtension::SaveToStream(Stream);
  // The block size is always written as 4, whatever was read.
  uint8_t rec[6] = {4, FGCExtension.PackedFields, 0, 0, FGCExtension.TransparentColorIndex, 0};
  gif::PutWord(rec + 2, FGCExtension.DelayTime);
  Stream.WriteBuffer(rec, 6);
}

void TGIFGraphicControlExtension::LoadFromStream(TStream& Stream) {
  TGIFExtension::LoadFromStream(Stream);
  uint8_t rec[6];
  const size_t got = Stream.Read(rec, 6);
  if (got > 0) FGCExtension.BlockSize = rec[0];
  if (got > 1) FGCExtension.PackedFields = rec[1];
  if (got > 3) FGCExtension.DelayTime = gif::GetWord(rec + 2);
  if (got > 4) FGCExtension.TransparentColorIndex = rec[4];
  if (got > 5) FGCExtension.Terminator = rec[5];
}

void TGIFGraphicControlExtension::SetTransparent(bool Value) {
  if (Value) {
    FGCExtension.PackedFields |= 1;
    SetTransparentColorIndex(FGCExtension.TransparentColorIndex);
  } else {
    FGCExtension.PackedFields &= ~1;
  }
}

void TGIFGraphicControlExtension::SetTransparentColorIndex(int32_t Value) {
  TGIFColorTable& table = FFrame->ActiveColorTable();
  const int32_t c = table.Count();
  if (Value >= c && c > 0) {
    if (Value == c && c < 256)
      table.Add(0);
    else
      Value = 0;
  }
  FGCExtension.TransparentColorIndex = uint8_t(Value);
}

uint32_t TGIFGraphicControlExtension::TransparentColor() const {
  return FFrame->ActiveColorTable().GetColor(FGCExtension.TransparentColorIndex);
}

void TGIFGraphicControlExtension::SetTransparentColor(uint32_t Value) {
  FGCExtension.TransparentColorIndex = uint8_t(FFrame->ActiveColorTable().AddUnique(Value));
}

void TGIFGraphicControlExtension::SetUserInput(bool Value) {
  if (Value)
    FGCExtension.PackedFields |= 2;
  else
    FGCExtension.PackedFields &= ~2;
}

void TGIFGraphicControlExtension::SetDisposal(int32_t Value) {
  FGCExtension.PackedFields = uint8_t((FGCExtension.PackedFields & ~0x1C) | ((Value * 4) & 0x1C));
}

// ---------------------------------------------------------------------------
// Plain text and comment

const TGIFExtensionClass TGIFTextExtension::ClassType{"TGIFTextExtension", &TGIFExtension::ClassType,
                                                      CreateInstance<TGIFTextExtension, TGIFExtension, THtGIFFrame*>,
                                                      &TGIFExtension::BaseFindSubExtension};

void TGIFTextExtension::SaveToStream(TStream& Stream) {
  TGIFExtension::SaveToStream(Stream);
  const TGIFPlainTextExtensionRec& r = FPlainTextExtension;
  uint8_t rec[13] = {12};  // the block size is always written as 12
  gif::PutWord(rec + 1, r.Left);
  gif::PutWord(rec + 3, r.Top);
  gif::PutWord(rec + 5, r.Width);
  gif::PutWord(rec + 7, r.Height);
  rec[9] = r.CellWidth;
  rec[10] = r.CellHeight;
  rec[11] = r.TextFGColorIndex;
  rec[12] = r.TextBGColorIndex;
  Stream.WriteBuffer(rec, 13);
  gif::WriteStrings(Stream, FText);
}

void TGIFTextExtension::LoadFromStream(TStream& Stream) {
  TGIFExtension::LoadFromStream(Stream);
  uint8_t rec[13];
  gif::ReadCheck(Stream, rec, 13);
  TGIFPlainTextExtensionRec& r = FPlainTextExtension;
  r.BlockSize = rec[0];
  r.Left = gif::GetWord(rec + 1);
  r.Top = gif::GetWord(rec + 3);
  r.Width = gif::GetWord(rec + 5);
  r.Height = gif::GetWord(rec + 7);
  r.CellWidth = rec[9];
  r.CellHeight = rec[10];
  r.TextFGColorIndex = rec[11];
  r.TextBGColorIndex = rec[12];
  gif::ReadStrings(Stream, FText);
}

uint32_t TGIFTextExtension::ForegroundColor() const {
  return FFrame->ColorTable().GetColor(FPlainTextExtension.TextFGColorIndex);
}

uint32_t TGIFTextExtension::BackgroundColor() const {
  return FFrame->ActiveColorTable().GetColor(FPlainTextExtension.TextBGColorIndex);
}

const TGIFExtensionClass TGIFCommentExtension::ClassType{
    "TGIFCommentExtension", &TGIFExtension::ClassType, CreateInstance<TGIFCommentExtension, TGIFExtension, THtGIFFrame*>,
    &TGIFExtension::BaseFindSubExtension};

void TGIFCommentExtension::SaveToStream(TStream& Stream) {
  TGIFExtension::SaveToStream(Stream);
  gif::WriteStrings(Stream, FText);
}

void TGIFCommentExtension::LoadFromStream(TStream& Stream) {
  TGIFExtension::LoadFromStream(Stream);
  gif::ReadStrings(Stream, FText);
}

// ---------------------------------------------------------------------------
// Application blocks

const TGIFExtensionClass TGIFApplicationExtension::ClassType{"TGIFApplicationExtension", &TGIFExtension::ClassType,
                                                             nullptr, &TGIFApplicationExtension::FindSubExtension};

namespace {
String identText(const uint8_t* p, size_t n) {
  String s;
  for (size_t i = 0; i < n; ++i) s += char16_t(p[i]);
  return s;
}
void setIdentText(uint8_t* p, size_t n, StringView v) {
  for (size_t i = 0; i < n; ++i) p[i] = i < v.size() ? uint8_t(v[i]) : 0x20;
}
}  // namespace

String TGIFApplicationExtension::Identifier() const { return identText(FIdent.data(), 8); }
void TGIFApplicationExtension::SetIdentifier(StringView Value) { setIdentText(FIdent.data(), 8, Value); }
String TGIFApplicationExtension::Authentication() const { return identText(FIdent.data() + 8, 3); }
void TGIFApplicationExtension::SetAuthentication(StringView Value) { setIdentText(FIdent.data() + 8, 3, Value); }

void TGIFApplicationExtension::SaveToStream(TStream& Stream) {
  TGIFExtension::SaveToStream(Stream);
  gif::WriteByte(Stream, 11);
  Stream.WriteBuffer(FIdent.data(), 11);
  SaveData(Stream);
}

void TGIFApplicationExtension::LoadFromStream(TStream& Stream) {
  TGIFExtension::LoadFromStream(Stream);
  const uint8_t size = gif::ReadByte(Stream);
  if (size < 10) throw EHtGIFException(u"Unsupported Application Extension block size");
  if (size == 10) {
    gif::ReadCheck(Stream, FIdent.data(), 10);
    FIdent[10] = 0;
  } else {
    gif::ReadCheck(Stream, FIdent.data(), 11);
    if (size > 11) Stream.Seek(size - 11, soCurrent);
  }
  LoadData(Stream);
}

const TGIFExtensionClass* TGIFApplicationExtension::FindSubExtension(const TGIFExtensionClass* Self,
                                                                     TStream& Stream) {
  const int64_t pos = Stream.Position();
  uint8_t size;
  if (!gif::TryReadByte(Stream, size)) return nullptr;
  if (size == 10) {
    uint8_t ident[10];
    if (Stream.Read(ident, 10) != 10) return nullptr;
    return &TGIFUnknownAppExtension::ClassType;
  }
  if (size == 11) {
    TGIFIdentifier ident;
    if (Stream.Read(ident.data(), 11) != 11) {
      Stream.SetPosition(pos);
      return Self;
    }
    const TGIFExtensionClass* cls = findIdent(ident);
    return cls ? cls : &TGIFUnknownAppExtension::ClassType;
  }
  Stream.SetPosition(pos);
  return Self;
}

void TGIFBlock::SaveToStream(TStream& Stream) const {
  gif::WriteByte(Stream, FSize);
  if (FSize) Stream.WriteBuffer(FData.data(), FSize);
}

void TGIFBlock::LoadFromStream(TStream& Stream) {
  if (FSize) gif::ReadCheck(Stream, FData.data(), FSize);
}

const TGIFExtensionClass TGIFUnknownAppExtension::ClassType{
    "TGIFUnknownAppExtension", &TGIFApplicationExtension::ClassType,
    CreateInstance<TGIFUnknownAppExtension, TGIFExtension, THtGIFFrame*>, &TGIFApplicationExtension::FindSubExtension};

void TGIFUnknownAppExtension::SaveData(TStream& Stream) {
  for (TGIFBlock* block : FBlocks) block->SaveToStream(Stream);
  gif::WriteByte(Stream, 0);
}

void TGIFUnknownAppExtension::LoadData(TStream& Stream) {
  FBlocks.Clear();
  uint8_t size;
  while (gif::TryReadByte(Stream, size) && size != 0) {
    auto block = std::make_unique<TGIFBlock>(size);
    block->LoadFromStream(Stream);
    FBlocks.Add(block.release());
  }
}

const TGIFExtensionClass TGIFAppExtNSLoop::ClassType{"TGIFAppExtNSLoop", &TGIFApplicationExtension::ClassType,
                                                     CreateInstance<TGIFAppExtNSLoop, TGIFExtension, THtGIFFrame*>,
                                                     &TGIFApplicationExtension::FindSubExtension};

TGIFAppExtNSLoop::TGIFAppExtNSLoop(THtGIFFrame* AFrame)
    : TGIFApplicationExtension(AFrame, GifIdentifier("NETSCAPE2.0")) {}

void TGIFAppExtNSLoop::LoadData(TStream& Stream) {
  uint8_t a = gif::ReadByte(Stream);
  while (a != 0) {
    const uint8_t b = gif::ReadByte(Stream);
    int32_t rest;
    if ((b & 7) == 1) {
      if (a < 3) throw EHtGIFException(u"Invalid GIF data");
      uint8_t v[2];
      gif::ReadCheck(Stream, v, 2);
      Loops = gif::GetWord(v);
      rest = a - 3;
    } else if ((b & 7) == 2) {
      if (a < 5) throw EHtGIFException(u"Invalid GIF data");
      uint8_t v[4];
      gif::ReadCheck(Stream, v, 4);
      BufferSize = uint32_t(v[0]) | uint32_t(v[1]) << 8 | uint32_t(v[2]) << 16 | uint32_t(v[3]) << 24;
      rest = a - 5;
    } else {
      rest = a - 1;
    }
    if (rest > 0) Stream.Seek(rest, soCurrent);
    a = gif::ReadByte(Stream);
  }
}

void TGIFAppExtNSLoop::SaveData(TStream& Stream) {
  uint8_t loops[4] = {3, 1, 0, 0};
  gif::PutWord(loops + 2, Loops);
  Stream.WriteBuffer(loops, 4);
  if (BufferSize != 0) {
    const uint8_t buf[6] = {5, 2, uint8_t(BufferSize), uint8_t(BufferSize >> 8), uint8_t(BufferSize >> 16),
                            uint8_t(BufferSize >> 24)};
    Stream.WriteBuffer(buf, 6);
  }
  gif::WriteByte(Stream, 0);
}

// ---------------------------------------------------------------------------
// Extension list

THtGifImage* TGIFExtensionList::GetImage() const { return FFrame->Image(); }

TGIFExtension* TGIFExtensionList::Extensions(int32_t Index) const {
  return static_cast<TGIFExtension*>(Items(Index));
}

void TGIFExtensionList::LoadFromStream(TStream& Stream) {
  uint8_t b;
  while (gif::TryReadByte(Stream, b)) {
    if (b != 0x21) {
      gif::StepBack(Stream);
      return;
    }
    const TGIFExtensionClass* cls = TGIFExtension::FindExtension(Stream);
    if (!cls) throw EHtGIFException(u"Unknown extension type");
    gif::StepBack(Stream);
    TGIFExtension* ext = cls->Create(FFrame).release();
    try {
      ext->LoadFromStream(Stream);
    } catch (...) {
      delete ext;
      throw;
    }
    Add(ext);
  }
}

void TGIFExtensionList::Assign(const TGIFExtensionList& Source) {
  if (&Source == this) return;
  TMemoryStream stream;
  const_cast<TGIFExtensionList&>(Source).SaveToStream(stream);
  stream.SetPosition(0);
  LoadFromStream(stream);
}

}  // namespace ht
