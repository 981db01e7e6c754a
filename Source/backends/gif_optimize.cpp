// Making an animation smaller before it is written: colour tables sorted by
// use, settings that have no effect removed, pixels repeating the previous
// frame made transparent, transparent borders cropped and empty frames
// dropped. Each step leaves every composited picture as it was.
#include <algorithm>

#include "backends/gif_image.h"

namespace ht {

namespace {

int32_t disposalOf(const THtGIFFrame& frame) {
  return frame.GraphicControlExtension() ? frame.GraphicControlExtension()->Disposal() : 0;
}

// The delay as stored: 0 without a control block (Delay answers 10 then).
uint16_t rawDelay(const THtGIFFrame& frame) {
  return frame.GraphicControlExtension() ? frame.GraphicControlExtension()->Delay() : 0;
}

TRect intersection(const TRect& a, const TRect& b) {
  return TRect{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
               std::min(a.Bottom, b.Bottom)};
}

bool isEmptyRect(const TRect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }

bool sameRect(const TRect& a, const TRect& b) {
  return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
}

void setTransparentFlag(TGIFGraphicControlExtension& gce) { gce.SetPackedFields(uint8_t(gce.PackedFields() | 1)); }

}  // namespace

void THtGIFFrame::MakeTransparent(int32_t ColorIndex) {
  if (!FGCE) new TGIFGraphicControlExtension(this);  // owned by the extension list
  setTransparentFlag(*FGCE);
  FGCE->SetTransparentColorIndex(ColorIndex);
  FBitmap.reset();
}

void THtGIFFrame::Crop() {
  if (FData.empty() || !Transparent()) return;
  const uint8_t t = FGCE->TransparentColorIndex();
  const int32_t w = Width(), h = Height();
  int32_t left = w, right = -1, top = h, bottom = -1;
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* row = FData.data() + size_t(y) * w;
    for (int32_t x = 0; x < w; ++x) {
      if (row[x] == t) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = y;
    }
  }
  if (right < 0) {
    const int32_t frames = FImage ? FImage->Frames().Count() : 1;
    if ((frames > 1 && rawDelay(*this) != 0) || frames == 1) {
      FImageDescriptor.Left = FImageDescriptor.Top = 0;
      FImageDescriptor.Width = FImageDescriptor.Height = 1;
      FData.assign(1, t);
      FBitmap.reset();
    } else {
      Clear();
    }
    return;
  }
  const int32_t nw = right - left + 1, nh = bottom - top + 1;
  if (nw == w && nh == h) return;
  std::vector<uint8_t> cropped(size_t(nw) * nh);
  for (int32_t y = 0; y < nh; ++y)
    std::copy_n(FData.data() + size_t(top + y) * w + left, nw, cropped.data() + size_t(y) * nw);
  FData = std::move(cropped);
  // Stored directly: cropping never changes the logical screen.
  FImageDescriptor.Left = uint16_t(Left() + left);
  FImageDescriptor.Top = uint16_t(Top() + top);
  FImageDescriptor.Width = uint16_t(nw);
  FImageDescriptor.Height = uint16_t(nh);
  FBitmap.reset();
}

void THtGIFFrame::Merge(THtGIFFrame* Previous) {
  if (!Previous || Previous == this || Empty() || Previous->Empty()) return;
  const int32_t prevDisposal = disposalOf(*Previous);
  if (prevDisposal == fdmBackground || prevDisposal == fdmPreviousFrame) return;
  const TRect area = intersection(BoundsRect(), Previous->BoundsRect());
  if (isEmptyRect(area)) return;

  const bool wasTransparent = Transparent();
  int32_t t = wasTransparent ? FGCE->TransparentColorIndex() : -1;  // -1: not made yet
  if (!wasTransparent) {
    const int32_t local = FColorTable->Count();
    const int32_t global = FImage ? FImage->GlobalColorTable().Count() : 0;
    const bool room = local > 0 ? local < 256 : global > 0 && global < 256;
    if (!room) return;
  }
  const int32_t prevT = Previous->Transparent() ? Previous->GraphicControlExtension()->TransparentColorIndex() : -1;
  TGIFColorTable& table = ActiveColorTable();
  TGIFColorTable& prevTable = Previous->ActiveColorTable();
  const bool sameTable = &table == &prevTable;

  auto makeIndex = [&]() {
    if (FColorTable->Count() == 0 && FImage) {
      // Another frame's index on the shared table serves only when none of
      // this frame's own pixels holds it as a colour.
      bool used[256] = {};
      for (uint8_t v : FData) used[v] = true;
      TGIFImageList& frames = FImage->Frames();
      for (int32_t i = 0; i < frames.Count(); ++i) {
        THtGIFFrame* other = frames.Frames(i);
        if (other == this || !other->Transparent() || other->ColorTable().Count() > 0) continue;
        const uint8_t index = other->GraphicControlExtension()->TransparentColorIndex();
        if (!used[index]) return int32_t(index);
      }
    }
    if (FColorTable->Count() > 0) return FColorTable->Add(0);
    return FImage->GlobalColorTable().Add(0);
  };

  const int32_t w = Width(), pw = Previous->Width();
  std::vector<uint8_t>& prevData = Previous->Data();
  for (int32_t y = area.Top; y < area.Bottom; ++y) {
    uint8_t* row = FData.data() + size_t(y - Top()) * w;
    const uint8_t* prevRow = prevData.data() + size_t(y - Previous->Top()) * pw;
    for (int32_t x = area.Left; x < area.Right; ++x) {
      uint8_t& q = row[x - Left()];
      const uint8_t p = prevRow[x - Previous->Left()];
      if (q == t || p == prevT) continue;
      bool equal;
      if (sameTable)
        equal = q == p;
      else
        equal = q < table.Count() && p < prevTable.Count() && table.GetColor(q) == prevTable.GetColor(p);
      if (!equal) continue;
      if (t < 0) t = makeIndex();
      q = uint8_t(t);
    }
  }
  if (!wasTransparent && t >= 0) {
    if (!FGCE) new TGIFGraphicControlExtension(this);  // owned by the extension list
    FGCE->SetTransparentColorIndex(t);
    setTransparentFlag(*FGCE);
  }
  FBitmap.reset();
}

void THtGifImage::Optimize(TGIFOptimizeOptions Options, TColorReduction, TDitherMode, int32_t) {
  TGIFImageList& frames = *FFrames;
  if (frames.Count() == 0) return;
  FBitmap.reset();

  if (Options.Contains(ooColorTable)) {
    if (GlobalColorTable().Count() > 0) GlobalColorTable().Optimize();
    for (int32_t i = 0; i < frames.Count(); ++i)
      if (frames.Frames(i)->ColorTable().Count() > 0) frames.Frames(i)->ColorTable().Optimize();
  }

  if (Options.Contains(ooCleanup)) {
    for (int32_t i = 0; i < frames.Count(); ++i) {
      THtGIFFrame* frame = frames.Frames(i);
      if (!frame->Transparent()) continue;
      const uint8_t t = frame->GraphicControlExtension()->TransparentColorIndex();
      if (std::find(frame->Data().begin(), frame->Data().end(), t) == frame->Data().end()) {
        TGIFGraphicControlExtension* gce = frame->GraphicControlExtension();
        gce->SetPackedFields(uint8_t(gce->PackedFields() & ~1));
        frame->FreeBitmap();
      }
    }
    // Disposing of a frame has no effect when the next, opaque frame paints
    // over all of it. A smaller next frame would leave the disposed area
    // showing, so the disposal stays then.
    for (int32_t i = 0; i + 1 < frames.Count(); ++i) {
      THtGIFFrame* frame = frames.Frames(i);
      THtGIFFrame* next = frames.Frames(i + 1);
      const int32_t disposal = disposalOf(*frame);
      if (disposal != fdmBackground && disposal != fdmPreviousFrame) continue;
      if (next->Transparent() || next->Empty()) continue;
      const TRect own = frame->BoundsRect();
      const TRect common = intersection(own, next->BoundsRect());
      if (!isEmptyRect(common) && sameRect(common, own)) frame->GraphicControlExtension()->SetDisposal(0);
    }
  }

  if (Options.Contains(ooMerge)) {
    for (int32_t b = frames.Count() - 1; b >= 1; --b) {
      int32_t p = b - 1;
      while (p > 0 && disposalOf(*frames.Frames(p)) == fdmPreviousFrame) --p;
      frames.Frames(b)->Merge(frames.Frames(p));
    }
  }

  auto dropEmptyFrame = [&frames](int32_t i) {
    THtGIFFrame* frame = frames.Frames(i);
    if (frame->Data().empty() && frame->Extensions().Count() == 0) frames.Delete(i);
  };

  if (Options.Contains(ooCleanup)) {
    for (int32_t i = frames.Count() - 1; i >= 0; --i) {
      THtGIFFrame* frame = frames.Frames(i);
      TGIFExtensionList& extensions = frame->Extensions();
      for (int32_t e = extensions.Count() - 1; e >= 0; --e) {
        const TGIFExtensionClass* kind = extensions.Extensions(e)->ClassRefOf();
        const bool optional = kind == &TGIFCommentExtension::ClassType || kind == &TGIFTextExtension::ClassType ||
                              kind == &TGIFUnknownAppExtension::ClassType ||
                              (kind == &TGIFAppExtNSLoop::ClassType && !(i == 0 && frames.Count() > 1));
        if (optional) extensions.Delete(e);
      }
      dropEmptyFrame(i);
    }
  }

  if (Options.Contains(ooCrop)) {
    for (int32_t i = frames.Count() - 1; i >= 0; --i) {
      THtGIFFrame* frame = frames.Frames(i);
      if (frame->Data().empty() || !frame->Transparent()) continue;
      // Disposal to the background clears the frame's whole area: a cropped
      // frame would clear less of it.
      if (disposalOf(*frame) == fdmBackground) continue;
      const uint16_t delay = rawDelay(*frame);
      frame->Crop();
      if (!frame->Empty()) continue;
      if (i > 0 && frames.Frames(i - 1)->Transparent()) {
        THtGIFFrame* previous = frames.Frames(i - 1);
        previous->SetDelay(uint16_t(std::min(rawDelay(*previous) + delay, 65535)));
      }
      frames.Delete(i);
    }
  }

  if (Options.Contains(ooCleanup)) {
    for (int32_t i = frames.Count() - 1; i >= 0; --i) {
      THtGIFFrame* frame = frames.Frames(i);
      TGIFGraphicControlExtension* gce = frame->GraphicControlExtension();
      const bool single = frames.Count() == 1;
      if (gce && (gce->Delay() == 0 || single) && !gce->Transparent() && !gce->UserInput() &&
          (gce->Disposal() == fdmUnspecified || gce->Disposal() == fdmNoDisposal || single))
        delete gce;  // leaves the extension list itself
      dropEmptyFrame(i);
    }
  }
  FFrameIndex = -1;
  FSavedIndex = -1;
}

}  // namespace ht
