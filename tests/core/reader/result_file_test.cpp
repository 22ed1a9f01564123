// Reading the result file into the store: header, steps, the end test, records of every framing,
// truncation at every byte and counts that the records do not bear out.
#include "core/reader/result_file.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "support/io_harness.h"
#include "support/result_file.h"

namespace seep {
namespace {

using test::Element;
using test::ElementValues;
using test::Node;
using test::NodeValues;
using test::ResultFile;

constexpr const char* kEndOfFile = "forrtl: severe (24): end-of-file during read, unit 10, file R.DAT";
constexpr const char* kTooMuchData =
    "forrtl: severe (67): input statement requires too much data, unit 10, file R.DAT";

// A result file written as R.DAT (cut after `size` bytes) in a fresh directory and opened as unit 10.
struct Reading {
  test::Scratch dir{test::Scratch::kEnter};
  test::ConsoleIo con;
  Store s;

  explicit Reading(const ResultFile& f, std::size_t size = std::string::npos) {
    f.WriteTo("R.DAT", size);
    result::Open(con.io(), "R.DAT");
  }
  void Header() { result::ReadHeader(con.io(), s); }
  bool Step(bool velocities = true) { return result::ReadStep(con.io(), s, nullptr, velocities); }
  bool AtEnd() { return result::AtEnd(con.io()); }
  // Reads the header and every step (passing over the velocities when not `velocities`); the report
  // line of the failure that ends it, or "no failure".
  std::string ReadAll(int& steps, bool velocities = true) {
    steps = 0;
    return test::FailureLine([&] {
      Header();
      while (Step(velocities)) ++steps;
    });
  }
  // The same through the index pass: the header, then SkipStep to the end; the steps' numbers and
  // times and where each began go into `index`.
  std::string SkipAll(std::vector<std::tuple<std::int32_t, double, std::uint64_t>>& index) {
    index.clear();
    return test::FailureLine([&] {
      Header();
      for (std::uint64_t at = con.io().Position(result::kUnit); result::SkipStep(con.io(), s);
           at = con.io().Position(result::kUnit))
        index.emplace_back(s.ISTEP, s.TIME, at);
    });
  }
};

// Reads the file as a whole, passing over the velocities, and through the index pass, each in a fresh
// scratch folder: the same failure and the same steps, and velocities passed over stay as they were.
// Returns how many steps were read.
int ExpectSkippingAnswersAsReading(const ResultFile& f, std::size_t cut, const std::string& outcome) {
  int steps = 0;
  {
    Reading r(f, cut);
    EXPECT_EQ(r.ReadAll(steps), outcome);
  }
  {
    Reading r(f, cut);
    int withoutVelocities = 0;
    EXPECT_EQ(r.ReadAll(withoutVelocities, false), outcome);
    EXPECT_EQ(withoutVelocities, steps);
    for (std::int32_t e = 1; e <= r.s.NUMEL; ++e) EXPECT_TRUE(r.s.VXE(e) == 0.0 && r.s.VYE(e) == 0.0);
  }
  Reading r(f, cut);
  std::vector<std::tuple<std::int32_t, double, std::uint64_t>> index;
  EXPECT_EQ(r.SkipAll(index), outcome);
  EXPECT_EQ(index.size(), static_cast<std::size_t>(steps));
  return steps;
}

// The store's contents in the builder's encodings, for byte-exact comparison with what was written.
std::string StoredNodes(const Store& s) {
  std::vector<Node> v;
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) v.push_back({s.X(n), s.Y(n)});
  return test::NodesPayload(v);
}
std::string StoredNodeValues(const Store& s) {
  std::vector<NodeValues> v;
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) v.push_back({s.NCODE(n), s.P(n), s.Q(n)});
  return test::NodeValuesPayload(v);
}
std::string StoredElementValues(const Store& s) {
  std::vector<ElementValues> v;
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) v.push_back({s.VXE(e), s.VYE(e)});
  return test::ElementValuesPayload(v);
}
using Corners = std::vector<std::array<std::int32_t, 5>>;
Corners StoredElements(const Store& s) {
  Corners v;
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    v.push_back({s.ELEM(e, kI), s.ELEM(e, kJ), s.ELEM(e, kK), s.ELEM(e, kL), s.ELEM(e, kMAT)});
  }
  return v;
}
Corners CornersOf(const std::vector<Element>& elements) {
  Corners v;
  for (const Element& e : elements) v.push_back({e.i, e.j, e.k, e.l, e.mat});
  return v;
}

// One quadrilateral, one triangle (L = K) and one inactive element; two steps.
struct Mesh {
  std::string title = "SEEPAGE UNDER A DAM  case 3";
  std::vector<Node> nodes{{0.0, 0.0}, {1.0, 0.0}, {1.0, 1.0}, {-0.0, 1.0}, {2.0, 0.5}};
  std::vector<Element> elements{{1, 2, 3, 4, 1, 0.25, -0.5}, {2, 5, 3, 3, 2, 7.0, 8.0}, {4, 3, 5, 5, 0}};
  std::vector<NodeValues> nv1{
      {1, 1.5, 0.125}, {0, -2.25, 0.0}, {2, 3.0e-7, -1.0}, {0, 0.0, 4.0}, {1, 1e10, 2.0}};
  std::vector<ElementValues> ev1{{0.5, -0.5}, {1.0e-3, 2.0e-3}, {-7.0, 7.0}};
  std::vector<NodeValues> nv2{{5, 9.0, 8.0}, {6, 7.0, 6.0}, {7, 5.0, 4.0}, {8, 3.0, 2.0}, {9, 1.0, 0.0}};
  std::vector<ElementValues> ev2{{1.0, 2.0}, {3.0, 4.0}, {5.0, 6.0}};

  ResultFile File(test::Framing framing = {}) const {
    ResultFile f;
    f.Frame(framing).Header(title, nodes, elements).Step(10, 0.5, nv1, ev1).Step(20, 1.75, nv2, ev2);
    return f;
  }
};

TEST(Reader, HeaderAndStepsReadBackExactlyWhateverTheFraming) {
  const Mesh m;
  // Records longer than needed (surplus bytes after the values) and records split into segments.
  const test::Framing framings[] = {{0, 0}, {1, 0}, {13, 0}, {3000, 0}, {0, 1}, {0, 7}, {5, 16}, {0, 80}};
  for (const test::Framing& framing : framings) {
    SCOPED_TRACE("surplus " + std::to_string(framing.surplus) + " segment " +
                 std::to_string(framing.segment));
    Reading r(m.File(framing));
    r.Header();
    EXPECT_EQ(std::string(r.s.TITLE.data(), 80), test::TitlePayload(m.title));
    EXPECT_EQ(r.s.NUMNP, 5);
    EXPECT_EQ(r.s.NUMEL, 3);
    EXPECT_EQ(StoredNodes(r.s), test::NodesPayload(m.nodes));
    EXPECT_EQ(StoredElements(r.s), CornersOf(m.elements));
    ASSERT_TRUE(r.Step());
    EXPECT_FALSE(r.AtEnd());
    EXPECT_EQ(r.s.ISTEP, 10);
    EXPECT_EQ(r.s.TIME, 0.5);
    EXPECT_EQ(StoredNodeValues(r.s), test::NodeValuesPayload(m.nv1));
    EXPECT_EQ(StoredElementValues(r.s), test::ElementValuesPayload(m.ev1));
    ASSERT_TRUE(r.Step());
    EXPECT_TRUE(r.AtEnd());
    EXPECT_TRUE(r.AtEnd());
    EXPECT_EQ(r.s.ISTEP, 20);
    EXPECT_EQ(r.s.TIME, 1.75);
    EXPECT_EQ(StoredNodeValues(r.s), test::NodeValuesPayload(m.nv2));
    EXPECT_EQ(StoredElementValues(r.s), test::ElementValuesPayload(m.ev2));
    EXPECT_FALSE(r.Step());
  }
}

TEST(Reader, HeaderWithoutStepsLeavesTheStepValuesZero) {
  const Mesh m;
  Reading r(ResultFile{}.Header(m.title, m.nodes, m.elements));
  r.Header();
  EXPECT_TRUE(r.AtEnd());
  EXPECT_FALSE(r.Step());
  EXPECT_EQ(r.s.ISTEP, 0);
  EXPECT_EQ(r.s.TIME, 0.0);
  EXPECT_EQ(StoredNodeValues(r.s), std::string(5 * 20, '\0'));
  EXPECT_EQ(StoredElementValues(r.s), std::string(3 * 16, '\0'));
}

TEST(Reader, AtEndIsTrueOnlyAfterTheLastStepAndStepNumbersMayRepeat) {
  const Mesh m;
  Reading r(m.File().Step(10, 0.5, m.nv2, m.ev2));
  r.Header();
  std::vector<std::int32_t> steps;
  std::vector<bool> atEnd;
  while (r.Step()) {
    steps.push_back(r.s.ISTEP);
    atEnd.push_back(r.AtEnd());
  }
  EXPECT_EQ(steps, (std::vector<std::int32_t>{10, 20, 10}));
  EXPECT_EQ(atEnd, (std::vector<bool>{false, false, true}));
  EXPECT_EQ(StoredNodeValues(r.s), test::NodeValuesPayload(m.nv2));
}

TEST(Reader, CountsOfZeroOrLessGiveEmptyListsButEveryRecordIsStillRead) {
  const Mesh m;
  for (std::int32_t count : {0, -5}) {
    SCOPED_TRACE(count);
    // The records behind the counts hold entries all the same; they are skipped.
    ResultFile f;
    f.Header(m.title, m.nodes, m.elements, {.numnp = std::nullopt, .numel = count})
        .Step(4, 3.0, m.nv1, m.ev1);
    f.Header(m.title, m.nodes, m.elements, {.numnp = count, .numel = count}).Step(5, 4.0, m.nv1, m.ev1);
    Reading r(f);
    r.Header();
    EXPECT_EQ(r.s.NUMEL, count);
    EXPECT_EQ(r.s.ELEM.Rows(), 0);
    EXPECT_EQ(r.s.VXE.Size(), 0);
    ASSERT_TRUE(r.Step());
    EXPECT_EQ(StoredNodeValues(r.s), test::NodeValuesPayload(m.nv1));
    r.Header();  // the second header, read as the next five records
    EXPECT_EQ(r.s.NUMNP, count);
    EXPECT_EQ(r.s.X.Size(), 0);
    ASSERT_TRUE(r.Step());
    EXPECT_EQ(r.s.ISTEP, 5);
    EXPECT_EQ(r.s.TIME, 4.0);
    EXPECT_TRUE(r.AtEnd());
  }
}

TEST(Reader, RecordsShorterThanTheirListAreErrorSixtySeven) {
  using test::Int4;
  const Mesh m;
  const ResultFile header = ResultFile{}.Header(m.title, m.nodes, m.elements);
  const ResultFile cases[] = {
      ResultFile{}.Record(std::string(79, 'T')),
      ResultFile{}.Record(test::TitlePayload("")).Record(std::string("\x05\0\0", 3)),
      ResultFile{}
          .Record(test::TitlePayload(""))
          .Record(Int4(0))
          .Record("")
          .Record(Int4(1))
          .Record(Int4(1) + Int4(2) + Int4(3) + Int4(3) + Int4(1)),  // an element without its two reals
      ResultFile(header).Record(Int4(1)).Record("").Record(""),      // a step header without its time
      ResultFile(header)
          .Record(test::StepHeaderPayload(1, 0))
          .Record(test::NodeValuesPayload(m.nv1).substr(0, 99)),
      ResultFile(header)
          .Record(test::StepHeaderPayload(1, 0))
          .Record(test::NodeValuesPayload(m.nv1))
          .Record(test::ElementValuesPayload({{1, 2}, {3, 4}})),
  };
  for (const ResultFile& f : cases) {
    SCOPED_TRACE(f.Size());
    ExpectSkippingAnswersAsReading(f, std::string::npos, kTooMuchData);
  }
}

// Counts that claim more entries than the record holds fail before the store is sized for them, and
// the store never claims more entries than its arrays hold.
TEST(Reader, CountsBeyondTheRecordAreRefusedBeforeTheStoreIsSized) {
  const Mesh m;
  for (std::int32_t claim : {6, 44445, 1 << 28, std::numeric_limits<std::int32_t>::max()}) {
    SCOPED_TRACE(claim);
    for (const test::Claim c : {test::Claim{.numnp = claim, .numel = std::nullopt},
                                test::Claim{.numnp = std::nullopt, .numel = claim}}) {
      Reading r(ResultFile{}.Header(m.title, m.nodes, m.elements, c));
      EXPECT_EQ(test::FailureLine([&] { r.Header(); }), kTooMuchData);
      EXPECT_LE(r.s.NUMNP, r.s.X.Size());
      EXPECT_LE(r.s.NUMNP, r.s.P.Size());
      EXPECT_LE(r.s.NUMEL, r.s.ELEM.Rows());
      EXPECT_LE(r.s.NUMEL, r.s.VXE.Size());
      EXPECT_LE(r.s.X.Size() + r.s.ELEM.Rows(), 5);
    }
  }
}

// Cut the file at every byte. Within the header or a step: error 24. Exactly between step groups
// (or right after the header): the steps before the cut are read and the next ReadStep answers false.
TEST(Reader, EveryCutIsACleanEndOrErrorTwentyFour) {
  const Mesh m;
  for (const test::Framing framing : {test::Framing{0, 0}, test::Framing{3, 7}}) {
    const ResultFile f = m.File(framing);
    const std::vector<std::size_t>& ends = f.Ends();  // H1..H5, then S1, S2, S3 twice
    ASSERT_EQ(ends.size(), 11u);
    for (std::size_t cut = 0; cut < f.Size(); ++cut) {
      SCOPED_TRACE("cut " + std::to_string(cut) + " segment " + std::to_string(framing.segment));
      const std::string outcome = cut == ends[4] || cut == ends[7] ? "no failure" : kEndOfFile;
      EXPECT_EQ(ExpectSkippingAnswersAsReading(f, cut, outcome), cut >= ends[7] ? 1 : 0);
    }
  }
}

// The index pass gives each step's number, time and place; a step read at its place, in any order,
// holds what reading in turn gives.
TEST(Reader, StepsReadAtTheirIndexedPlaceInAnyOrder) {
  const Mesh m;
  for (const test::Framing framing : {test::Framing{0, 0}, test::Framing{3, 7}}) {
    Reading r(m.File(framing));
    std::vector<std::tuple<std::int32_t, double, std::uint64_t>> index;
    ASSERT_EQ(r.SkipAll(index), "no failure");
    ASSERT_EQ(index.size(), 2u);
    EXPECT_EQ(std::get<0>(index[1]), 20);
    EXPECT_EQ(std::get<1>(index[1]), 1.75);
    for (const int i : {1, 0, 1}) {
      r.con.io().SeekUnit(result::kUnit, std::get<2>(index[i]));
      ASSERT_TRUE(r.Step());
      EXPECT_EQ(r.s.ISTEP, std::get<0>(index[i]));
      EXPECT_TRUE(StoredNodeValues(r.s) == test::NodeValuesPayload(i == 0 ? m.nv1 : m.nv2));
      EXPECT_TRUE(StoredElementValues(r.s) == test::ElementValuesPayload(i == 0 ? m.ev1 : m.ev2));
    }
  }
}

// Large meshes: values that differ per entry, compared byte for byte.
void ExpectLargeMeshReadsBack(std::int32_t numnp, std::int32_t numel) {
  std::vector<Node> nodes(numnp);
  std::vector<NodeValues> nv(numnp);
  for (std::int32_t n = 0; n < numnp; ++n) {
    nodes[n] = {n * 0.5 + 0.1, -n / 3.0};
    nv[n] = {n % 7 - 3, n * 1e-3, 1.0 / (n + 1)};
  }
  std::vector<Element> elements(numel);
  std::vector<ElementValues> ev(numel);
  for (std::int32_t e = 0; e < numel; ++e) {
    elements[e] = {e + 1, e + 2, e + 3, (e % 2) ? e + 3 : e + 4, e % 5 - 1, e * 2.0, -e * 2.0};
    ev[e] = {e / 7.0, -e * 1e5};
  }
  Reading r(ResultFile{}.Header("LARGE", nodes, elements).Step(1, 0.25, nv, ev).Step(2, 0.5, nv, ev));
  r.Header();
  ASSERT_EQ(r.s.NUMNP, numnp);
  ASSERT_EQ(r.s.NUMEL, numel);
  EXPECT_TRUE(StoredNodes(r.s) == test::NodesPayload(nodes));
  EXPECT_TRUE(StoredElements(r.s) == CornersOf(elements));
  for (int step = 1; step <= 2; ++step) {
    ASSERT_TRUE(r.Step());
    EXPECT_EQ(r.s.ISTEP, step);
    EXPECT_TRUE(StoredNodeValues(r.s) == test::NodeValuesPayload(nv));
    EXPECT_TRUE(StoredElementValues(r.s) == test::ElementValuesPayload(ev));
  }
  EXPECT_TRUE(r.AtEnd());
  EXPECT_FALSE(r.Step());
}

TEST(Reader, MeshOfExactlyTheStoreLimitReadsBack) {
  ExpectLargeMeshReadsBack(44444, 44444);
}

TEST(Reader, MeshBeyondTheStoreLimitReadsBack) {
  ExpectLargeMeshReadsBack(60000, 70000);
}

}  // namespace
}  // namespace seep
