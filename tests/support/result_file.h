// Builds result files of any shape for tests: framed records of any payload, segmented records,
// whole headers and steps from plain values, counts that differ from the values given, records longer
// than needed, and truncation at any byte.
//
//   ResultFile f;
//   f.Header("TITLE", {{0, 0}, {1, 0}, {1, 1}}, {{1, 2, 3, 3, 1}})
//    .Step(1, 0.5, {{0, 1.0, 2.0}, {0, 1.5, 2.5}, {1, 0, 0}}, {{0.1, 0.2}});
//   f.WriteTo("R.DAT");               // whole file
//   f.WriteTo("CUT.DAT", f.Ends()[2]);  // only the first three records
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
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
  double unused1 = 0.0, unused2 = 0.0;  // the two reals that close an element's entry in H5
};
struct NodeValues {
  std::int32_t ncode;
  double p, q;
};
struct ElementValues {
  double vx, vy;
};

// nx × ny unit squares over 0 ≤ x ≤ nx, 0 ≤ y ≤ ny: node n = (nx + 1) j + i + 1 at (i, j), element
// e = nx j + i + 1 the counterclockwise square at cell (i, j), of material 1, or 0 for the cells named
// in `inactive`.
struct SquareGrid {
  std::vector<Node> nodes;
  std::vector<Element> elements;
};
struct Cell {
  int i, j;
};
SquareGrid UnitSquares(int nx, int ny, const std::vector<Cell>& inactive = {});

// The values of a total head H(x, y) at the nodes: pressure head H − y, NCODE 0 and Q 0.
std::vector<NodeValues> HeadValues(const std::vector<Node>& nodes,
                                   const std::function<double(double, double)>& head);

// Payloads of the header and step records, without framing.
std::string TitlePayload(std::string_view title);  // blank-padded or cut to 80 characters
std::string NodesPayload(const std::vector<Node>& nodes);
std::string ElementsPayload(const std::vector<Element>& elements);
std::string StepHeaderPayload(std::int32_t istep, double time);
std::string NodeValuesPayload(const std::vector<NodeValues>& nodes);
std::string ElementValuesPayload(const std::vector<ElementValues>& elements);

// How the records that follow are framed. Applies to Record, Header and Step alike.
struct Framing {
  std::size_t surplus = 0;  // bytes (0x5A) appended to every payload, beyond what a reader needs
  std::size_t segment = 0;  // split payloads into segments of at most this many bytes; 0: one segment
};

// Counts written into H2 and H4 instead of the number of nodes and elements given.
struct Claim {
  std::optional<std::int32_t> numnp;
  std::optional<std::int32_t> numel;
};

class ResultFile {
 public:
  ResultFile& Frame(Framing framing);

  // One record: count, payload, count (or segments, see Framing).
  ResultFile& Record(std::string_view payload);
  // One record split into segments of at most `segment` bytes, every segment but the last with a
  // negative leading count, every trailing count but the first negative.
  ResultFile& SegmentedRecord(std::string_view payload, std::size_t segment);
  // Raw bytes, for damaged framing. Not counted as a record by Ends().
  ResultFile& Raw(std::string_view bytes);

  // The five header records.
  ResultFile& Header(std::string_view title, const std::vector<Node>& nodes,
                     const std::vector<Element>& elements, Claim claim = {});
  // The three records of one step.
  ResultFile& Step(std::int32_t istep, double time, const std::vector<NodeValues>& nodes,
                   const std::vector<ElementValues>& elements);

  const std::string& Bytes() const { return bytes_; }
  std::size_t Size() const { return bytes_.size(); }
  // Byte offset just after each record written by Record, SegmentedRecord, Header or Step.
  const std::vector<std::size_t>& Ends() const { return ends_; }
  // Writes the file, cut after `size` bytes when given.
  void WriteTo(const std::string& path, std::size_t size = std::string::npos) const;

 private:
  std::string bytes_;
  std::vector<std::size_t> ends_;
  Framing framing_;
};

}  // namespace seep::test
