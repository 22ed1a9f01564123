// Decoding of unformatted record data: little-endian 4-byte integers and IEEE 754 doubles, taken from
// the front of a record in order. Bounds are checked on every take; values are copied, never read
// through cast pointers.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <stdexcept>

namespace seep {

static_assert(std::endian::native == std::endian::little, "record decoding assumes a little-endian host");

class ByteCursor {
 public:
  explicit ByteCursor(std::span<const std::byte> data) : data_(data) {}

  std::int32_t Int4() { return Take<std::int32_t>(); }
  double Real8() { return Take<double>(); }
  void Text(char* dst, std::size_t n) {
    Check(n);
    std::memcpy(dst, data_.data() + pos_, n);
    pos_ += n;
  }
  void Skip(std::size_t n) {
    Check(n);
    pos_ += n;
  }
  std::size_t Left() const { return data_.size() - pos_; }

 private:
  template <class T>
  T Take() {
    Check(sizeof(T));
    T v;
    std::memcpy(&v, data_.data() + pos_, sizeof(T));
    pos_ += sizeof(T);
    return v;
  }
  void Check(std::size_t n) const {
    // The reader asks the unit for every byte it decodes, so this never fires on any input.
    if (n > data_.size() - pos_) throw std::logic_error("record decoded past its kept bytes");
  }

  std::span<const std::byte> data_;
  std::size_t pos_ = 0;
};

}  // namespace seep
