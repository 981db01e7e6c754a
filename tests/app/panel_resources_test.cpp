// The panel's resource getters as its documents call them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/window_fixture.h"
#include "host/host_components.h"
#include "host/html_panel.h"

namespace ht::testing {
namespace {

namespace fs = std::filesystem;

THtBytes B(const std::string& s) { return THtBytes(s.begin(), s.end()); }

class PanelResourcesTest : public WindowTest {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/tarnwick-resources-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    Dir = tmpl;
    fs::create_directories(Dir / "docs");
    fs::create_directories(Dir / "pics");
    std::ofstream(Dir / "pics" / "a.png", std::ios::binary) << "pic bytes";
    std::ofstream(Dir / "docs" / "s.css", std::ios::binary) << "p{}";
    Panel = std::make_unique<THtPanel>();
    Panel->SetHTML({u"<p>x</p>"});
    Panel->fCurrentFile = Utf8ToString((Dir / "docs" / "page.html").string());
    Form = std::make_unique<ui::TForm>();
    Panel->SetParent(Form.get());
  }
  void TearDown() override {
    Panel.reset();
    WindowTest::TearDown();
    std::error_code ec;
    fs::remove_all(Dir, ec);
  }
  fs::path Dir;
  std::unique_ptr<THtPanel> Panel;
};

TEST_F(PanelResourcesTest, TheDocumentAsksThePanel) {
  THtDocument* doc = Panel->Doc();
  ASSERT_NE(doc, nullptr);
  ASSERT_TRUE(doc->OnGetImage && doc->OnGetUrl);
  EXPECT_EQ(doc->OnGetImage(doc, u"../pics/a.png", nullptr), B("pic bytes"));
  EXPECT_EQ(doc->OnGetUrl(doc, u"s.css", nullptr), u"p{}");

  THtImageListComponent list;
  list.Images = {B("0"), B("1"), B("2"), B("3")};
  THtComponentOwner owner;
  owner.Add<THtPictureComponent>(u"Image1")->Graphic = B("image one");
  Panel->Images = &list;
  Panel->Owner = &owner;
  EXPECT_EQ(doc->OnGetImage(doc, u"3", nullptr), B("3"));
  EXPECT_EQ(doc->OnGetImage(doc, u"/form/Image1", nullptr), B("image one"));

  // The application's event replaces the panel's own answer.
  Panel->fOnGetImage = [](THtDocument*, const String&, TElement*) { return B("event"); };
  EXPECT_EQ(doc->OnGetImage(doc, u"3", nullptr), B("event"));
  EXPECT_EQ(Panel->DefaultGetImage(doc, u"3", nullptr), B("3"));
  Panel->Images = nullptr;
  Panel->Owner = nullptr;
}

}  // namespace
}  // namespace ht::testing
