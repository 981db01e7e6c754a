#pragma once
// The word runs of the book page, shared by the text benchmarks.
#include <vector>

#include "canvas/text_run.h"
#include "shared_input.h"

namespace bench {

// The word runs of the book page's text (tags dropped), at most Limit.
inline const std::vector<ht::String>& BookRuns() {
  static const std::vector<ht::String> runs = [] {
    std::vector<ht::String> r;
    const auto& page = bench::BookPage();
    if (!page.ok) return r;
    ht::String text;
    bool inTag = false;
    for (char16_t c : page.text) {
      if (c == u'<') inTag = true;
      else if (c == u'>') {
        inTag = false;
        text.push_back(u' ');
      } else if (!inTag) text.push_back(c == u'\n' || c == u'\t' ? u' ' : c);
      if (text.size() > 400000) break;
    }
    ht::THtTextRuns tr;
    ht::SplitTextRuns(text, tr, &ht::THtTextRun::ClassType);
    for (int i = 0; i < tr.Count() && r.size() < 20000; ++i) {
      ht::THtTextRun* run = tr.GetRun(i);
      if (run->Flags.Contains(ht::trfSpace)) continue;
      r.push_back(text.substr(size_t(run->Start - 1), size_t(run->Count)));
    }
    return r;
  }();
  return runs;
}

}  // namespace bench
