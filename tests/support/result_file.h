// Builds result files of any shape for tests: framed records of any payload, segmented records,
// whole headers and steps from plain values, truncation at any byte.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace seep::test {

// Little-endian encodings of the record items.
std::string Int4(std::int32_t v);
std::string Real8(double v);

struct Node {
  double x, y;
};
struct Element {
  std::int32_t i, j, k, l, mat;
};
struct NodeValues {
  std::int32_t ncode;
  double p, q;
};
struct ElementValues {
  double vx, vy;
};

class ResultFile {
 public:
  // One record: count, payload, count.
  ResultFile& Record(std::string_view payload);
  // One record split into segments of at most `segment` bytes, every segment but the last with a
  // negative leading count.
  ResultFile& SegmentedRecord(std::string_view payload, std::size_t segment);
  // Raw bytes, for damaged framing.
  ResultFile& Raw(std::string_view bytes);

  // The five header records. The title is blank-padded or cut to 80 characters.
  ResultFile& Header(std::string_view title, const std::vector<Node>& nodes,
                     const std::vector<Element>& elements);
  // The three records of one step.
  ResultFile& Step(std::int32_t istep, double time, const std::vector<NodeValues>& nodes,
                   const std::vector<ElementValues>& elements);

  const std::string& Bytes() const { return bytes_; }
  // Writes the file, cut after `size` bytes when given.
  void WriteTo(const std::string& path, std::size_t size = std::string::npos) const;

 private:
  std::string bytes_;
};

}  // namespace seep::test
