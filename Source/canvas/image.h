#pragma once
// Images as the canvas sees them: the kind sniffed from the first bytes, the
// load state and, for vector images, a recorded picture. Back ends derive
// their image class, call the base LoadFromBytes first (which sets Kind) and
// then decode.
#include <atomic>
#include <memory>

#include "canvas/canvas_types.h"
#include "markup/object_list.h"
#include "platform/rtl/class_ref.h"
#include "platform/rtl/object.h"
#include "platform/rtl/stream.h"
#include "platform/rtl/string.h"

namespace ht {

// An image as style code keeps it, without knowing the drawing surface.
class TBaseHtImage : public THtObject {
 public:
  int Width = 0;   // pixels
  int Height = 0;  // pixels
};

// The recorded picture of a vector image (defined with the recording canvas).
class THtMetaList;

// Image kinds (one byte).
enum : uint8_t {
  hikUnknown = 0,
  hikMetafile = 1,
  hikBMP = 2,
  hikJPEG = 3,
  hikPNG = 4,
  hikGIF = 5,
  hikSVG = 6,
  hikIcon = 7,
  hikTIFF = 8,
};

// Class reference of the images; the constructors that load bytes call the
// virtual loaders after construction.
class THtImageClass : public TClassRef<THtImage> {
 public:
  using TClassRef::TClassRef;
  // LoadFromString / LoadFromBytes(ABytes, false) when the argument is not
  // empty.
  std::unique_ptr<THtImage> CreateFromString(StringView s) const;
  std::unique_ptr<THtImage> CreateFromBytes(const THtBytes& ABytes) const;
};

class THtImage : public TBaseHtImage {
 public:
  static const THtImageClass ClassType;
  virtual const THtImageClass* ClassRefOf() const { return &ClassType; }

  THtImage() = default;
  ~THtImage() override;  // frees MetaList unless ListShared
  THtImage(const THtImage&) = delete;
  THtImage& operator=(const THtImage&) = delete;

  // The stream holding the encoded bytes; nullptr in the base.
  virtual TStream* GetSourceStream() { return nullptr; }
  virtual bool IsLoaded() const { return Loaded; }
  // Image data embedded as text: s in the ANSI code page, one byte per unit.
  virtual void LoadFromString(StringView s);
  // The base only sniffs the kind.
  virtual void LoadFromBytes(const THtBytes& ABytes, bool InLoader);
  virtual bool NextFrame(int ElapsedMs);
  virtual void SelectFrame() {}

  // The encoded bytes: empty without a source stream, else the whole stream.
  THtBytes AsBytes();
  // Sets Kind by the first signature that matches; needs at least 6 bytes,
  // otherwise (or when nothing matches) Kind keeps its value.
  void DetectKind(const THtBytes& ABytes);
  static bool IsJPEG(const THtBytes& ABytes);
  static bool IsPNG(const THtBytes& ABytes);
  static bool IsGIF(const THtBytes& ABytes);
  static bool IsBMP(const THtBytes& ABytes);
  static bool IsSVG(const THtBytes& ABytes);

  // The load state and the loaded flag are written by the image loader's
  // thread; it fills every other field before it publishes the state.
  std::atomic<bool> Loaded{false};
  bool Shared = false;      // the named image list does not free it
  bool IsVector = false;    // played from MetaList
  bool ListShared = false;  // MetaList belongs to someone else
  THtMetaList* MetaList = nullptr;
  bool Animated = false;
  int FrameTime = 0;       // total of all frames, ms
  std::atomic<uint8_t> LoadState{0};  // 0 not requested, 1 queued, 2 loaded, 3 failed
  uint8_t Kind = hikUnknown;
  String Url;

  // How an image frees a MetaList it owns: THtMetaList is complete only
  // where the recording canvas lives, which installs this at start-up.
  static inline void (*MetaListDeleter)(THtMetaList*) = nullptr;
};

// The named image list of a document: URL to image, sorted, looked up
// ignoring ASCII case. Frees every stored image whose Shared flag is clear.
class THtImages : public TFastStringList {
 public:
  THtImages();
  ~THtImages() override;
  THtImage* FindImage(StringView Url) const;
};

}  // namespace ht
