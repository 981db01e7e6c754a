// Table layout fixtures: every tests/data/tables/<name>.html is laid out at
// 800 x 600 on the Ahem-metric canvas and its dump must equal <name>.txt
// beside it. Each page was compared with a browser (tools/browser_layout.py);
// where the tables' rules depart from CSS on purpose, its comment says how.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "document/document.h"
#include "layout/box_dump.h"
#include "support/ahem_canvas.h"

namespace ht::testing {

namespace {

namespace fs = std::filesystem;

fs::path tablesDir() {
  const char* src = std::getenv("TARNWICK_SOURCE_DIR");
  return fs::path(src && *src ? src : ".") / "tests" / "data" / "tables";
}

std::vector<std::string> fixtureNames() {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(tablesDir(), ec), end; !ec && it != end; it.increment(ec))
    if (it->path().extension() == ".html") names.push_back(it->path().stem().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class TableFixtures : public ::testing::TestWithParam<std::string> {};

TEST_P(TableFixtures, AhemMetrics) {
  const fs::path page = tablesDir() / (GetParam() + ".html");
  const fs::path expectedFile = tablesDir() / (GetParam() + ".txt");
  ASSERT_TRUE(fs::exists(expectedFile)) << expectedFile << " is missing";
  THtDocument doc(&TAhemCanvas::ClassType);
  doc.LoadfromFile(Utf8ToString(page.string()));
  doc.CalcSize(800, 600);
  EXPECT_EQ(LayoutDump(doc), readFile(expectedFile)) << page;
}

GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(TableFixtures);
INSTANTIATE_TEST_SUITE_P(Tables, TableFixtures, ::testing::ValuesIn(fixtureNames()),
                         [](const ::testing::TestParamInfo<std::string>& I) {
                           std::string s = I.param;
                           for (char& c : s)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return s;
                         });

}  // namespace

}  // namespace ht::testing
