#pragma once
// The recording stream: a display list as bytes. No header and no version;
// little-endian throughout; an int32 record count, then per record a uint16
// code and its fields (see meta_records.h for the codes). Every value is
// written and read field by field, so the format does not depend on how the
// compiler lays out a structure.
//
// Primitives: byte (Booleans 0 or 1, enumerations by ordinal, font styles as
// a bit mask), int32, float32, string (int32 count of UTF-16 units, then the
// units), rect (4 float32: left, top, right, bottom), matrix (6 float32, the
// kind byte, 3 padding bytes), bytes (int32 count, then the bytes).
//
// The reader never reads past the end of the data: a count or length that
// runs past it, a negative count or an out-of-range enumeration raises
// EMetaStreamError.
#include <cstdint>
#include <vector>

#include "canvas/brush.h"
#include "canvas/canvas_types.h"
#include "canvas/matrix.h"
#include "canvas/path.h"
#include "canvas/pen.h"
#include "canvas/text_run.h"
#include "platform/rtl/enum_table.h"
#include "platform/rtl/geometry.h"
#include "platform/rtl/stream.h"

namespace ht {

// "Recorded drawing stream is damaged or truncated".
HT_DECLARE_EXCEPTION(EMetaStreamError, EReadError);

// Collects the bytes of a list and writes them to the stream at Flush (and
// on destruction when not flushed).
class THtMetaWriter {
 public:
  explicit THtMetaWriter(TStream& AStream) : FStream(AStream) {}
  ~THtMetaWriter();
  THtMetaWriter(const THtMetaWriter&) = delete;
  THtMetaWriter& operator=(const THtMetaWriter&) = delete;

  void Byte(uint8_t V) { FBuf.push_back(V); }
  void Bool(bool V) { FBuf.push_back(V ? 1 : 0); }
  void Code(uint16_t V);
  void Int32(int32_t V) { UInt32(uint32_t(V)); }
  void UInt32(uint32_t V);
  void Float(float V);
  void Str(StringView V);
  void Rect(const TRectF& V);
  void Matrix(const THtMatrixData& V);
  void Bytes(const THtBytes& V);
  void Floats(const TSingleArray& V);
  void Font(THtFont* AFont, THtFontStyles AStyle);
  void Brush(const THtBrush& V);
  void Pen(const THtPen& V);
  void TextStyle(const THtTextStyle& V);
  // SVG path data of the path (empty without a record list).
  void PathData(THtPath* APath);

  void Flush();

 private:
  TStream& FStream;
  std::vector<uint8_t> FBuf;
};

class THtMetaReader {
 public:
  // Reads from the stream's current position to its end.
  explicit THtMetaReader(TStream& AStream);

  uint8_t Byte();
  bool Bool();  // 0 or 1
  uint16_t Code();
  int32_t Int32();
  uint32_t UInt32() { return uint32_t(Int32()); }
  float Float();
  String Str();
  TRectF Rect();
  THtMatrixData Matrix();
  THtBytes Bytes();
  TSingleArray Floats();
  // A count of items at least ElementSize bytes each that must fit in what
  // is left.
  int32_t Count(size_t ElementSize);
  // An ordinal below Limit.
  uint8_t Ordinal(uint8_t Limit);
  template <class E>
  E Enum() {
    return E(Ordinal(uint8_t(EnumCount<E>())));
  }
  THtFontStyles FontStyles();
  std::unique_ptr<THtBrush> Brush(const THtBrushClass* AClass);
  std::unique_ptr<THtPen> Pen(const THtPenClass* APenClass);
  THtTextStyle TextStyle();
  // Path data, then the for-clip and fill-mode winding bytes.
  std::unique_ptr<THtPath> Path(const THtPathClass* APathClass);

  // Bytes left to read.
  int64_t Remaining() const { return FSize - FPos; }
  [[noreturn]] static void Damaged();

 private:
  void read(void* Buffer, size_t Count);
  TStream& FStream;
  int64_t FPos = 0, FSize = 0;
};

}  // namespace ht
