#include "result_file.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace seep::test {

std::string Int4(std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  std::string s(4, '\0');
  for (int b = 0; b < 4; ++b) s[b] = static_cast<char>((u >> (8 * b)) & 0xFF);
  return s;
}

std::string Real8(double v) {
  std::uint64_t u;
  std::memcpy(&u, &v, 8);
  std::string s(8, '\0');
  for (int b = 0; b < 8; ++b) s[b] = static_cast<char>((u >> (8 * b)) & 0xFF);
  return s;
}

ResultFile& ResultFile::Record(std::string_view payload) {
  const std::string count = Int4(static_cast<std::int32_t>(payload.size()));
  bytes_ += count;
  bytes_ += payload;
  bytes_ += count;
  return *this;
}

ResultFile& ResultFile::SegmentedRecord(std::string_view payload, std::size_t segment) {
  std::size_t pos = 0;
  do {
    const std::size_t len = std::min(segment, payload.size() - pos);
    const bool last = pos + len == payload.size();
    const auto n = static_cast<std::int32_t>(len);
    bytes_ += Int4(last ? n : -n);
    bytes_ += payload.substr(pos, len);
    bytes_ += Int4(pos == 0 ? n : -n);
    pos += len;
  } while (pos < payload.size());
  return *this;
}

ResultFile& ResultFile::Raw(std::string_view bytes) {
  bytes_ += bytes;
  return *this;
}

ResultFile& ResultFile::Header(std::string_view title, const std::vector<Node>& nodes,
                               const std::vector<Element>& elements) {
  std::string t(title.substr(0, std::min<std::size_t>(title.size(), 80)));
  t.resize(80, ' ');
  Record(t);
  Record(Int4(static_cast<std::int32_t>(nodes.size())));
  std::string h3;
  for (const Node& n : nodes) h3 += Real8(n.x) + Real8(n.y);
  Record(h3);
  Record(Int4(static_cast<std::int32_t>(elements.size())));
  std::string h5;
  for (const Element& e : elements) {
    h5 += Int4(e.i) + Int4(e.j) + Int4(e.k) + Int4(e.l) + Int4(e.mat) + Real8(0.0) + Real8(0.0);
  }
  return Record(h5);
}

ResultFile& ResultFile::Step(std::int32_t istep, double time, const std::vector<NodeValues>& nodes,
                             const std::vector<ElementValues>& elements) {
  Record(Int4(istep) + Real8(time));
  std::string s2;
  for (const NodeValues& n : nodes) s2 += Int4(n.ncode) + Real8(n.p) + Real8(n.q);
  Record(s2);
  std::string s3;
  for (const ElementValues& e : elements) s3 += Real8(e.vx) + Real8(e.vy);
  return Record(s3);
}

void ResultFile::WriteTo(const std::string& path, std::size_t size) const {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  if (!f) throw std::runtime_error("cannot write " + path);
  f.write(bytes_.data(), static_cast<std::streamsize>(std::min(size, bytes_.size())));
}

}  // namespace seep::test
