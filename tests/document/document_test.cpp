#include <memory>

#include "canvas/meta_canvas.h"
#include "document/document.h"
#include "document/element_registry.h"
#include "document/global.h"
#include "document/script_adapter.h"
#include "document_fixture.h"
#include "layout/text_element.h"

namespace ht::testing {

TEST_F(DocumentTest, CanvasClassFallsBackToTheDefaultOrFails) {
  const THtCanvasClass* saved = HtDefaultCanvasClass;
  HtDefaultCanvasClass = nullptr;
  try {
    THtDocument doc(nullptr);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"No canvas class provided to HTML document");
  }
  HtDefaultCanvasClass = &TTraceCanvas::ClassType;
  {
    THtDocument doc(nullptr);
    EXPECT_EQ(doc.CanvasClass, &TTraceCanvas::ClassType);
    EXPECT_EQ(doc.Surface->ClassRefOf(), &TTraceCanvas::ClassType);
    EXPECT_EQ(doc.Document, &doc);
    EXPECT_EQ(doc.Body(), &doc);
    ASSERT_NE(doc.Style(), nullptr);
    EXPECT_EQ(doc.Style()->Display(), dsBlock);
  }
  HtDefaultCanvasClass = saved;
}

TEST_F(DocumentTest, ThreadedDocumentsOwnTheirFontsSharedWithRecordings) {
  auto shared = NewDocument(false);
  EXPECT_EQ(shared->FontCollection(), TTraceCanvas::ClassType.SharedFontCollection());
  EXPECT_FALSE(shared->FontCollectionRef());

  // A threaded document on the recording canvas: its fonts live as long as
  // the document or whatever keeps the reference, and are then freed.
  const THtCanvasClass* savedRef = HtRefCanvasClass;
  HtRefCanvasClass = &TTraceCanvas::ClassType;
  std::weak_ptr<THtFontCollection> watch;
  std::shared_ptr<THtFontCollection> kept;
  {
    THtDocument doc(&THtMetaCanvas::ClassType, true);
    ASSERT_NE(doc.FontCollection(), nullptr);
    EXPECT_EQ(doc.Surface->FontCollection(), doc.FontCollection());
    watch = doc.FontCollectionRef();
    kept = doc.FontCollectionRef();
  }
  EXPECT_FALSE(watch.expired());
  kept.reset();
  EXPECT_TRUE(watch.expired());
  {
    THtDocument doc(&THtMetaCanvas::ClassType, true);
    watch = doc.FontCollectionRef();
  }
  EXPECT_TRUE(watch.expired());
  HtRefCanvasClass = savedRef;
}

TEST_F(DocumentTest, StyleAndScriptElementsGoToTheHeadOrTheDocument) {
  auto doc = NewDocument();
  TElement* style = doc->AddStyleElement(u"p{color:red}");
  EXPECT_EQ(style->Parent(), doc.get());
  EXPECT_EQ(style->Tag(), u"style");
  EXPECT_EQ(style->Content(), u"p{color:red}");

  doc->SetInnerHTML(u"<html><head><title>t</title></head><body><p>x</p></body></html>");
  TElement* script = doc->AddScriptElement(u"go()");
  ASSERT_NE(script->Parent(), nullptr);
  EXPECT_EQ(script->Parent()->Tag(), u"head");
  EXPECT_EQ(script->Parent()->LastChild(), script);
}

TEST_F(DocumentTest, ElementsByAbsoluteTagIndexAndFactories) {
  auto doc = NewDocument();
  doc->SetInnerHTML(u"<div><p>a</p></div><span></span>");
  EXPECT_EQ(doc->ElementbyAbsoluteTagIndex(0), doc.get());
  EXPECT_EQ(doc->ElementbyAbsoluteTagIndex(-3), doc.get());
  EXPECT_EQ(doc->ElementbyAbsoluteTagIndex(2)->Tag(), u"p");
  EXPECT_EQ(doc->ElementbyAbsoluteTagIndex(3)->Tag(), u"span");  // the text has no tag
  EXPECT_EQ(doc->ElementbyAbsoluteTagIndex(4), nullptr);

  std::unique_ptr<TElement> text = doc->CreateTextNode(u"hi");
  EXPECT_TRUE(text->IsText());
  EXPECT_EQ(text->Content(), u"hi");
  std::unique_ptr<TElement> div = doc->CreateElement(u"DIV");
  EXPECT_EQ(div->Tag(), u"DIV");
  EXPECT_EQ(div->Parent(), nullptr);
}

TEST_F(DocumentTest, ScriptAdapterIsMadeOnceAndExternalOnesAreNotFreed) {
  auto doc = NewDocument();
  THtScriptAdapter* own = doc->ScriptAdapter();
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(doc->ScriptAdapter(), own);
  THtScriptAdapter external;
  doc->SetScriptAdapter(&external);  // frees the adapter the document made (ASan checks)
  EXPECT_EQ(doc->ScriptAdapter(), &external);
  doc.reset();  // must not free `external`
}

TEST_F(DocumentTest, SettersKeepTheirRules) {
  auto doc = NewDocument();
  doc->SetDPI(144);
  EXPECT_EQ(doc->Surface->DPI(), 144);
  // Beyond ASCII too, one unit for one (İ by its simple mapping).
  doc->fCacheReady = true;
  doc->SetHighlightText(u"MiXed ÄΣ\u0130");
  EXPECT_EQ(doc->HighlightText(), u"mixed äσi");
  EXPECT_FALSE(doc->fCacheReady);
  doc->SetQuirksModeSelector(qmDocType);
  EXPECT_FALSE(doc->IsQuirksMode());
  doc->SetQuirksModeSelector(qmAuto);
  EXPECT_FALSE(doc->IsQuirksMode());
  doc->SetQuirksModeSelector(qmQuirks);
  EXPECT_TRUE(doc->IsQuirksMode());
  int repaints = 0;
  doc->OnRepaint = [&](THtObject*) { ++repaints; };
  doc->SetScrollTop(40);
  EXPECT_EQ(doc->GetScrollTop(), 40);
  EXPECT_EQ(repaints, 1);
}

TEST_F(DocumentTest, PresentationalAttributesBecomeStyle) {
  auto doc = NewDocument();
  doc->SetInnerHTML(u"<p align=center style=\"color:red\">x</p><td width=5 id=k>y</td>");
  doc->ConvertAttributesToStyle();
  THtNode* p = doc->FindNode(u"p");
  ASSERT_NE(p, nullptr);
  EXPECT_FALSE(p->HasAttribute(u"align"));
  EXPECT_NE(p->GetAttribute(u"style").find(u"color:red;"), String::npos);
  EXPECT_NE(p->GetAttribute(u"style").find(u"center"), String::npos);
}

// --- Registry -------------------------------------------------------------------------

class TCustomImage : public TElement {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }
};
const THtNodeClass TCustomImage::ClassType{"TCustomImage", &TElement::ClassType,
                                           CreateInstance<TCustomImage, THtNode>};

TEST_F(DocumentTest, RegistryMapsTagsToClasses) {
  auto doc = NewDocument();
  EXPECT_EQ(doc->GetElementClass(u"", nullptr), &TTextElement::ClassType);
  EXPECT_EQ(doc->GetElementClass(u"br", nullptr), &TTextElement::ClassType);
  EXPECT_EQ(doc->GetElementClass(u"my-widget", nullptr), &TElement::ClassType);

  RegisterElementClass(u"img", &TCustomImage::ClassType);
  for (StringView tag : {u"img", u"IMG", u"iMg"}) EXPECT_EQ(ElementClassFor(tag), &TCustomImage::ClassType);
  doc->SetInnerHTML(u"<IMG src=a.png><p>t<br>u</p>");
  EXPECT_NE(dynamic_cast<TCustomImage*>(doc->FindNode(u"img")), nullptr);
  EXPECT_NE(dynamic_cast<TTextElement*>(doc->FindNode(u"br")), nullptr);

  RegisterElementClass(u"*", &TCustomImage::ClassType);
  EXPECT_EQ(ElementClassFor(u"my-widget"), &TCustomImage::ClassType);
  EXPECT_EQ(ElementClassFor(u"br"), &TTextElement::ClassType);
  RegisterElementClass(u"*", &TElement::ClassType);
  RegisterElementClass(u"img", &TElement::ClassType);
  EXPECT_EQ(ElementClassFor(u"my-widget"), &TElement::ClassType);
}

}  // namespace ht::testing
