#pragma once
// Append-only text builders. Text lives in a chain of chunks that are never
// moved once written, so appending never copies earlier text; the pieces are
// joined only when the whole text is asked for. A piece of text is never
// split across chunks: what is free in a chunk that cannot take the next
// piece stays unused. Neither builder locks anything.
//
// TFastString builds UTF-16 text, TFastRawString 8-bit text (UTF-8 or the
// system code page). Positions at the API count from 1 (PosOf, ToStringFrom);
// lengths count units (UTF-16 units or bytes).
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/rtl/object.h"
#include "platform/rtl/stream.h"
#include "platform/rtl/string.h"

namespace ht {

// One buffer of the chain. Capacity and Used count units; Next is null for the
// last chunk. A fresh or cleared builder's first chunk has no buffer.
template <class Unit>
struct TFastChunk {
  Unit* Buffer = nullptr;
  int Capacity = 0;
  int Used = 0;
  TFastChunk* Next = nullptr;
};

using TFastStringChunk = TFastChunk<char16_t>;
using TFastRawStringChunk = TFastChunk<char>;

class TFastString : public THtObject {
 public:
  // ADelta is the least capacity of a new chunk (a Delta of 0 gives chunks
  // exactly as large as each piece added).
  explicit TFastString(int ADelta);
  ~TFastString() override;
  TFastString(const TFastString&) = delete;
  TFastString& operator=(const TFastString&) = delete;

  // Appending; every Add returns the builder so calls chain.
  TFastString& Add(StringView S) { return addUnits(S.data(), S.size()); }
  TFastString& Add(const char16_t* Src, int Len) {  // Len <= 0 adds nothing
    return Len > 0 ? addUnits(Src, std::size_t(Len)) : *this;
  }
  TFastString& AddChar(char16_t C) { return addUnits(&C, 1); }
  TFastString& Add2Char(char16_t C1, char16_t C2) {
    const char16_t pair[2] = {C1, C2};
    return addUnits(pair, 2);
  }
  TFastString& AddSpaces(int SpaceCount);          // count <= 0 adds nothing
  TFastString& Add(int Value);                     // decimal, "-" when negative
  // Compact number text (see platform/rtl/number_text.h); Digits 0..18, above
  // 18 raises EIntOverflow.
  TFastString& Add(double Value, int Digits);
  // A single char16_t would promote to int and print its code; a double
  // alone would truncate. Use AddChar and Add(Value, Digits).
  TFastString& Add(char16_t) = delete;
  TFastString& Add(double) = delete;

  TFastString& Prepend(StringView S);
  // Appends ASource's text, taking over its chunks unless it is one mostly
  // empty chunk (then copied). ASource ends empty and stays usable, except
  // when it keeps its text because it was copied.
  TFastString& Grab(TFastString& ASource);

  String ToString() const;
  String AsString() const { return ToString(); }
  // Text from the 1-based StartPos (below 1 counts as 1; past the end: empty).
  String ToStringFrom(int StartPos) const;
  int TotalLength() const { return FTotal + FLast->Used; }

  // UTF-16 little-endian units, no byte-order mark.
  void SavetoStream(TStream& AStream) const;
  // Copies the same bytes to ABuffer, which holds 2 x TotalLength() bytes.
  void SavetoBuffer(void* ABuffer) const;

  void Clear();
  void DeletefromEnd(int ACount);
  void TrimTrailingSpaces();  // U+0020 only (all units <= U+0020 once it reaches an earlier chunk)
  void TrimTrailingBlanks();  // every unit <= U+0020

  // Case-sensitive. Both are false on an empty builder; StartsWith("") is
  // false, EndsWith("") true.
  bool StartsWith(StringView S) const;
  bool EndsWith(StringView S) const;
  // 1-based position of the first occurrence of S, 0 when none (or S empty).
  int PosOf(StringView S) const;
  char16_t LastChar() const;  // U+0000 when empty

  // The chunk chain, read-only, for writers that stream it.
  const TFastStringChunk& FirstChunk() const { return FFirst; }
  int ChunkCount() const;

  // A charset name the HTML writer emits as the document's meta charset when
  // not empty; the builder itself never reads it.
  String Charset;

 private:
  // The common case, kept inline: the units fit into the last chunk.
  TFastString& addUnits(const char16_t* src, std::size_t n) {
    if (n <= std::size_t(FLast->Capacity - FLast->Used)) {
      if (n != 0) std::memcpy(FLast->Buffer + FLast->Used, src, n * sizeof(char16_t));
      FLast->Used += int(n);
      return *this;
    }
    return addInNewChunk(src, n);
  }
  TFastString& addInNewChunk(const char16_t* src, std::size_t n);
  TFastString& addNumberText(const char* text, int n);
  char16_t* reserve(int n, bool strictRoom);

  TFastStringChunk FFirst;
  TFastStringChunk* FLast = &FFirst;
  int FTotal = 0;  // used lengths of every chunk but the last
  int FDelta;
};

class TFastRawString : public THtObject {
 public:
  explicit TFastRawString(int ADelta);
  ~TFastRawString() override;
  TFastRawString(const TFastRawString&) = delete;
  TFastRawString& operator=(const TFastRawString&) = delete;

  TFastRawString& Add(std::string_view S) { return addUnits(S.data(), S.size()); }
  TFastRawString& Add(const char* Src, int Len) {  // Len <= 0 adds nothing
    return Len > 0 ? addUnits(Src, std::size_t(Len)) : *this;
  }
  TFastRawString& AddChar(char C) { return addUnits(&C, 1); }
  TFastRawString& Add2Char(char C1, char C2) {
    const char pair[2] = {C1, C2};
    return addUnits(pair, 2);
  }
  TFastRawString& AddSpaces(int SpaceCount);
  TFastRawString& AddInt(int Value);
  // UTF-8 of UTF-16 text; an unpaired surrogate becomes EF BF BD (U+FFFD).
  TFastRawString& AddUTF8(StringView S);

  // The bytes as they are (system code page or UTF-8, as the caller wrote).
  std::string ToString() const;
  std::string AsString() const { return ToString(); }
  std::string ToUTF8String() const { return ToString(); }
  int TotalLength() const { return FTotal + FLast->Used; }

  void Clear();
  bool StartsWith(std::string_view S) const;  // false for "" and when empty
  int PosOf(std::string_view S) const;        // 1-based, 0 when none

  const TFastRawStringChunk& FirstChunk() const { return FFirst; }
  int ChunkCount() const;

 private:
  TFastRawString& addUnits(const char* src, std::size_t n) {
    if (n <= std::size_t(FLast->Capacity - FLast->Used)) {
      if (n != 0) std::memcpy(FLast->Buffer + FLast->Used, src, n);
      FLast->Used += int(n);
      return *this;
    }
    return addInNewChunk(src, n);
  }
  TFastRawString& addInNewChunk(const char* src, std::size_t n);
  char* reserve(int n, bool strictRoom);

  TFastRawStringChunk FFirst;
  TFastRawStringChunk* FLast = &FFirst;
  int FTotal = 0;
  int FDelta;
};

}  // namespace ht
