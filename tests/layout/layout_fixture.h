#pragma once
// Documents on the Ahem-metric trace canvas, with small trees whose styles
// come from their style attributes.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>

#include "document/document.h"
#include "layout/line_blocks.h"
#include "layout/text_element.h"

namespace ht::testing {

class LayoutTest : public ::testing::Test {
 protected:
  void SetUp() override;
  // An element with the style attribute Css, appended to Parent.
  TElement* El(TElement* Parent, StringView Tag, StringView Css = u"");
  TTextElement* Text(TElement* Parent, StringView Content);
  // Computes every element's style from its style attribute (inheriting
  // from its parent) and finds every container.
  void Style();
  // A run of E with the flags and width given, as box building makes them.
  THtLineBlock* Run(TElement* E, std::initializer_list<THtTextRunFlag> Flags, float Width = 0, int Start = 0,
                    int Count = 0);

  std::unique_ptr<THtDocument> Doc;
};

}  // namespace ht::testing
