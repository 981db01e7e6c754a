#include <gtest/gtest.h>

#include <cmath>

#include "markup/node.h"

namespace ht {
namespace {

THtNode* add(THtNode* parent, StringView tag) {
  THtNode* n = parent->AddChild(&THtmlNode::ClassType);
  n->SetTag(tag);
  return n;
}

TEST(NodeLookup, FindNodeIsDepthFirst) {
  THtmlNode root;
  THtNode* a = add(&root, u"a");
  THtNode* x = add(a, u"x");
  THtNode* b1 = add(x, u"b");
  THtNode* b2 = add(a, u"b");
  add(&root, u"b");
  EXPECT_EQ(root.FindNode(u"b"), b1);
  EXPECT_EQ(x->FindNode(u"b"), b1);
  EXPECT_EQ(b1->FindNode(u"b"), nullptr);  // descendants only
  EXPECT_EQ(root.FindNode(u"B"), nullptr);
  EXPECT_EQ(root.FindNode(u"zz"), nullptr);
  EXPECT_EQ(root.FindNode(u"a"), a);

  b2->SetAttr(u"k", u"v");
  EXPECT_EQ(root.FindNodebyAttr(u"b", u"k", u"v"), b2);
  EXPECT_EQ(root.FindNodebyAttr(u"", u"k", u"v"), b2);
  EXPECT_EQ(root.FindNodebyAttr(u"b", u"k", u""), b1);  // absent reads as empty
  EXPECT_EQ(root.FindNodebyAttr(u"a", u"k", u"v"), nullptr);
}

TEST(NodeLookup, DirectChildLookups) {
  THtmlNode root;
  THtNode* head = add(&root, u"head");
  THtNode* body = add(&root, u"body");
  THtNode* div = add(body, u"div");
  THtNode* untagged = add(div, u"");
  THtNode* deep = add(untagged, u"i");
  EXPECT_EQ(root.NodebyName(u"body/div"), div);
  EXPECT_EQ(root.NodebyName(u"div"), nullptr);
  EXPECT_EQ(root.NodebyName(u"head"), head);
  EXPECT_EQ(root.NodebyName(u"body/div//i"), deep);
  EXPECT_EQ(root.NodebyName(u"body/span"), nullptr);
  EXPECT_EQ(root.NodebyName(u"nope/div"), nullptr);
  EXPECT_EQ(root.NodebyName(u"body/div/"), untagged);
  EXPECT_EQ(deep->NodebyName(u"x"), nullptr);

  THtmlNode list(u"ul");
  THtNode* li0 = add(&list, u"li");
  add(&list, u"p");
  THtNode* li1 = add(&list, u"li");
  li1->SetAttr(u"class", u"on");
  li0->SetAttr(u"lang", u"en");
  li0->SetAttr(u"id", u"");
  EXPECT_EQ(list.NodebyNameIndex(u"li", 0), li0);
  EXPECT_EQ(list.NodebyNameIndex(u"li", 1), li1);
  EXPECT_EQ(list.NodebyNameIndex(u"li", 2), nullptr);
  EXPECT_EQ(list.NodebyAttr(u"CLASS", u"on"), li1);
  EXPECT_EQ(list.NodebyAttr(u"id", u""), li0);        // present and empty
  EXPECT_EQ(list.NodebyAttr(u"title", u""), nullptr);  // absent never matches
  EXPECT_EQ(list.NodebyNameAttr(u"li", u"class", u"on"), li1);
  EXPECT_EQ(list.NodebyNameAttr(u"p", u"class", u"on"), nullptr);
}

TEST(NodeTypedAttributes, IntegersAndBooleans) {
  THtmlNode n;
  struct Case {
    const char16_t* text;
    bool valid;
    int value;
  };
  for (Case c : {Case{u"12", true, 12}, Case{u"-7", true, -7}, Case{u" +3", true, 3},
                 Case{u"$1F", true, 31}, Case{u"0x10", true, 16}, Case{u"2147483647", true, 2147483647},
                 Case{u"-2147483648", true, INT32_MIN}, Case{u"2147483648", false, 0},
                 // Hexadecimal spells negative numbers through the sign bit.
                 Case{u"$FFFFFFFF", true, -1}, Case{u"0x80000001", true, -2147483647},
                 Case{u"$100000000", false, 0}, Case{u"-$FFFFFFFF", false, 0},
                 Case{u"12 ", false, 0}, Case{u"1.5", false, 0}, Case{u"", false, 0}, Case{u"-", false, 0}}) {
    SCOPED_TRACE(StringToUtf8(c.text));
    n.SetAttr(u"n", c.text);
    if (c.valid) {
      EXPECT_EQ(n.GetAttrI(u"n"), c.value);
    } else {
      EXPECT_THROW(n.GetAttrI(u"n"), EConvertError);
    }
  }
  try {
    n.GetAttrI(u"absent");
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), u"'' is not a valid integer value");
  }
  n.SetAttrI(u"i", -42);
  EXPECT_EQ(n.GetAttribute(u"i"), u"-42");

  for (auto [text, value] : {std::pair{u"1", true}, {u"true", true}, {u"on", true}, {u"TRUE", false},
                             {u"On", false}, {u"yes", false}, {u"0", false}}) {
    n.SetAttr(u"b", text);
    EXPECT_EQ(n.GetAttrB(u"b"), value) << StringToUtf8(text);
  }
  EXPECT_FALSE(n.GetAttrB(u"absent"));
  n.SetAttrB(u"b", true);
  EXPECT_EQ(n.GetAttribute(u"b"), u"1");
  n.SetAttrB(u"b", false);
  EXPECT_EQ(n.GetAttribute(u"b"), u"0");
}

TEST(NodeTypedAttributes, Floats) {
  THtmlNode n;
  for (auto [value, text] : {std::pair{3.14159, u"3.14"}, {2.0, u"2"}, {0.5, u"0.5"}, {-0.25, u"-0.25"},
                             {1234.567, u"1234.57"}, {0.001, u"0"}}) {
    n.SetAttrF(u"f", value);
    EXPECT_EQ(n.GetAttribute(u"f"), text) << value;
  }
  for (auto [value, text] : {std::pair{0.5, u"0.5"}, {0.1 + 0.2, u"0.3"}, {1e20, u"1E20"},
                             {-1.5e-7, u"-1.5E-7"}, {123456.789, u"123456.789"},
                             {std::nan(""), u"NAN"}, {-HUGE_VAL, u"-INF"}}) {
    n.SetFloat(u"f", value);
    EXPECT_EQ(n.GetAttribute(u"f"), text) << value;
  }
  n.SetAttr(u"f", u"1,5");
  EXPECT_EQ(n.GetAttrF(u"f"), 1.5);
  EXPECT_EQ(n.GetFloat(u"f"), 1.5);
  n.SetAttr(u"f", u"abc");
  EXPECT_EQ(n.GetAttrF(u"f"), 0);
  EXPECT_EQ(n.GetAttrF(u"absent"), 0);
}

TEST(NodeTypedAttributes, DatesAndTimes) {
  THtmlNode n;
  const TDateTime day = EncodeDate(2021, 3, 5);
  const TDateTime stamp = day + (14 * 3600 + 5 * 60 + 9) / 86400.0;

  n.SetDateTime(u"t", stamp);
  EXPECT_EQ(n.GetAttribute(u"t"), u"2021-03-05T14:05:09");
  EXPECT_NEAR(n.GetDateTime(u"t"), stamp, 1e-8);

  n.SetDate(u"d", stamp);
  EXPECT_EQ(n.GetAttribute(u"d"), u"2021-03-05");
  EXPECT_EQ(n.GetDate(u"d"), day);

  n.SetTime(u"h", stamp);
  EXPECT_EQ(n.GetAttribute(u"h"), u"14:05:09");
  EXPECT_NEAR(n.GetTime(u"h"), stamp - day, 1e-8);

  // Rounding to the second may carry into the next day.
  n.SetDateTime(u"t", day + 1 - 0.0001 / 86400);
  EXPECT_EQ(n.GetAttribute(u"t"), u"2021-03-06T00:00:00");

  EXPECT_EQ(n.GetDate(u"absent"), 0);
  n.SetAttr(u"bad", u"2021-13-05");
  EXPECT_THROW(n.GetDate(u"bad"), EConvertError);
}

}  // namespace
}  // namespace ht
