#include "markup/fast_string.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <climits>
#include <cstring>
#include <stdexcept>

#include "platform/rtl/number_text.h"

namespace ht {

namespace {

// Chain operations shared by the UTF-16 and the 8-bit builder.
template <class Unit>
struct Chain {
  using Chunk = TFastChunk<Unit>;
  using Text = std::basic_string<Unit>;
  using View = std::basic_string_view<Unit>;

  static void checkRoom(int total, std::size_t n) {
    if (n > std::size_t(INT_MAX - total)) throw std::length_error("text builder too long");
  }

  // Opens a chunk for n units after the last one; a last chunk with no buffer
  // yet (fresh, cleared, or left by Prepend) is used as it is.
  static void addChunk(Chunk& first, Chunk*& last, int& total, int delta, int n) {
    (void)first;
    if (last->Capacity != 0) {
      total += last->Used;
      Chunk* c = new Chunk;
      last->Next = c;
      last = c;
    }
    int cap = std::max(delta, n);
    last->Buffer = new Unit[std::size_t(cap)];
    last->Capacity = cap;
    last->Used = 0;
  }

  // Room for n units at the end; strict asks for more than n free units (the
  // number appends open a new chunk when their digits would fill it exactly).
  static Unit* reserve(Chunk& first, Chunk*& last, int& total, int delta, int n, bool strict) {
    int free = last->Capacity - last->Used;
    if (free < n || (strict && free == n)) {
      checkRoom(total + last->Used, std::size_t(n));
      addChunk(first, last, total, delta, n);
    }
    return last->Buffer + last->Used;
  }

  static void append(Chunk& first, Chunk*& last, int& total, int delta, const Unit* src, std::size_t n) {
    if (n == 0) return;
    if (n > std::size_t(INT_MAX)) checkRoom(0, n);
    Unit* dst = reserve(first, last, total, delta, int(n), false);
    std::memcpy(dst, src, n * sizeof(Unit));
    last->Used += int(n);
  }

  // Frees every buffer and every record but the first, which becomes empty.
  static void clear(Chunk& first, Chunk*& last, int& total) {
    Chunk* c = first.Next;
    delete[] first.Buffer;
    while (c) {
      Chunk* next = c->Next;
      delete[] c->Buffer;
      delete c;
      c = next;
    }
    first = Chunk{};
    last = &first;
    total = 0;
  }

  static Text join(const Chunk& first, int length, int from = 0) {
    Text out;
    if (from >= length) return out;
    out.resize(std::size_t(length - from));
    Unit* dst = out.data();
    int skip = from;
    for (const Chunk* c = &first; c; c = c->Next) {
      if (skip >= c->Used) {
        skip -= c->Used;
        continue;
      }
      std::size_t n = std::size_t(c->Used - skip);
      std::memcpy(dst, c->Buffer + skip, n * sizeof(Unit));
      dst += n;
      skip = 0;
    }
    return out;
  }

  static int count(const Chunk& first) {
    int n = 0;
    for (const Chunk* c = &first; c; c = c->Next) ++n;
    return n;
  }

  static bool startsWith(const Chunk& first, int length, View s) {
    if (s.empty() || length == 0 || int(s.size()) > length) return false;
    if (first.Used >= int(s.size())) return View(first.Buffer, s.size()) == s;
    return View(join(first, length)).starts_with(s);
  }

  // Finds s anywhere in the chain, also across any number of chunk borders:
  // the last size-1 units seen so far are carried into each next chunk.
  static int posOf(const Chunk& first, int length, View s) {
    if (s.empty() || int(s.size()) > length) return 0;
    const std::size_t keep = s.size() - 1;
    Text tail;  // last `keep` units before the current chunk
    int offset = 0;
    for (const Chunk* c = &first; c; c = c->Next) {
      if (c->Used == 0) continue;
      View v(c->Buffer, std::size_t(c->Used));
      if (!tail.empty()) {
        Text window = tail;
        window.append(v.substr(0, keep));
        std::size_t at = window.find(s);
        if (at != Text::npos) return offset - int(tail.size()) + int(at) + 1;
      }
      std::size_t at = v.find(s);
      if (at != View::npos) return offset + int(at) + 1;
      if (keep > 0) {
        if (v.size() >= keep) tail.assign(v.substr(v.size() - keep));
        else {
          tail.append(v);
          if (tail.size() > keep) tail.erase(0, tail.size() - keep);
        }
      }
      offset += c->Used;
    }
    return 0;
  }
};

using WideChain = Chain<char16_t>;
using RawChain = Chain<char>;

// Decimal text of Value into buf (at least 12 chars); returns its length.
int intText(int Value, char* buf) {
  char* p = buf;
  uint32_t mag = uint32_t(Value);
  if (Value < 0) {
    *p++ = '-';
    mag = 0u - mag;
  }
  auto res = std::to_chars(p, buf + 12, mag);
  return int(res.ptr - buf);
}


}  // namespace

// ---------------------------------------------------------------- TFastString

TFastString::TFastString(int ADelta) : FDelta(std::max(ADelta, 0)) {}

TFastString::~TFastString() { Clear(); }

TFastString& TFastString::addInNewChunk(const char16_t* src, std::size_t n) {
  WideChain::append(FFirst, FLast, FTotal, FDelta, src, n);
  return *this;
}

TFastString& TFastString::AddSpaces(int SpaceCount) {
  if (SpaceCount <= 0) return *this;
  char16_t* dst = reserve(SpaceCount, false);
  std::fill_n(dst, SpaceCount, u' ');
  FLast->Used += SpaceCount;
  return *this;
}

TFastString& TFastString::Add(int Value) {
  char buf[12];
  return addNumberText(buf, intText(Value, buf));
}

TFastString& TFastString::Add(double Value, int Digits) {
  char buf[kCompactFloatTextMax];
  return addNumberText(buf, int(CompactFloatText(Value, Digits, buf)));
}

// A sign and a lone digit go in like AddChar; longer digit runs reserve their
// room and open a new chunk already when they would fill the last one exactly.
TFastString& TFastString::addNumberText(const char* text, int n) {
  if (n > 0 && text[0] == '-') {
    AddChar(u'-');
    ++text;
    --n;
  }
  if (n == 1) return AddChar(char16_t(text[0]));
  char16_t* dst = reserve(n, true);
  for (int i = 0; i < n; ++i) dst[i] = char16_t(text[i]);
  FLast->Used += n;
  return *this;
}

TFastString& TFastString::Prepend(StringView S) {
  if (S.empty()) return *this;
  WideChain::checkRoom(TotalLength(), S.size());
  auto* copy = new TFastStringChunk(FFirst);
  if (FLast == &FFirst) FLast = copy;
  int n = int(S.size());
  FFirst.Buffer = new char16_t[S.size()];
  std::memcpy(FFirst.Buffer, S.data(), S.size() * sizeof(char16_t));
  FFirst.Capacity = n;
  FFirst.Used = n;
  FFirst.Next = copy;
  FTotal += n;
  return *this;
}

TFastString& TFastString::Grab(TFastString& ASource) {
  if (&ASource == this) return Add(ToString());
  if (ASource.TotalLength() == 0) return *this;
  if (ASource.FFirst.Next == nullptr && ASource.FFirst.Used < ASource.FFirst.Capacity / 2)
    return Add(StringView(ASource.FFirst.Buffer, std::size_t(ASource.FFirst.Used)));
  WideChain::checkRoom(TotalLength(), std::size_t(ASource.TotalLength()));
  bool single = ASource.FLast == &ASource.FFirst;
  TFastStringChunk* head;
  if (FLast->Capacity == 0) {
    // Nothing written into our last chunk: it takes the source's first.
    head = FLast;
    *head = ASource.FFirst;
  } else {
    head = new TFastStringChunk(ASource.FFirst);
    FTotal += FLast->Used;
    FLast->Next = head;
  }
  FTotal += ASource.FTotal;
  FLast = single ? head : ASource.FLast;
  // The source no longer owns those buffers and records.
  ASource.FFirst = TFastStringChunk{};
  ASource.FLast = &ASource.FFirst;
  ASource.FTotal = 0;
  return *this;
}

String TFastString::ToString() const { return WideChain::join(FFirst, TotalLength()); }

String TFastString::ToStringFrom(int StartPos) const {
  if (StartPos < 1) StartPos = 1;
  return WideChain::join(FFirst, TotalLength(), StartPos - 1);
}

static_assert(std::endian::native == std::endian::little,
              "SavetoStream writes the units' memory as UTF-16LE");

void TFastString::SavetoStream(TStream& AStream) const {
  for (const TFastStringChunk* c = &FFirst; c; c = c->Next)
    if (c->Used > 0) AStream.WriteBuffer(c->Buffer, std::size_t(c->Used) * 2);
}

void TFastString::SavetoBuffer(void* ABuffer) const {
  auto* dst = static_cast<char*>(ABuffer);
  for (const TFastStringChunk* c = &FFirst; c; c = c->Next) {
    if (c->Used == 0) continue;
    std::memcpy(dst, c->Buffer, std::size_t(c->Used) * 2);
    dst += std::size_t(c->Used) * 2;
  }
}

void TFastString::Clear() { WideChain::clear(FFirst, FLast, FTotal); }

void TFastString::DeletefromEnd(int ACount) {
  if (ACount <= 0) return;
  if (FLast->Used >= ACount) {
    FLast->Used -= ACount;
    return;
  }
  int keep = TotalLength() - ACount;
  if (keep <= 0) {
    Clear();
    return;
  }
  String text = ToString();
  Clear();
  Add(StringView(text).substr(0, std::size_t(keep)));
}

namespace {

// Strips trailing units <= U+0020 from the joined text and re-adds it.
void trimJoined(TFastString& sb) {
  String text = sb.ToString();
  std::size_t n = text.size();
  while (n > 0 && IsBlankChar(text[n - 1])) --n;
  sb.Clear();
  sb.Add(StringView(text).substr(0, n));
}

}  // namespace

void TFastString::TrimTrailingSpaces() {
  while (FLast->Used > 0 && FLast->Buffer[FLast->Used - 1] == u' ') --FLast->Used;
  if (FLast->Used == 0) trimJoined(*this);
}

void TFastString::TrimTrailingBlanks() {
  while (FLast->Used > 0 && IsBlankChar(FLast->Buffer[FLast->Used - 1])) --FLast->Used;
  if (FLast->Used == 0) trimJoined(*this);
}

bool TFastString::StartsWith(StringView S) const {
  return WideChain::startsWith(FFirst, TotalLength(), S);
}

bool TFastString::EndsWith(StringView S) const {
  int length = TotalLength();
  if (length == 0) return false;
  if (S.empty()) return true;
  if (int(S.size()) > length) return false;
  if (FLast->Used >= int(S.size()))
    return StringView(FLast->Buffer + FLast->Used - S.size(), S.size()) == S;
  return StringView(ToString()).ends_with(S);
}

int TFastString::PosOf(StringView S) const { return WideChain::posOf(FFirst, TotalLength(), S); }

char16_t TFastString::LastChar() const {
  if (FLast->Used > 0) return FLast->Buffer[FLast->Used - 1];
  // The last chunk may be empty after DeletefromEnd or Prepend: the last
  // written unit is then in the last non-empty chunk before it.
  char16_t last = 0;
  for (const TFastStringChunk* c = &FFirst; c; c = c->Next)
    if (c->Used > 0) last = c->Buffer[c->Used - 1];
  return last;
}

int TFastString::ChunkCount() const { return WideChain::count(FFirst); }

char16_t* TFastString::reserve(int n, bool strictRoom) {
  return WideChain::reserve(FFirst, FLast, FTotal, FDelta, n, strictRoom);
}

// ------------------------------------------------------------- TFastRawString

TFastRawString::TFastRawString(int ADelta) : FDelta(std::max(ADelta, 0)) {}

TFastRawString::~TFastRawString() { Clear(); }

TFastRawString& TFastRawString::addInNewChunk(const char* src, std::size_t n) {
  RawChain::append(FFirst, FLast, FTotal, FDelta, src, n);
  return *this;
}

TFastRawString& TFastRawString::AddSpaces(int SpaceCount) {
  if (SpaceCount <= 0) return *this;
  char* dst = reserve(SpaceCount, false);
  std::memset(dst, ' ', std::size_t(SpaceCount));
  FLast->Used += SpaceCount;
  return *this;
}

TFastRawString& TFastRawString::AddInt(int Value) {
  char buf[12];
  const char* text = buf;
  int n = intText(Value, buf);
  if (text[0] == '-') {
    AddChar('-');
    ++text;
    --n;
  }
  if (n == 1) return AddChar(text[0]);
  char* dst = reserve(n, true);
  std::memcpy(dst, text, std::size_t(n));
  FLast->Used += n;
  return *this;
}

TFastRawString& TFastRawString::AddUTF8(StringView S) {
  if (S.empty()) return *this;
  // Three bytes per unit is the worst case: a pair of units takes four, a
  // lone surrogate becomes U+FFFD in three.
  if (S.size() > std::size_t(INT_MAX / 3)) RawChain::checkRoom(INT_MAX, S.size());
  int room = int(S.size()) * 3;
  auto* start = reinterpret_cast<unsigned char*>(reserve(room, false));
  unsigned char* out = start;
  const std::size_t n = S.size();
  std::size_t i = 0;
  while (i < n) {
    // Runs of ASCII two units at a time.
    while (i + 1 < n && S[i] < 0x80 && S[i + 1] < 0x80) {
      out[0] = static_cast<unsigned char>(S[i]);
      out[1] = static_cast<unsigned char>(S[i + 1]);
      out += 2;
      i += 2;
    }
    if (i >= n) break;
    char32_t cp = S[i++];
    if (cp < 0x80) {
      *out++ = static_cast<unsigned char>(cp);
      continue;
    }
    if (IsHighSurrogate(char16_t(cp)) && i < n && IsLowSurrogate(S[i]))
      cp = CombineSurrogates(char16_t(cp), S[i++]);
    else if (cp >= 0xD800 && cp <= 0xDFFF)
      cp = 0xFFFD;  // unpaired: the next unit is kept and converted on its own
    if (cp < 0x800) {
      out[0] = static_cast<unsigned char>(0xC0 | (cp >> 6));
      out[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
      out += 2;
    } else if (cp < 0x10000) {
      out[0] = static_cast<unsigned char>(0xE0 | (cp >> 12));
      out[1] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
      out[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
      out += 3;
    } else {
      out[0] = static_cast<unsigned char>(0xF0 | (cp >> 18));
      out[1] = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
      out[2] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
      out[3] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
      out += 4;
    }
  }
  FLast->Used += int(out - start);
  return *this;
}

std::string TFastRawString::ToString() const { return RawChain::join(FFirst, TotalLength()); }

void TFastRawString::Clear() { RawChain::clear(FFirst, FLast, FTotal); }

bool TFastRawString::StartsWith(std::string_view S) const {
  return RawChain::startsWith(FFirst, TotalLength(), S);
}

int TFastRawString::PosOf(std::string_view S) const {
  return RawChain::posOf(FFirst, TotalLength(), S);
}

int TFastRawString::ChunkCount() const { return RawChain::count(FFirst); }

char* TFastRawString::reserve(int n, bool strictRoom) {
  return RawChain::reserve(FFirst, FLast, FTotal, FDelta, n, strictRoom);
}

}  // namespace ht
