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

std::string TitlePayload(std::string_view title) {
  std::string t(title.substr(0, std::min<std::size_t>(title.size(), 80)));
  t.resize(80, ' ');
  return t;
}

std::string NodesPayload(const std::vector<Node>& nodes) {
  std::string s;
  for (const Node& n : nodes) s += Real8(n.x) + Real8(n.y);
  return s;
}

std::string ElementsPayload(const std::vector<Element>& elements) {
  std::string s;
  for (const Element& e : elements) {
    s += Int4(e.i) + Int4(e.j) + Int4(e.k) + Int4(e.l) + Int4(e.mat) + Real8(e.unused1) + Real8(e.unused2);
  }
  return s;
}

std::string StepHeaderPayload(std::int32_t istep, double time) {
  return Int4(istep) + Real8(time);
}

std::string NodeValuesPayload(const std::vector<NodeValues>& nodes) {
  std::string s;
  for (const NodeValues& n : nodes) s += Int4(n.ncode) + Real8(n.p) + Real8(n.q);
  return s;
}

std::string ElementValuesPayload(const std::vector<ElementValues>& elements) {
  std::string s;
  for (const ElementValues& e : elements) s += Real8(e.vx) + Real8(e.vy);
  return s;
}

ResultFile& ResultFile::Frame(Framing framing) {
  framing_ = framing;
  return *this;
}

ResultFile& ResultFile::Record(std::string_view payload) {
  std::string data(payload);
  data.append(framing_.surplus, '\x5A');
  if (framing_.segment > 0) return SegmentedRecord(data, framing_.segment);
  const std::string count = Int4(static_cast<std::int32_t>(data.size()));
  bytes_ += count;
  bytes_ += data;
  bytes_ += count;
  ends_.push_back(bytes_.size());
  return *this;
}

ResultFile& ResultFile::SegmentedRecord(std::string_view payload, std::size_t segment) {
  if (segment == 0) throw std::invalid_argument("segment size 0");
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
  ends_.push_back(bytes_.size());
  return *this;
}

ResultFile& ResultFile::Raw(std::string_view bytes) {
  bytes_ += bytes;
  return *this;
}

ResultFile& ResultFile::Header(std::string_view title, const std::vector<Node>& nodes,
                               const std::vector<Element>& elements, Claim claim) {
  Record(TitlePayload(title));
  Record(Int4(claim.numnp.value_or(static_cast<std::int32_t>(nodes.size()))));
  Record(NodesPayload(nodes));
  Record(Int4(claim.numel.value_or(static_cast<std::int32_t>(elements.size()))));
  return Record(ElementsPayload(elements));
}

ResultFile& ResultFile::Step(std::int32_t istep, double time, const std::vector<NodeValues>& nodes,
                             const std::vector<ElementValues>& elements) {
  Record(StepHeaderPayload(istep, time));
  Record(NodeValuesPayload(nodes));
  return Record(ElementValuesPayload(elements));
}

void ResultFile::WriteTo(const std::string& path, std::size_t size) const {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  if (!f) throw std::runtime_error("cannot write " + path);
  f.write(bytes_.data(), static_cast<std::streamsize>(std::min(size, bytes_.size())));
  if (!f) throw std::runtime_error("cannot write " + path);
}

SquareGrid UnitSquares(int nx, int ny, const std::vector<Cell>& inactive) {
  SquareGrid g;
  for (int j = 0; j <= ny; ++j) {
    for (int i = 0; i <= nx; ++i) g.nodes.push_back({double(i), double(j)});
  }
  for (int j = 0; j < ny; ++j) {
    for (int i = 0; i < nx; ++i) {
      const int a = j * (nx + 1) + i + 1;
      const bool off =
          std::any_of(inactive.begin(), inactive.end(), [&](Cell c) { return c.i == i && c.j == j; });
      g.elements.push_back({a, a + 1, a + nx + 2, a + nx + 1, off ? 0 : 1});
    }
  }
  return g;
}

std::vector<NodeValues> HeadValues(const std::vector<Node>& nodes,
                                   const std::function<double(double, double)>& head) {
  std::vector<NodeValues> values;
  values.reserve(nodes.size());
  for (const Node& n : nodes) values.push_back({0, head(n.x, n.y) - n.y, 0.0});
  return values;
}

}  // namespace seep::test
