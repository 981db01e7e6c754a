#include "layout/image_element.h"

#include <algorithm>
#include <cmath>

#include "canvas/canvas.h"
#include "canvas/image.h"
#include "canvas/exporters.h"
#include "canvas/meta_canvas.h"
#include "canvas/pixel_buffer.h"
#include "css/styled_element_link.h"
#include "document/document.h"
#include "document/paint_services.h"
#include "layout/flow.h"
#include "layout/layout_style.h"
#include "layout/line_blocks.h"
#include "markup/base64.h"
#include "markup/url_utils.h"
#include "platform/rtl/format.h"

namespace ht {

const THtNodeClass TImageElement::ClassType{"TImageElement", &TElement::ClassType,
                                            CreateInstance<TImageElement, THtNode>};
const THtNodeClass TIFrameElement::ClassType{"TIFrameElement", &TImageElement::ClassType,
                                             CreateInstance<TIFrameElement, THtNode>};

namespace {

bool startsWith(StringView s, StringView prefix) { return s.substr(0, prefix.size()) == prefix; }

// A size in CSS that a percentage or auto leaves to the layout.
bool relativeSize(const TStyledHTMLNode* N, bool Height) {
  float px = 0;
  bool percent = false;
  const bool set = Height ? SetHeightOf(N, px, &percent) : SetWidthOf(N, px, &percent);
  return !set || percent;
}

float shrinkOf(const TElement* E) {
  return E->Document && E->Document->FShrinkFactor > 0 ? E->Document->FShrinkFactor : 1.0f;
}

}  // namespace

// --- TImageElement ---------------------------------------------------------------------------

void TImageElement::SetUrl(StringView Value) {
  FUrl = String(Value);
  SetAttr(u"src", Value);
}

THtObject* TImageElement::InternalObject() const { return HI; }

void TImageElement::ClearJointMatrix() {
  TElement::ClearJointMatrix();
  HI = nullptr;
}

bool TImageElement::imageSettled() const {
  if (!HI) return false;
  const uint8_t state = HI->LoadState;
  return state != 1 && HI->IsLoaded();
}

bool TImageElement::Loaded() { return imageSettled(); }

bool TImageElement::Embedded() const { return !InlinePrefix.empty() || startsWith(TrimLeftBlanks(FUrl), u"data:"); }

void TImageElement::LoadUrl() {
  // Into the buffer a failed look-up below left: layout asks on every pass.
  if (FUrl.empty() && !Content().empty()) FUrl.assign(TrimLeftBlanks(Content()));
  if (FUrl.empty() || !Document) return;
  const bool urlOnly = Document->CanvasClass && Document->CanvasClass->GetFlags().Contains(hcfSupportsImageRef);
  HI = Document->GetImage(FUrl, this, urlOnly);
  if (!HI) {
    FUrl.clear();
  } else if (Embedded()) {
    // The cache keeps the bytes; the attribute would keep them twice.
    const size_t comma = FUrl.find(u',');
    InlinePrefix = FUrl.substr(0, comma == String::npos ? FUrl.size() : comma + 1);
    if (Attributes()) Attributes()->ClearAttr(u"src");
  }
}

void TImageElement::ParseAttribute(StringView Param, StringView Value) {
  const String old = FUrl;
  if (Param == u"src" || Param == u"xlink:href") {
    const StringView url = TrimLeftBlanks(Value);
    // Decoded once, here; a "+" is a plus.
    FUrl = startsWith(url, u"data:") ? String(url) : PercentDecode(url);
    if (Param == u"src" && FUrl.size() < 1000) SetContent(FUrl);
  } else if (Param == u"hspace") {
    AddVirtualCSS(u"margin-left: " + String(Value) + u"px;");
    AddVirtualCSS(u"margin-right: " + String(Value) + u"px;");
  } else if (Param == u"vspace") {
    AddVirtualCSS(u"margin-top: " + String(Value) + u"px;");
    AddVirtualCSS(u"margin-bottom: " + String(Value) + u"px;");
  }
  if (FUrl != old && HI) {
    HI = nullptr;
    InlinePrefix.clear();
    if (Document) Document->NeedRecalc = true;
  }
  TElement::ParseAttribute(Param, Value);
}

bool TImageElement::CalcStyle(TCSSStyleSheet* Styles) {
  const bool result = TElement::CalcStyle(Styles);
  if (auto* facts = ElementStyleFactsOf(Style()); facts && facts->Style().Display() == dsInline)
    facts->Style().SetDisplay(dsInlineBlock);
  return result;
}

bool TImageElement::GetIntrinsicSize(float& W, float& H, bool& KeepAspect) {
  if (DisplayOf(this) == dsNone || !Document) return false;
  if (!HI) {
    if (!Document->LazyImageLoading) LoadUrl();
    else if (Document->Paged && relativeSize(this, false) && relativeSize(this, true)) LoadUrl();
  }
  if (imageSettled()) {
    W = HI->Width;
    H = HI->Height;
    KeepAspect = true;
    return true;
  }
  float px = 0;
  if (SetWidthOf(this, px)) return false;
  if (HI && HI->LoadState != 3) return false;  // still to come
  W = H = 16;
  ContentWidth = ContentHeight = 16;
  return true;
}

void TImageElement::CalcContentSize() {
  float wc = 0, hc = 0;
  const bool wSet = SetWidthOf(this, wc), hSet = SetHeightOf(this, hc);
  const bool loaded = imageSettled();
  const bool sized = loaded || (wSet && hSet);
  float ratio = 1;
  if (loaded) {
    const float k = ZoomOf(this) * shrinkOf(this);
    ContentWidth = float(HI->Width) * k;
    ContentHeight = float(HI->Height) * k;
    if (HI->Height > 0.01f) ratio = float(HI->Width) / float(HI->Height);
  }
  if (wSet) {
    ContentWidth = wc;
    if (!hSet && loaded) ContentHeight = ContentWidth / ratio;
  }
  if (hSet) {
    ContentHeight = std::round(hc);
    if (!wSet && loaded) ContentWidth = ContentHeight * ratio;
  }
  float limit = 0;
  if (sized && SetMaxHeightOf(this, limit)) {
    ContentHeight = std::min(ContentHeight, std::round(limit));
    if (!wSet) ContentWidth = ContentHeight * ratio;
  }
  if (sized && SetMaxWidthOf(this, limit)) {
    ContentWidth = std::min(ContentWidth, std::round(limit));
    if (ratio != 0 && !hSet) ContentHeight = ContentWidth / ratio;
  }
  if (ContentWidth == 0 && (!HI || HI->LoadState == 3)) ContentWidth = ContentHeight = 16;
}

void TImageElement::CalcBoxes(TFlow* Flow) {
  if (HasFlag(efDestroying)) return;
  CalcSizeFlags(true);
  ContentWidth = ContentHeight = 0;
  if (DisplayOf(this) == dsNone) return;
  const float minW = MinWidth(), maxW = MaxWidth(), minH = MinHeight(), maxH = MaxHeight();
  auto clampW = [&](float w) { return std::max(std::min(w, maxW), minW); };
  auto clampH = [&](float h) { return std::max(std::min(h, maxH), minH); };

  float iw = 0, ih = 0;
  bool keep = false;
  float ratio = 1;
  if (GetIntrinsicSize(iw, ih, keep)) {
    const float k = ZoomOf(this) * shrinkOf(this);
    if (ih > 0.01f) ratio = float(iw) / float(ih);
    // A limit on one side scales the other with it, as the sizing pass does.
    InnerWidth = float(iw) * k;
    InnerHeight = float(ih) * k;
    if (InnerWidth > maxW) {
      InnerWidth = maxW;
      if (keep && ratio != 0) InnerHeight = InnerWidth / ratio;
    }
    if (InnerHeight > maxH) {
      InnerHeight = maxH;
      if (keep) InnerWidth = InnerHeight * ratio;
    }
    InnerWidth = std::max(InnerWidth, minW);
    InnerHeight = std::max(InnerHeight, minH);
  } else {
    InnerWidth = InnerHeight = 0;
  }
  float wc = 0, hc = 0;
  const bool wSet = SetWidthOf(this, wc), hSet = SetHeightOf(this, hc);
  const bool borderBox = BoxSizingOf(this) == bsBorderbox;
  if (wSet && hSet) {
    if (borderBox) wc -= InnerDeltaX(), hc -= InnerDeltaY();
    if (SizeFlags & sfWidthDefinite) InnerWidth = clampW(wc);
    if (SizeFlags & sfHeightDefinite) InnerHeight = clampH(hc);
  } else if (wSet) {
    if (SizeFlags & sfWidthDefinite) {
      InnerWidth = clampW(std::round(wc));
      if (keep && ratio != 0) InnerHeight = clampH(InnerWidth / ratio);
    }
  } else if (hSet) {
    if (SizeFlags & sfHeightDefinite) {
      InnerHeight = clampH(std::round(hc));
      if (keep) InnerWidth = InnerHeight * ratio;
    }
  }
  InnerWidth = std::max(0.0f, std::isfinite(InnerWidth) ? InnerWidth : 0.0f);
  InnerHeight = std::max(0.0f, std::isfinite(InnerHeight) ? InnerHeight : 0.0f);
  ContentWidth = InnerWidth;
  ContentHeight = InnerHeight;
  OuterRect.Right = OuterRect.Left + InnerWidth + InnerDeltaX() + OuterDeltaX();
  OuterRect.Bottom = OuterRect.Top + InnerHeight + InnerDeltaY() + OuterDeltaY();

  THtLineBlock* run = LineBlocks.Count() > 0 ? LineBlocks.Get(0) : LineBlocks.CreateBlock(this);
  run->E = this;
  run->Flags = {};
  run->Line = 0;
  run->Start = 1;
  run->Count = 1;
  run->LogicalWidth = CalcWidth();
  run->LogicalHeight = CalcHeight();
  run->Ascent = run->LogicalHeight;
  TTextValues v;
  TextValuesOf(this, v);
  run->VAlign = v.VAlign;
  if (Flow) Flow->AddBlock(run);
  if (auto* a = AsElement(After)) a->CalcBoxes(Flow);
}

void TImageElement::ApplyUserSize() {
  THtDocument* doc = Document;
  if (!doc) return;
  if (!doc->FCropImage) {
    float px = 0;
    int w = doc->FUserWidth, h = doc->FUserHeight;
    if (w <= 0) w = !SetWidthOf(this, px) && ContentWidth != 0 ? int(std::lround(ContentWidth)) : 0;
    if (h <= 0) h = !SetHeightOf(this, px) && ContentHeight != 0 ? int(std::lround(ContentHeight)) : 0;
    if (w > 0) {
      AddCSS(Format(u"width:%dpx;", w), true, 0);
      SetAttr(u"width", Format(u"%d", w));
    }
    if (h > 0) {
      AddCSS(Format(u"height:%dpx;", h), true, 0);
      SetAttr(u"height", Format(u"%d", h));
    }
    doc->FUserWidth = doc->FUserHeight = 0;
    NotifyParent(this, 1, 0);
    return;
  }
  cropToUserSize();
  doc->FUserWidth = doc->FUserHeight = 0;
}

void TImageElement::cropToUserSize() {
  THtDocument* doc = Document;
  // The rectangle the gesture showed: the box's corner dragged to the
  // user's size.
  const TRectF O = OuterRect;
  const float ow = O.Right - O.Left, oh = O.Bottom - O.Top;
  const TRectF R{O.Left, O.Top, std::min(O.Right, O.Left + float(doc->FUserWidth)),
                 std::min(O.Bottom, O.Top + float(doc->FUserHeight))};
  if (!imageSettled() || ow <= 0 || oh <= 0 || R.Right <= R.Left || R.Bottom <= R.Top) return;
  if (std::fabs((R.Right - R.Left) - ow) <= 1 && std::fabs((R.Bottom - R.Top) - oh) <= 1) return;
  // Decoding and encoding need a registered converter; without one (the
  // program brings none) nothing is cropped.
  const std::shared_ptr<IHtImageConverter> converter = THtDocumentConverter::ImageConverter();
  if (!converter) return;
  const THtBytes bytes = HI->AsBytes();
  std::unique_ptr<THtBitmapData> data;
  if (HI->Kind == hikJPEG) data = converter->JPEGtoBitmapData(bytes);
  else if (HI->Kind == hikPNG) data = converter->PNGtoBitmapData(bytes);
  else if (HI->Kind == hikGIF) data = converter->GIFtoBitmapData(bytes);
  if (!data) return;
  const float w = float(HI->Width), h = float(HI->Height);
  auto at = [](float v, int limit) { return std::clamp(int(std::lround(v)), 0, limit); };
  const TRect crop(at((R.Left - O.Left) * w / ow, data->Width()), at((R.Top - O.Top) * h / oh, data->Height()),
                   at((R.Right - O.Left) * w / ow, data->Width()), at((R.Bottom - O.Top) * h / oh, data->Height()));
  if (crop.Right <= crop.Left || crop.Bottom <= crop.Top || data->PixelBits() < 8) return;
  data->Crop(crop);
  const THtBytes png = converter->BitmapDatatoPNG(*data);
  if (png.empty()) return;
  InlinePrefix = u"data:image/png;base64,";
  HI = doc->GetImage(InlinePrefix + FastEncodeBase64(png), this, false);
  doc->NeedRecalc = true;
}

void THtDocument::EmbedAllImages() {
  for (THtNode* n = NextNode(); n; n = n->NextNode()) {
    auto* img = dynamic_cast<TImageElement*>(n);
    if (!img || dynamic_cast<TIFrameElement*>(n) || !img->InlinePrefix.empty() || !img->Loaded()) continue;
    const uint8_t kind = img->HI->Kind;
    const char16_t* name = kind == hikJPEG ? u"jpeg" : kind == hikPNG ? u"png" : kind == hikGIF ? u"gif"
                           : kind == hikSVG ? u"svg" : u"bitmap";
    img->InlinePrefix = u"data:image/" + String(name) + u";base64,";
    img->SetAttr(u"src", img->InlinePrefix + EncodeBase64Bytes(img->HI->AsBytes()));
  }
}

void TImageElement::BeginWriteTag() {
  if (InlinePrefix.empty() || !HI || !HI->GetSourceStream() || !GetAttribute(u"src").empty()) return;
  SetAttr(u"src", InlinePrefix + EncodeBase64Bytes(HI->AsBytes()));
  FWritingSrc = true;
}

void TImageElement::EndWriteTag() {
  if (!FWritingSrc) return;
  FWritingSrc = false;
  if (Attributes()) Attributes()->ClearAttr(u"src");
}

// --- TIFrameElement --------------------------------------------------------------------------

TIFrameElement::~TIFrameElement() = default;

void TIFrameElement::LoadUrl() {
  if (FUrl.empty() || !Document || Document->EditorMode) return;
  // Layout asks again on every pass: the frame keeps the document it shows.
  if (FDocument && FLoadedUrl == FUrl) return;
  // A frame that (directly or not) shows its own document would nest
  // without end.
  const String url = CombineURL(Document->CurrentFile, FUrl);
  if (Document->NestingLevel() + 1 >= THtDocument::MaxDocumentNesting || Document->LoadedFromAncestor(url) ||
      Document->LoadedFromAncestor(FUrl))
    return;
  const String text = Document->GetURL(FUrl, nullptr);
  if (text.empty()) return;
  FDocument.reset();
  const THtCanvasClass* cls = Document->CanvasClass;
  if (auto* meta = dynamic_cast<const THtMetaCanvasClass*>(cls)) cls = meta->RefCanvas();
  auto doc = std::make_unique<THtDocument>(cls, false);
  doc->OnGetImage = Document->OnGetImage;
  doc->OnGetUrl = Document->OnGetUrl;
  doc->OnRepaint = Document->OnRepaint;
  doc->CurrentFile = url;
  doc->ParentDocument = Document;
  if (Document->Surface && doc->Surface) doc->Surface->SetScaleFactor(Document->Surface->ScaleFactor());
  doc->Parse(text);
  FDocument = std::move(doc);
  FLoadedUrl = FUrl;
}

void TIFrameElement::CalcContentSize() {
  float px = 0;
  ContentWidth = SetWidthOf(this, px) ? px : 0;
  ContentHeight = SetHeightOf(this, px) ? px : 0;
}

}  // namespace ht

namespace ht {

void TImageElement::DrawInline(TFlow* Flow, const THtDrawInfo& DI) {
  HtPaintServices().ImageDrawInline(*this, Flow, DI);
}
void TImageElement::DrawBlock(TFlow* Flow, const THtDrawInfo& DI) {
  HtPaintServices().ImageDrawBlock(*this, Flow, DI);
}
void TImageElement::DrawBorder(const THtDrawInfo& DI) { HtPaintServices().ImageDrawBorder(*this, DI); }
void TImageElement::DrawInnerElements(TFlow* Flow, const THtDrawInfo& DI) {
  HtPaintServices().ImageDrawInnerElements(*this, Flow, DI);
}

}  // namespace ht
