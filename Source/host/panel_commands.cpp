// THtPanel: find and replace through the find dialogs, copying to the
// clipboard and printing through a paged copy of the document.
#include <unicode/uchar.h>

#include "canvas/canvas.h"
#include "document/element.h"
#include "host/clipboard.h"
#include "host/html_panel.h"
#include "layout/text_element.h"
#include "platform/gdi/gdi_meta.h"
#include "platform/ui/find_dialogs.h"

namespace ht {

namespace {

bool startsWith(StringView S, StringView Prefix) { return S.substr(0, Prefix.size()) == Prefix; }

// The code point that ends just before the 0-based index I, or the one
// that starts at it.
char32_t codePointBefore(StringView S, size_t I) {
  const char16_t c = S[I - 1];
  if (c >= 0xDC00 && c <= 0xDFFF && I >= 2 && S[I - 2] >= 0xD800 && S[I - 2] <= 0xDBFF)
    return 0x10000 + ((char32_t(S[I - 2]) - 0xD800) << 10) + (c - 0xDC00);
  return c;
}

char32_t codePointAt(StringView S, size_t I) {
  const char16_t c = S[I];
  if (c >= 0xD800 && c <= 0xDBFF && I + 1 < S.size() && S[I + 1] >= 0xDC00 && S[I + 1] <= 0xDFFF)
    return 0x10000 + ((char32_t(c) - 0xD800) << 10) + (S[I + 1] - 0xDC00);
  return c;
}

// The match of Length characters at the 1-based Pos of E's text has no
// letter right before or after it.
bool isWholeWord(TElement* E, int Pos, int Length) {
  auto* t = dynamic_cast<TTextElement*>(E);
  if (!t) return true;
  const StringView s = t->DisplayText;
  const size_t from = size_t(Pos - 1), to = from + size_t(Length);
  if (from > 0 && from <= s.size() && u_isalpha(UChar32(codePointBefore(s, from)))) return false;
  if (to < s.size() && u_isalpha(UChar32(codePointAt(s, to)))) return false;
  return true;
}

// Where a search starts: after the selection downwards, before it upwards,
// else the document's top. Upwards a match must end before the selection,
// or a one-character match would be found again and again.
void searchStart(THtDocument& Doc, bool Down, TElement*& Start, int& Pos) {
  Start = &Doc;
  Pos = 1;
  TDocSelection& sel = Doc.Selection;
  if (sel.Empty()) return;
  if (Down) {
    Start = sel.RealEndElement();
    Pos = sel.RealEndPos();
  } else {
    Start = sel.RealStartElement();
    Pos = sel.RealStartPos() - 1;
  }
}

void selectMatch(TDocSelection& Sel, TElement* E, int Pos, int Length) {
  Sel.StartPos = Pos;
  Sel.EndPos = Pos + Length;
  Sel.SetStartElement(E);
  Sel.SetEndElement(E);
}

}  // namespace

void THtPanel::FindDialog(ui::TFindDialog* ADialog) {
  if (!ADialog) {
    if (!fFindDialog) fFindDialog = std::make_unique<ui::TFindDialog>();
    ADialog = fFindDialog.get();
  }
  ADialog->OnFind = [this](ui::TFindDialog& D) { FindHandler(D); };
  ADialog->Execute();
}

void THtPanel::ReplaceDialog(ui::TReplaceDialog* ADialog) {
  if (!ADialog) {
    if (!fReplaceDialog) fReplaceDialog = std::make_unique<ui::TReplaceDialog>();
    ADialog = fReplaceDialog.get();
  }
  ADialog->OnFind = [this](ui::TFindDialog& D) { FindHandler(D); };
  ADialog->OnReplace = [this](ui::TReplaceDialog& D) { ReplaceHandler(D); };
  ADialog->Execute();
}

void THtPanel::FindHandler(ui::TFindDialog& Sender) {
  if (!FDoc || Sender.FindText.empty()) return;
  const String& text = Sender.FindText;
  const bool down = (Sender.Options & ui::frDown) != 0;
  const bool matchCase = (Sender.Options & ui::frMatchCase) != 0;
  const int length = int(text.size());
  TElement* start = nullptr;
  int pos = 1;
  searchStart(*FDoc, down, start, pos);
  for (;;) {
    TElement* found = FDoc->FindText(text, pos, start, down, matchCase);
    if (!found) {
      FDoc->Selection.Clear();
      break;
    }
    if ((Sender.Options & ui::frWholeWord) && !isWholeWord(found, pos, length)) {
      // Resume past the rejected match: downwards at its second character,
      // upwards with matches that end before its last one.
      start = found;
      pos = down ? pos + 1 : pos + length - 2;
      continue;
    }
    selectMatch(FDoc->Selection, found, pos, length);
    ScrollSelectionIntoView();
    break;
  }
  Repaint();
}

void THtPanel::ReplaceHandler(ui::TReplaceDialog& Sender) {
  if (!FDoc || Sender.FindText.empty()) return;
  TDocSelection& sel = FDoc->Selection;
  if (!(Sender.Options & ui::frReplaceAll)) {
    sel.SetText(Sender.ReplaceText);
    return;
  }
  const String& text = Sender.FindText;
  const bool down = (Sender.Options & ui::frDown) != 0;
  const bool matchCase = (Sender.Options & ui::frMatchCase) != 0;
  TElement* start = nullptr;
  int pos = 1;
  searchStart(*FDoc, down, start, pos);
  while (TElement* found = FDoc->FindText(text, pos, start, down, matchCase)) {
    selectMatch(sel, found, pos, int(text.size()));
    sel.SetText(Sender.ReplaceText);
    // The next search starts past the inserted text, which may hold the
    // find text itself (or be empty).
    start = found;
    pos = down ? pos + int(Sender.ReplaceText.size()) : pos - 1;
  }
}

void THtPanel::CopySelectiontoClipboard() {
  if (!FDoc || FDoc->Selection.Empty()) return;
  THtClipboard::SetHTML(FDoc->GetSelectedHTML(), FDoc->GetSelectedText(), Location());
}

void THtPanel::CopytoClipboard() {
  if (!FDoc) return;
  THtClipboard::SetHTML(FDoc->OuterHTML(), FDoc->GetInnerText(), Location());
}

String THtPanel::Location() const {
  if (startsWith(fCurrentFile, u"http:") || startsWith(fCurrentFile, u"https:") || startsWith(fCurrentFile, u"file:"))
    return fCurrentFile;
  return u"file://" + fCurrentFile;
}

void THtPanel::Print(gdi::TPrintDialog* PrintDialog, float PrintScale) {
  if (!FDoc) return;
  const THtCanvasClass* canvasClass = FDoc->CanvasClass ? FDoc->CanvasClass : HtDefaultCanvasClass;
  auto doc = std::make_unique<THtDocument>(canvasClass ? canvasClass->PrintCanvasClass() : nullptr, false);
  doc->OnGetUrl = FDoc->OnGetUrl;
  doc->OnGetImage = FDoc->OnGetImage;
  doc->CurrentFile = FDoc->CurrentFile;
  doc->TagObject = FDoc->TagObject;
  doc->Styles->Parse(FStyles->Text(), -1, false);
  {
    const THtmlEncoding saved = FDoc->Encoding;
    FDoc->Encoding = heDefault;
    struct TRestore {
      THtDocument* D;
      THtmlEncoding E;
      ~TRestore() { D->Encoding = E; }
    } restore{FDoc.get(), saved};
    doc->Parse(FDoc->OuterHTML(), heDefault, 0);
  }
  if (doc->Surface) doc->Surface->SetScaleFactor(PrintScale);
  doc->GeneratePagesForPrint(0, 0, false, 0);
  if (doc->Surface) doc->Surface->Print(PrintDialog, u"");
}

}  // namespace ht
