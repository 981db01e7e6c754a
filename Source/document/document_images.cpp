// The document's images: one object per URL in the image cache, found
// through the sources in priority order; SVG markup rendered into vector
// images through a private document; the cache's reset; the file routines;
// the change of canvas class.
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <filesystem>

#include "canvas/canvas.h"
#include "canvas/image.h"
#include "canvas/meta_canvas.h"
#include "document/computed_style.h"
#include "document/data_url.h"
#include "document/document.h"
#include "document/global.h"
#include "document/image_loader.h"
#include "markup/file_utils.h"
#include "markup/html_tokenizer.h"
#include "platform/rtl/code_pages.h"

namespace ht {

namespace {

bool startsWith(StringView s, StringView prefix) { return s.substr(0, prefix.size()) == prefix; }

bool namesSVG(StringView Url) { return AsciiLowerCase(Url).find(u".svg") != String::npos; }

// Sets the state of an image made on this thread: loaded (2), or failed (3)
// when nothing could read its bytes, so users show the missing-image box
// instead of waiting for it.
THtImage* settle(THtImage* Image) {
  Image->LoadState = Image->IsLoaded() ? 2 : 3;
  return Image;
}

// SVG renderings in progress on this thread, by URL, to refuse an image
// that (directly or not) contains itself.
thread_local std::vector<String> svgUrlsRendering;
thread_local int svgNesting = 0;

// Bytes into Image: SVG markup is rendered, anything else decoded.
void decodeInto(THtImage* Image, const THtBytes& Bytes, bool SVG, const String& Url) {
  if (SVG || THtImageLoader::IsSVGData(Bytes)) {
    svgUrlsRendering.push_back(Url);
    struct TPop {
      ~TPop() { svgUrlsRendering.pop_back(); }
    } pop;
    THtDocument::RenderSVGImage(Image, Bytes, String());
  } else {
    Image->LoadFromBytes(Bytes, false);
  }
}

}  // namespace

THtImage* THtDocument::GetImage(const String& Url, TElement* Element, bool SetURLOnly) {
  // The animation thread steps the cache's animated images under this lock.
  std::lock_guard<std::recursive_mutex> guard(FAnimationLock);
  if (!FImages) FImages = std::make_unique<THtImages>();
  const THtImageClass* imageClass = CanvasClass->ImageClass();
  auto cache = [&](const String& Key, std::unique_ptr<THtImage> Image) {
    THtImage* image = Image.release();
    FImages->AddObject(Key, image);
    return image;
  };

  // 1. Inline data, cached by a key of the whole payload.
  if (startsWith(Url, u"data:")) {
    TDataUrl data;
    if (!SplitDataUrl(Url, data)) {
      int32_t i;
      if (FImages->Find(Url, i)) return static_cast<THtImage*>(FImages->GetObject(i));
      FImages->AddObject(Url, nullptr);
      return nullptr;
    }
    const String key = DataUrlKey(data.Payload);
    int32_t i;
    if (FImages->Find(key, i)) return static_cast<THtImage*>(FImages->GetObject(i));
    THtBytes bytes;
    String text;
    DecodeDataUrl(data, bytes, text);
    std::unique_ptr<THtImage> image = text.empty() ? imageClass->CreateFromBytes(bytes) : imageClass->CreateFromString(text);
    if (image->Kind == hikSVG) RenderSVGImage(image.get(), bytes, text);
    settle(image.get());
    return cache(key, std::move(image));
  }

  // 2. Anything asked for before, found or not.
  {
    int32_t i;
    if (FImages->Find(Url, i)) return static_cast<THtImage*>(FImages->GetObject(i));
  }
  // An SVG image that contains itself gets nothing.
  if (std::find(svgUrlsRendering.begin(), svgUrlsRendering.end(), Url) != svgUrlsRendering.end()) return nullptr;

  // 3. A named source of the global object.
  if (HtGlobalExists() && GetHtGlobal().IsVirtualImage(Url)) {
    THtBytes bytes;
    if (GetHtGlobal().GetImage(this, Url, bytes) && !bytes.empty()) {
      std::unique_ptr<THtImage> image = imageClass->CreateFromBytes(bytes);
      if (image->Kind == hikSVG) decodeInto(image.get(), bytes, true, Url);
      settle(image.get());
      return cache(Url, std::move(image));
    }
  }

  // 4. Background loading: an empty image at once, filled by the loader.
  if (BackgroundImageLoading && HtGlobalExists()) {
    std::unique_ptr<THtImage> image = imageClass->Create();
    image->Url = Url;
    THtImage* result = cache(Url, std::move(image));
    GetHtGlobal().LoadImage(this, Url, result, false);
    return result;
  }

  // 5. A ready object from the host.
  if (OnGetImageObject) {
    if (THtImage* image = OnGetImageObject(this, Url, Element)) {
      image->LoadState = 2;
      FImages->AddObject(Url, image);
      return image;
    }
  }

  // 6. The user fetches the image itself later.
  if (SetURLOnly) {
    std::unique_ptr<THtImage> image = imageClass->Create();
    image->Url = Url;
    return cache(Url, std::move(image));
  }

  // 7. The host's bytes.
  if (OnGetImage) {
    const THtBytes bytes = OnGetImage(this, Url, Element);
    if (!bytes.empty()) {
      std::unique_ptr<THtImage> image = imageClass->Create();
      decodeInto(image.get(), bytes, namesSVG(Url), Url);
      settle(image.get());
      return cache(Url, std::move(image));
    }
  }

  // 8. Local files.
  if (!OnGetImage && !OnGetUrl) {
    try {
      String path = Url;
      if (startsWith(path, u"file://")) path = path.substr(7);
      if (!path.empty() && path.find(u':') == String::npos && path.front() != u'/')
        path = (CurrentFile.empty() ? ExecutableFolder() : FolderOf(CurrentFile)) + path;
      std::error_code ec;
      if (!path.empty() && std::filesystem::is_regular_file(std::filesystem::path(StringToUtf8(path)), ec)) {
        const THtBytes bytes = ImageFiletoBytes(path);
        if (!bytes.empty()) {
          std::unique_ptr<THtImage> image = imageClass->Create();
          decodeInto(image.get(), bytes, namesSVG(Url), Url);
          settle(image.get());
          return cache(Url, std::move(image));
        }
      }
    } catch (...) {
      // An unreadable file is one source less.
    }
  }

  // 9. Resource text.
  const String text = GetURL(Url, Element);
  if (text.empty()) {
    FImages->AddObject(Url, nullptr);
    return nullptr;
  }
  std::unique_ptr<THtImage> image = imageClass->Create();
  if (namesSVG(Url)) {
    svgUrlsRendering.push_back(Url);
    struct TPop {
      ~TPop() { svgUrlsRendering.pop_back(); }
    } pop;
    RenderSVGImage(image.get(), THtBytes(), text);
  } else {
    image->LoadFromString(text);
  }
  settle(image.get());
  return cache(Url, std::move(image));
}

void THtDocument::RenderSVGImage(THtImage* Image, const THtBytes& Bytes, const String& Text) {
  if (!Image || svgNesting >= MaxDocumentNesting) return;
  ++svgNesting;
  struct TLeave {
    ~TLeave() { --svgNesting; }
  } leave;
  // Fonts of its own: the loader's thread renders while the main thread
  // measures with the shared collection.
  THtDocument doc(&THtMetaCanvas::ClassType, true);
  doc.Parse(Text.empty() ? AnsiToString(std::string_view(reinterpret_cast<const char*>(Bytes.data()), Bytes.size()))
                         : Text);
  doc.DoubleBuffered = false;
  doc.CalcSize(TRect{0, 0, 300, 150});
  const int w = int(std::lround(doc.ContentWidth)), h = int(std::lround(doc.ContentHeight));
  const TRect viewPort{0, 0, w == 0 ? 1000 : w, h == 0 ? 1000 : h};
  Image->IsVector = true;
  doc.DefaultBackgroundColor = 0;
  doc.Draw(Image, viewPort, viewPort, 0, 0, 0);
  std::unique_ptr<THtMetaList> list;
  if (auto* meta = dynamic_cast<THtMetaCanvas*>(doc.Surface.get())) list = meta->DetachList();
  if (!list) list = std::make_unique<THtMetaList>(true);
  list->Unify();
  if (Image->MetaList && !Image->ListShared && THtImage::MetaListDeleter) THtImage::MetaListDeleter(Image->MetaList);
  Image->MetaList = list.release();
  Image->ListShared = false;
  Image->Width = w;
  Image->Height = h;
  Image->Loaded = true;
}

void THtDocument::ClearSharedImages() {
  // A load in work writes into a cached image: it must end first.
  if (HtGlobalExists()) GetHtGlobal().UnsubscribeLoads(this);
  auto release = [](TStyledHTMLNode* N) {
    if (!N) return;
    if (TElementStyle* st = ElementStyleOf(N); st && st->FBackground) {
      st->FBackground->LoadedImage = nullptr;
      st->FBackground->PreviousImage = nullptr;
    }
    if (TElement* e = AsElement(N)) e->ReleaseImage();
  };
  for (THtNode* n = this; n; n = n->NextNode()) {
    auto* s = dynamic_cast<TStyledHTMLNode*>(n);
    if (!s) continue;
    release(s);
    release(s->Before);
    release(s->After);
  }
  std::lock_guard<std::recursive_mutex> guard(FAnimationLock);
  if (FImages) FImages = std::make_unique<THtImages>();
}

void THtDocument::ResetImageCache() {
  if (FImages) ClearSharedImages();
}

bool THtDocument::AllImagesLoaded() {
  if (!FImages || !ImageLoaderExists()) return true;
  for (int32_t i = 0; i < FImages->Count(); ++i)
    if (auto* image = static_cast<THtImage*>(FImages->GetObject(i)); image && image->LoadState == 1) return false;
  return true;
}

THtBytes THtDocument::ImageFiletoBytes(const String& FileName) {
  if (IsBlankString(FileName)) return THtBytes();
  try {
    const std::string raw = LoadFileToRawString(FileName);
    return THtBytes(raw.begin(), raw.end());
  } catch (...) {
    return THtBytes();
  }
}

String THtDocument::ImageFiletoString(const String& FileName) {
  if (FileName.empty()) return String();
  try {
    return AnsiToString(LoadFileToRawString(FileName));
  } catch (...) {
    return String();
  }
}

THtBytes THtDocument::ImageListItemtoBytes(THtObject* ImageList, int Index) {
  return CanvasClass->ImageListItemtoBytes(ImageList, Index);
}

void THtDocument::SetCanvasClass(const THtCanvasClass* Value) {
  Value = CanvasClassOrDefault(Value);
  if (Value == CanvasClass) return;
  if (BackgroundImageLoading && !AllImagesLoaded())
    throw EHtmlParserException(u"Cannot change canvas class while loading images");
  // A recording canvas and the class it measures with draw the same
  // objects: fonts and images stay.
  auto records = [](const THtCanvasClass* A, const THtCanvasClass* B) {
    auto* meta = dynamic_cast<const THtMetaCanvasClass*>(A);
    return meta && meta->RefCanvas() == B;
  };
  const bool realChange = !(CanvasClass && (records(Value, CanvasClass) || records(CanvasClass, Value)));
  std::unique_ptr<THtCanvas> surface = Value->Create();
  if (!surface)
    throw Exception(u"Cannot create a canvas of the abstract class %s", AsciiToString(Value->ClassName()));
  if (Surface) surface->SetScaleFactor(Surface->ScaleFactor());
  surface->SetDPI(DPI());
  if (realChange) ClearSharedImages();
  CanvasClass = Value;
  Surface = std::move(surface);
  if (realChange) {
    // A document drawn on another thread keeps fonts of its own.
    if (FOwnedFontCollection) {
      FOwnedFontCollection = std::shared_ptr<THtFontCollection>(Value->CreateFontCollection());
      FFontCollection = FOwnedFontCollection.get();
    } else {
      FFontCollection = Value->SharedFontCollection();
    }
    DoubleBuffered = Value->GetFlags().Contains(hcfNeedBuffer);
    std::lock_guard<std::recursive_mutex> guard(FAnimationLock);
    FImages = std::make_unique<THtImages>();
    ClearJointMatrix();
  }
  Surface->SetFontCollection(FFontCollection);
}

int THtDocument::NestingLevel() const {
  int level = 0;
  for (const THtDocument* d = ParentDocument; d && level <= MaxDocumentNesting; d = d->ParentDocument) ++level;
  return level;
}

bool THtDocument::LoadedFromAncestor(const String& Url) const {
  int level = 0;
  for (const THtDocument* d = this; d && level <= MaxDocumentNesting; d = d->ParentDocument, ++level)
    if (!d->CurrentFile.empty() && d->CurrentFile == Url) return true;
  return false;
}

}  // namespace ht
