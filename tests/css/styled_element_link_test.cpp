#include "css/styled_element_link.h"

#include <gtest/gtest.h>

#include "css/property_registry.h"
#include "css/style_sheet.h"

namespace ht {
namespace {

// A node class whose computed style is the engine's TBaseElementStyle.
class TComputedNode : public TStyledHTMLNode {
 public:
  static const THtNodeClass ClassType;
  const THtNodeClass* ClassRefOf() const override { return &ClassType; }
  const TElementStyleClass* StyleClass() const override { return &ElementStyleFactsClass; }
};
const THtNodeClass TComputedNode::ClassType{"TComputedNode", &TStyledHTMLNode::ClassType,
                                            CreateInstance<TComputedNode, THtNode>};

TEST(StyledElementLink, CascadeFillsComputedStyleAndBoxEdges) {
  RegisterCSSProperties();
  TCSSStyleSheet sheet;
  sheet.Parse(u"div.box { display: block; margin-left: 10px; border-top: 2px solid red; float: left }"
              u" div { padding-left: 1px }",
              -1, false);
  TComputedNode root;
  root.SetTag(u"html");
  root.Parse(u"<div class='Box' style='padding-left: 5px' bgcolor='red;display:none'>x</div>");
  auto* box = dynamic_cast<TStyledHTMLNode*>(root.FindNode(u"div"));
  ASSERT_NE(box, nullptr);
  TCSSStyleSheet* sheets[] = {&sheet};
  ASSERT_TRUE(ComputeElementStyle(root, sheets));
  ASSERT_TRUE(ComputeElementStyle(*box, sheets));
  ASSERT_NE(box->Style(), nullptr);
  EXPECT_EQ(box->Style()->Display(), dsBlock);
  EXPECT_EQ(box->Style()->Float(), fLeft);
  box->FindContainer();
  EXPECT_EQ(box->Container, &root);
  box->CalcEdges();
  EXPECT_FLOAT_EQ(box->MarginLeft, 10);
  EXPECT_FLOAT_EQ(box->BorderTop, 2);
  EXPECT_FLOAT_EQ(box->PaddingLeft(), 5);  // the inline style wins
  EXPECT_TRUE(box->OutofFlow());
  EXPECT_TRUE(box->IsBlockContainer());
  TMeasure m;
  EXPECT_TRUE(box->Style()->DeclaredMeasure(u"margin-left", m));
  EXPECT_FALSE(box->Style()->DeclaredMeasure(u"width", m));
  auto* link = TStyledElementLink::Of(box);
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->StyleParent(), TStyledElementLink::Of(&root));
  EXPECT_EQ(link->InnerWidthRef(), &box->InnerWidth);
}

}  // namespace
}  // namespace ht
