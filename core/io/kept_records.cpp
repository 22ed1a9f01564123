#include "core/io/kept_records.h"

#include <cstring>

#include "core/io/failure.h"

namespace seep {

bool KeptRecords::MadeFrom(Inputs inputs) const {
  if (!made_ || inputs.size() != sizes_.size()) return false;
  std::size_t at = 0;
  std::size_t k = 0;
  for (const Input in : inputs) {
    if (in.size() != sizes_[k++]) return false;
    if (!in.empty() && std::memcmp(in.data(), inputs_.data() + at, in.size()) != 0) return false;
    at += in.size();
  }
  return true;
}

void KeptRecords::Begin(Inputs inputs, Io& out, int unit) {
  made_ = false;
  inputs_.clear();
  sizes_.clear();
  std::size_t total = 0;
  for (const Input in : inputs) total += in.size();
  inputs_.reserve(total);
  for (const Input in : inputs) {
    inputs_.insert(inputs_.end(), in.begin(), in.end());
    sizes_.push_back(in.size());
  }
  out.UseProcessors(1);
  out.CountWarnings();
  out.OpenMemoryUnit(unit, "kept records");
}

void KeptRecords::RoomForAll(Io& out, int unit, std::int64_t items) {
  Unit& u = *out.OutputUnit(unit);
  const std::size_t each = u.outLen;
  // Room for a few records more than the estimate, and none at all for an estimate out of reach.
  constexpr std::size_t kMost = std::size_t{1} << 30;
  if (each == 0 || static_cast<std::uint64_t>(items) + 4 > kMost / each) return;
  const std::size_t room = each * (static_cast<std::size_t>(items) + 4);
  if (room > u.out.size()) u.out.resize(room);
}

void KeptRecords::End(Io& out, int unit, std::int32_t first, std::int32_t last) {
  Unit& u = *out.OutputUnit(unit);
  auto text = std::make_shared<std::vector<char>>();
  text->swap(u.out);
  data_ = text->data();
  text_ = std::move(text);
  size_ = u.outLen;
  out.CloseUnit(unit);
  warnings_ = out.WarningCount();
  first_ = first;
  width_ = -1;
  made_ = true;
  // One record of one length for every item: its line end at the same place in each.
  const std::size_t items = last >= first ? static_cast<std::size_t>(last - first) + 1 : 0;
  const char* end = static_cast<const char*>(std::memchr(data_, '\n', size_));
  if (warnings_ != 0 || items == 0 || end == nullptr) return;
  const std::size_t stride = static_cast<std::size_t>(end - data_) + 1;
  if (stride < 2 || stride * items != size_) return;
  for (std::size_t k = stride; k <= size_; k += stride) {
    if (data_[k - 2] != '\r' || data_[k - 1] != '\n' ||
        std::memchr(data_ + k - stride, '\n', stride - 1) != nullptr)
      return;
  }
  width_ = static_cast<int>(stride - 2);
}

void KeptRecords::Write(Io& io, int unit) const {
  if (size_ > 0) io.PutShared(unit, text_, size_);
  for (std::int64_t w = 0; w < warnings_; ++w) io.Warn(kErrOutputConversion, unit);
}

}  // namespace seep
