#pragma once
// A forward-only cursor over one UTF-16 string, from which the engine's small
// grammars (markup, CSS, JSON, XPath, colours, path data) are built.
//
// Positions returned by Pos and CharPos are 1-based; PTail, p and pend are raw
// pointers into the text: the parser's own copy (Init), or the caller's
// string read in place (InitInPlace). The unit at pend is always the
// string's terminating NUL, so the unit under the cursor is readable even at
// the end of the text.
//
// The parser can be held as an object (owned by its creator) or through the
// interface IStringParser (std::shared_ptr, freed with its last reference).
#include <array>
#include <cstdint>
#include <memory>

#include "platform/rtl/date_time.h"  // EConvertError, raised by the number readers
#include "platform/rtl/string.h"

namespace ht {

// A set of 8-bit characters (units up to U+00FF), for ReadtoChars.
class TCharSet {
 public:
  constexpr TCharSet() : bits_{} {}
  // The characters of an ASCII/Latin-1 string literal.
  constexpr TCharSet(const char* chars) : bits_{} {
    for (; *chars; ++chars) Include(char16_t(static_cast<unsigned char>(*chars)));
  }
  constexpr void Include(char16_t c) {
    if (c <= 0xFF) bits_[c >> 6] |= uint64_t(1) << (c & 63);
  }
  constexpr bool Contains(char16_t c) const {
    return c <= 0xFF && ((bits_[c >> 6] >> (c & 63)) & 1);
  }

 private:
  std::array<uint64_t, 4> bits_;
};

// The operations a parser offers to holders of the interface.
class IStringParser {
 public:
  virtual ~IStringParser() = default;
  virtual char16_t GetCurrent() const = 0;
  virtual void Init(const String& A) = 0;
  virtual void ReadWord(String& s, bool DoSkipBlanks = true) = 0;
  virtual bool ReadParam(String& s) = 0;
  virtual void ReadtoChar(char16_t c, String& s, bool DoSkipBlanks = true) = 0;
  virtual void ReadtoWordBreak(String& s) = 0;
  virtual void ReadtoChars(const TCharSet& sc, String& s1) = 0;
  virtual bool Empty() const = 0;
  virtual void Skip(int n = 1) = 0;
  virtual void Skipto(char16_t c) = 0;
  virtual void ReadLn(String& s) = 0;
  virtual int32_t ReadInt() = 0;
  virtual int32_t ReadInt1() = 0;
  virtual int64_t ReadHex() = 0;
  virtual double ReadNum() = 0;
  virtual double ReadNumEx() = 0;
  virtual int Pos() const = 0;
  virtual void SkipBlanks() = 0;
  virtual void SkipEndBlanks() = 0;
  virtual String Tail() const = 0;
  virtual const char16_t* PTail() const = 0;
  virtual int CharPos(char16_t c) const = 0;
  virtual char16_t Next() = 0;
};

class TStringParser : public IStringParser {
 public:
  explicit TStringParser(const String& A = String());
  TStringParser(const TStringParser&) = delete;
  TStringParser& operator=(const TStringParser&) = delete;

  // A parser held through the interface.
  static std::shared_ptr<IStringParser> CreateShared(const String& A);

  // Copies A (the parser owns its text).
  void Init(const String& A) final;
  // Takes A over without copying it.
  void Init(String&& A);
  // Reads A in place: A must stay alive and unchanged while the parser reads
  // it (SkipEndBlanks makes a copy first).
  void InitInPlace(const String& A);
  // The whole text the cursor walks.
  StringView Text() const { return StringView(Start(), size_t(pend - Start())); }
  const char16_t* Begin() const { return Start(); }

  bool Empty() const final { return p >= pend; }
  bool First() const { return p == Start(); }
  char16_t GetCurrent() const final { return *p; }
  char16_t Next() final {
    if (p < pend) ++p;
    return *p;
  }
  const char16_t* PTail() const final { return p; }
  String Tail() const final;
  int Pos() const final { return int(p - Start()) + 1; }
  int Line() const;
  int CharPos(char16_t c) const final;
  // Whether the text at the cursor begins with s, the text's A-Z lower-cased
  // before comparing (so s is written in lower case). The cursor stays.
  bool StartsWith(StringView s) const;

  void SkipBlanks() final {
    while (p < pend && *p <= u' ') ++p;
  }
  void Skip(int n = 1) final;
  void Skipto(char16_t c) final;
  void SkipEndBlanks() final;

  void ReadWord(String& s, bool DoSkipBlanks = true) final;
  bool ReadParam(String& s) final;
  void ReadtoChar(char16_t c, String& s, bool DoSkipBlanks = true) final;
  void ReadtoChars(const TCharSet& sc, String& s1) final;
  void ReadLn(String& s) final;
  void ReadtoWordBreak(String& s) final;

  int32_t ReadInt() final;
  int32_t ReadInt1() final;
  int64_t ReadHex() final;
  int64_t ReadBin();
  double ReadNum() final;
  double ReadNumEx() final;
  // True with IntValue set for an integer; False with ExtValue set for a
  // number with a fraction or an exponent, or one too large for 64 bits.
  bool ReadIntOrFloat(int64_t& IntValue, double& ExtValue);

  String s;                    // the parser's own copy of the text (empty when read in place)
  char16_t fNull = 0;          // the cursor's target when the text is empty
  const char16_t* p = &fNull;     // the cursor
  const char16_t* pend = &fNull;  // one past the last unit of s
  bool RaiseException = false; // number readers raise on malformed numbers

 private:
  const char16_t* fStart = &fNull;  // first unit of the text (in s or in the caller's string)
  const char16_t* Start() const { return fStart; }
  // Points the cursor at the start of text (size units, NUL after them).
  void setText(const char16_t* text, size_t size);
  // Blanks, one ",", blanks: the lead-in of most number readers.
  void skipNumberLead();
  // Consumes "+" or "-"; answers whether the number is negative.
  bool readSign();
  [[noreturn]] static void incorrectNumber();
  // Fraction digits after "." (the cursor on the first of them); only the
  // first seven count, the rest are consumed.
  double readFraction();
};

// Whether S holds a unit in U+4E00..U+9FFF or U+F900..U+FAFF.
bool HasCJKChar(StringView S);

}  // namespace ht
