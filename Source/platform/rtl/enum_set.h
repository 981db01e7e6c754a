#pragma once
// A set of values of a small plain enumeration stored as a bit mask (bit n for
// the n-th value), for the one-byte and four-byte sets of the drawing surface
// (font styles, canvas flags, text-run flags).
#include <cstdint>
#include <initializer_list>

namespace ht {

template <class E, class Bits>
class TEnumSet {
 public:
  constexpr TEnumSet() = default;
  constexpr TEnumSet(std::initializer_list<E> values) {
    for (E e : values) bits_ |= bit(e);
  }
  static constexpr TEnumSet FromBits(Bits b) {
    TEnumSet s;
    s.bits_ = b;
    return s;
  }
  constexpr Bits ToBits() const { return bits_; }

  constexpr bool Contains(E e) const { return (bits_ & bit(e)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr TEnumSet& Include(E e) {
    bits_ |= bit(e);
    return *this;
  }
  constexpr TEnumSet& Exclude(E e) {
    bits_ &= Bits(~bit(e));
    return *this;
  }

  friend constexpr TEnumSet operator+(TEnumSet a, TEnumSet b) { return FromBits(Bits(a.bits_ | b.bits_)); }
  friend constexpr TEnumSet operator*(TEnumSet a, TEnumSet b) { return FromBits(Bits(a.bits_ & b.bits_)); }
  friend constexpr TEnumSet operator-(TEnumSet a, TEnumSet b) { return FromBits(Bits(a.bits_ & ~b.bits_)); }
  friend constexpr bool operator==(TEnumSet a, TEnumSet b) { return a.bits_ == b.bits_; }

 private:
  static constexpr Bits bit(E e) { return Bits(Bits(1) << unsigned(e)); }
  Bits bits_ = 0;
};

}  // namespace ht
