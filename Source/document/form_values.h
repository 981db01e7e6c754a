#pragma once
// TFormValuesList: the values of a document's named form controls as
// "name=value" lines. The document fills it on every read; a line written
// afterwards (Put, SetValues) also goes into every form control of that
// name (ignoring case).
#include "platform/rtl/string_list.h"

namespace ht {

class THtDocument;

class TFormValuesList : public TStringList {
 public:
  explicit TFormValuesList(THtDocument* ADocument) : FDocument(ADocument) {}
  void Put(int Index, StringView S) override;

  THtDocument* FDocument;  // not owned
  bool FFilling = false;   // set while the document fills the list
};

}  // namespace ht
