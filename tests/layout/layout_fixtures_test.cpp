// The layout fixtures: every tests/data/layout/<topic>/<name>.html is laid out
// at 800 x 600 and its dump must equal <name>.txt beside it. The fixtures of
// css/ were checked against a browser with tools/browser_layout.py; those of
// departures/ pin where this engine differs from CSS on purpose (each says
// why in a comment). They run twice: on the Ahem-metric trace canvas and on
// the GDI+ back end over cairo with the Ahem font itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "backends/backends_startup.h"
#include "backends/canvas_gp.h"
#include "document/document.h"
#include "layout/box_dump.h"
#include "platform/core/core_fonts.h"
#include "support/ahem_canvas.h"

namespace ht::testing {

namespace {

namespace fs = std::filesystem;

// Fixtures the engine does not lay out as expected yet, with the reason.
// The runner skips them (printing the reason) rather than failing; an entry
// leaves this list as soon as its fixture passes. They are reported by one
// skipped test; TARNWICK_RUN_PENDING=1 runs them like the others.
const std::map<std::string, std::string>& pendingFixtures() {
  static const std::map<std::string, std::string> pending = {};
  return pending;
}

fs::path layoutDataDir() {
  const char* src = std::getenv("TARNWICK_SOURCE_DIR");
  return fs::path(src && *src ? src : ".") / "tests" / "data" / "layout";
}

bool runPending() {
  const char* v = std::getenv("TARNWICK_RUN_PENDING");
  return v && *v == '1';
}

// "topic/name" of every fixture page, sorted.
std::vector<std::string> allFixtureNames() {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(layoutDataDir(), ec), end; !ec && it != end; it.increment(ec))
    if (it->path().extension() == ".html")
      names.push_back(it->path().lexically_relative(layoutDataDir()).replace_extension().generic_string());
  std::sort(names.begin(), names.end());
  return names;
}

// The fixtures that run: all but the pending ones, unless those are asked for.
std::vector<std::string> fixtureNames() {
  std::vector<std::string> names;
  for (const std::string& n : allFixtureNames())
    if (runPending() || !pendingFixtures().count(n)) names.push_back(n);
  return names;
}

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string testName(const ::testing::TestParamInfo<std::string>& Info) {
  std::string s = Info.param;
  for (char& c : s)
    if (!isalnum(static_cast<unsigned char>(c))) c = '_';
  return s;
}

// The first line where the dumps differ, 1-based; 0 when equal.
int firstDifference(const std::string& A, const std::string& B) {
  std::istringstream a(A), b(B);
  std::string la, lb;
  for (int line = 1;; ++line) {
    const bool ma = bool(std::getline(a, la)), mb = bool(std::getline(b, lb));
    if (!ma && !mb) return 0;
    if (ma != mb || la != lb) return line;
  }
}

class LayoutFixtures : public ::testing::TestWithParam<std::string> {
 protected:
  void Check(const THtCanvasClass* CanvasClass) {
    const std::string& name = GetParam();
    const fs::path page = layoutDataDir() / (name + ".html");
    const fs::path expectedFile = layoutDataDir() / (name + ".txt");
    ASSERT_TRUE(fs::exists(expectedFile)) << expectedFile << " is missing";
    const std::string expected = readFile(expectedFile);
    THtDocument doc(CanvasClass);
    doc.LoadfromFile(Utf8ToString(page.string()));
    doc.CalcSize(800, 600);
    const std::string actual = LayoutDump(doc);
    if (actual != expected)
      ADD_FAILURE() << name << ": the dumps differ from line " << firstDifference(expected, actual)
                    << "\n--- expected (" << expectedFile.string() << ")\n"
                    << expected << "--- actual\n"
                    << actual;
  }
};

GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(LayoutFixtures);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(LayoutFixturesGP);

TEST_P(LayoutFixtures, AhemMetrics) { Check(&TAhemCanvas::ClassType); }

INSTANTIATE_TEST_SUITE_P(Layout, LayoutFixtures, ::testing::ValuesIn(fixtureNames()), testName);

// The same fixtures measured by a real back end: the GDI+ canvas shaping the
// Ahem font through harfbuzz and cairo.
class LayoutFixturesGP : public LayoutFixtures {
 protected:
  static void SetUpTestSuite() {
    core::FontSystem::UseTestFonts();
    HtBackendsInitialize();
  }
  static void TearDownTestSuite() { HtBackendsFinalize(); }
};

TEST_P(LayoutFixturesGP, AhemFont) { Check(&THtCanvasGP::ClassType); }

INSTANTIATE_TEST_SUITE_P(Layout, LayoutFixturesGP, ::testing::ValuesIn(fixtureNames()), testName);

TEST(LayoutFixtureList, Pending) {
  const std::vector<std::string> names = allFixtureNames();
  std::string skipped;
  for (const auto& [name, reason] : pendingFixtures()) {
    EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name << " is pending but not a fixture";
    skipped += "\n  " + name + ": " + reason;
  }
  if (!skipped.empty() && !runPending()) GTEST_SKIP() << "pending layout fixtures:" << skipped;
}

}  // namespace

}  // namespace ht::testing
