#pragma once
// The replaced elements of img and iframe. TImageElement turns its URL into
// an image of the document's image cache, reports the image's size to
// layout, keeps an embedded data: image whole when the document is written
// back, and applies the size a resize gesture chose (or crops the image).
// TIFrameElement shows a nested document loaded from its URL instead.
#include <memory>

#include "document/element.h"

namespace ht {

class THtImage;
class THtDocument;

class TImageElement : public TElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }

  // False while the inherited box painting runs: the border is drawn
  // after the picture, over it.
  bool FDrawBorderNow = true;
  String FUrl;
  THtImage* HI = nullptr;  // the document's cache owns it
  String InlinePrefix;     // an embedded image's data: URL up to its first ","

  const String& Url() const { return FUrl; }
  // Also sets the attribute "src".
  void SetUrl(StringView Value);

  // HI from the document's image cache for FUrl (the content when FUrl is
  // empty); an embedded image gives up its src attribute.
  virtual void LoadUrl();
  // ContentWidth and ContentHeight from the image and the CSS sizes.
  virtual void CalcContentSize();
  virtual bool Loaded();
  bool Embedded() const;

  bool GetIntrinsicSize(float& W, float& H, bool& KeepAspect) override;
  void ApplyUserSize() override;
  void ParseAttribute(StringView Param, StringView Value) override;
  // Inline images are inline-block.
  bool CalcStyle(TCSSStyleSheet* Styles) override;
  bool RestyledEveryPass() const override { return true; }
  void ReleaseImage() override { HI = nullptr; }
  // The image is looked up again with the new matrices.
  void ClearJointMatrix() override;
  // One atomic run sized from the intrinsic and the style sizes.
  void CalcBoxes(TFlow* Flow) override;
  // An embedded image shows its whole data: URL as src while written.
  void BeginWriteTag() override;
  void EndWriteTag() override;

  bool IsReplacedElement() const override { return true; }
  // Painting (the painting unit carries them out).
  void DrawInline(TFlow* Flow, const THtDrawInfo& DI) override;
  void DrawBlock(TFlow* Flow, const THtDrawInfo& DI) override;
  void DrawBorder(const THtDrawInfo& DI) override;
  void DrawInnerElements(TFlow* Flow, const THtDrawInfo& DI) override;
  int AbsolutePositionDelta() override { return 1; }
  String GetRawInnerText() override { return u" "; }
  THtObject* InternalObject() const override;

 protected:
  // The image has been loaded or has failed (not queued or in work).
  bool imageSettled() const;

 private:
  // The end of a resize begun with Shift: the image becomes the part of it
  // inside the rectangle the gesture showed (JPEG, PNG and GIF).
  void cropToUserSize();
  bool FWritingSrc = false;
};

class TIFrameElement : public TImageElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }

  ~TIFrameElement() override;

  // The nested document, parsed from the frame's URL; nothing in editor
  // mode, and nothing for a URL an enclosing document came from or past
  // the deepest nesting.
  void LoadUrl() override;
  // The CSS width and height in pixels (0 when auto).
  void CalcContentSize() override;
  bool Loaded() override { return FDocument != nullptr; }
  THtDocument* NestedDocument() const { return FDocument.get(); }

 private:
  std::unique_ptr<THtDocument> FDocument;
  String FLoadedUrl;
};

}  // namespace ht
