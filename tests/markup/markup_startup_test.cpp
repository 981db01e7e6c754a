#include <gtest/gtest.h>

#include "markup/entities.h"
#include "markup/html_parser.h"
#include "markup/html_writer.h"
#include "markup/markup_startup.h"

namespace ht {
namespace {

int gColorTablesBuilt = 0;

TEST(MarkupStartup, PreparesWhatParsingAndWritingRead) {
  // The colour tables live in a higher layer; it hands its routines over.
  THtMarkupColorHooks hooks;
  hooks.CreateColorTables = [] { ++gColorTablesBuilt; };
  hooks.DefaultThemeColor = [](int index) { return uint32_t(0xFF000000u | uint32_t(index)); };
  SetMarkupColorHooks(hooks);
  HtMarkupInitialize();
  HtMarkupInitialize();  // nested calls do nothing more
  ASSERT_NE(EntityDictionary, nullptr);
  ASSERT_NE(EntityReverseDictionary, nullptr);
  // Whether an earlier suite initialised first decides whether the hooks ran.
  EXPECT_LE(gColorTablesBuilt, 1);

  THtmlParser hp(u"<p>&amp;", false);
  ASSERT_TRUE(hp.NextItem());
  EXPECT_EQ(hp.Tag, u"p");
  ASSERT_TRUE(hp.NextItem());
  EXPECT_EQ(hp.Value, u"&");
  EXPECT_EQ(HtmlTextEscapeLength[u'&'], 4);
  EXPECT_EQ(HtmlAttrEscapeLength[u'"'], 5);
  EXPECT_EQ(EscapeHtmlText(u"\u2264"), u"&le;");

  HtMarkupFinalize();
  EXPECT_NE(EntityDictionary, nullptr);  // one initialisation is still open
  SetMarkupColorHooks({});
  THtmlNode::SetThemeColorPrc({});
}

}  // namespace
}  // namespace ht
