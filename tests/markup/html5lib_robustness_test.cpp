// Every input of the html5lib tree-construction corpus goes through the tree
// builder, the writer and the builder again. The corpus's expected trees do
// not apply (our tree construction has rules of its own); what must hold is
// that nothing crashes or hangs, the nesting stays within the guard, and the
// written text parses back to a tree that writes the same text.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "markup/fast_string.h"
#include "markup/markup_startup.h"
#include "markup/node.h"
#include "markup/node_list.h"
#include "platform/rtl/string.h"

namespace ht {
namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = "../shared/conformance/html5lib/tree-construction";

struct Input {
  std::string file;
  std::string data;
};

// The "#data" sections: everything up to the "#errors" line.
std::vector<Input> readCorpus() {
  std::vector<Input> inputs;
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(kCorpus))
    if (entry.path().extension() == ".dat") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    std::ifstream in(file, std::ios::binary);
    std::string line;
    bool inData = false;
    Input current;
    while (std::getline(in, line)) {
      if (line == "#data") {
        inData = true;
        current = Input{file.filename().string(), ""};
        continue;
      }
      if (inData && line == "#errors") {
        if (!current.data.empty()) current.data.pop_back();  // the line break before "#errors"
        inputs.push_back(current);
        inData = false;
        continue;
      }
      if (inData) current.data += line + "\n";
    }
  }
  return inputs;
}

int maxDepth(const THtNode& n) {
  int deepest = 0;
  if (THtNodeList* list = n.ChildNodeList())
    for (THtNode* child : *list) deepest = std::max(deepest, 1 + maxDepth(*child));
  return deepest;
}

String withoutBlanks(StringView s) {
  String out;
  for (char16_t c : s)
    if (c > 0x20) out += c;
  return out;
}

bool hasLinkInLink(const THtNode& n, bool inLink) {
  const bool link = n.Tag() == u"a";
  if (link && inLink) return true;
  if (THtNodeList* list = n.ChildNodeList())
    for (THtNode* child : *list)
      if (hasLinkInLink(*child, inLink || link)) return true;
  return false;
}

// Why a second round may write different text, or null when no known rule
// explains it.
const char* ruleChanging(const THtmlNode& first, const String& written, const String& rewritten) {
  if (withoutBlanks(written) == withoutBlanks(rewritten))
    return "the reader skips blanks at the start of the text and of raw script text";
  if (hasLinkInLink(first, false))
    return "a re-opened link lands inside a link; links do not nest when parsed again";
  return nullptr;
}

TEST(Html5libRobustness, ParseWriteParse) {
  if (!fs::exists(kCorpus)) GTEST_SKIP() << "html5lib corpus not found at " << kCorpus << " (run from /work/main)";
  HtMarkupInitialize();
  const std::vector<Input> inputs = readCorpus();
  ASSERT_GT(inputs.size(), 1000u);
  std::map<std::string, int> explained;
  for (const Input& input : inputs) {
    const String text = Utf8ToString(input.data);
    THtmlNode first;
    first.Parse(text);
    ASSERT_LE(maxDepth(first), 257) << input.file << ": " << input.data;
    const String written = first.GetInnerHTML();
    THtmlNode second;
    second.Parse(written);
    const String rewritten = second.GetInnerHTML();
    if (rewritten != written) {
      const char* rule = ruleChanging(first, written, rewritten);
      if (rule)
        ++explained[rule];
      else
        ADD_FAILURE() << input.file << ": " << input.data << "\n  first:  " << StringToUtf8(written)
                      << "\n  second: " << StringToUtf8(rewritten);
    }
    // The text extractors run over every tree too.
    (void)first.GetInnerText();
    TFastString fs(4096);
    first.FastInnerText(fs);
  }
  for (const auto& [rule, count] : explained) std::cout << "  " << count << " input(s) change on a second round: " << rule << "\n";
}

}  // namespace
}  // namespace ht
