#pragma once
// The platform's string list: lines of text with a change event and the
// encoding its file was read in. Text joins the lines, each followed by
// CR LF; setting Text splits at CR LF, LF or CR.
#include <functional>
#include <vector>

#include "platform/rtl/string.h"

namespace ht {

class TStringList {
 public:
  // How LoadFromFile read the file: a byte-order mark picks UTF-8 or UTF-16
  // (either byte order); without one the bytes are ANSI.
  enum TTextEncoding { teDefault, teANSI, teUTF8, teUTF16LE, teUTF16BE };

  // Raised once after every change (Add, Clear, SetText, Assign,
  // LoadFromFile), not while an update is open.
  std::function<void()> OnChange;

  virtual ~TStringList() = default;

  int Count() const { return int(FLines.size()); }
  const String& operator[](int Index) const { return FLines[size_t(Index)]; }
  const std::vector<String>& Lines() const { return FLines; }
  TTextEncoding Encoding() const { return FEncoding; }

  String Text() const;
  void SetText(StringView Value);
  void Add(StringView Line);
  void Clear();
  void Assign(const std::vector<String>& Lines);
  void Assign(const TStringList& Source);
  // Reads the whole file (EFOpenError when it cannot be opened, a folder
  // included); the list is left unchanged when reading fails.
  void LoadFromFile(StringView FileName);

  // Writes line Index; Exception "List index out of bounds (%d)" outside.
  virtual void Put(int Index, StringView S);
  void Delete(int Index);

  // Lines of the form name=value. The first line whose name equals AName
  // (ignoring ASCII case), or -1.
  int IndexOfName(StringView AName) const;
  String Names(int Index) const;
  String ValueFromIndex(int Index) const;
  // The value of AName's line; empty when there is none.
  String Values(StringView AName) const;
  // Writes AName's line through Put (a new name gets a line first); an
  // empty value removes the line.
  void SetValues(StringView AName, StringView Value);

  void BeginUpdate() { ++FUpdating; }
  void EndUpdate();

 private:
  void changed();

  std::vector<String> FLines;
  TTextEncoding FEncoding = teDefault;
  int FUpdating = 0;
  bool FPending = false;
};

}  // namespace ht
