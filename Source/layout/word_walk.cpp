// The word walk: words as ranges of runs of one flow, checked with the
// document's spell-check hook. A word is a stretch of plain text runs,
// which the start and end markers of inline elements do not interrupt (a
// word half in bold is one word).
#include "document/document.h"
#include "layout/flow.h"
#include "layout/line_blocks.h"

namespace ht {

namespace {

bool isMarker(const THtLineBlock* r) { return r->Has(trfInlineStart) || r->Has(trfInlineEnd); }

bool wordRun(const THtLineBlock* r, bool LettersOnly) { return r->IsPlainText() && (!LettersOnly || r->IsLetters()); }

// From a start run on: the first word run, extended over the word runs and
// markers that follow it in the same flow, without trailing markers.
bool wordFrom(THtLineBlock* Start, THtWord& W, bool LettersOnly, bool AcrossFlows) {
  while (Start && !wordRun(Start, LettersOnly)) Start = AcrossFlows ? Start->Next() : Start->NextBlock();
  if (!Start) return false;
  THtLineBlock* end = Start;
  for (THtLineBlock* n = end->NextBlock(); n && (wordRun(n, LettersOnly) || isMarker(n)); n = n->NextBlock()) end = n;
  while (end != Start && isMarker(end)) end = end->PreviousBlock();
  W.StartBlock = Start;
  W.EndBlock = end;
  return true;
}

}  // namespace

bool TElement::GetFirstWord(THtWord& W) {
  W.StartBlock = nullptr;
  return GetNextSiblingWord(W, true);
}

bool TElement::GetNextSiblingWord(THtWord& W, bool LettersOnly) {
  if (!SelfFlow) return false;
  THtLineBlock* start = W.StartBlock ? (W.EndBlock ? W.EndBlock->NextBlock() : nullptr) : SelfFlow->FirstBlock;
  return wordFrom(start, W, LettersOnly, false);
}

void TElement::ProcessSpellcheck() {
  IncludeFlag(efSpellChecked);
  if (!Document || !Document->OnSpellCheck || !Document->SpellChecking) return;
  THtWord w;
  for (bool found = GetFirstWord(w); found; found = GetNextSiblingWord(w, true)) {
    const String text = w.Text();
    if (text.empty() || !w.StartBlock->IsLetters()) continue;
    const bool correct = Document->OnSpellCheck(w.StartBlock->E, text);
    for (THtLineBlock* r = w.StartBlock; r; r = r->NextBlock()) {
      if (r->IsText()) {
        if (correct) r->Flags.Exclude(trfSpellIncorrect);
        else r->Flags.Include(trfSpellIncorrect);
      }
      if (r == w.EndBlock) break;
    }
  }
}

bool THtDocument::GetNextWord(THtWord& W, bool LettersOnly) {
  THtLineBlock* start = nullptr;
  if (W.StartBlock) {
    start = W.EndBlock ? W.EndBlock->Next() : nullptr;
  } else if (SelfFlow && SelfFlow->FirstBlock) {
    start = SelfFlow->FirstBlock;
  } else if (FDocFlow) {
    start = FDocFlow->FirstBlock;
  }
  return wordFrom(start, W, LettersOnly, true);
}

}  // namespace ht
