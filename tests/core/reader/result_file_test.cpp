// Reading the result file into the store: header, steps, the end test, records of every framing,
// truncation at every byte and counts that the records do not bear out.
#include "core/reader/result_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "support/io_harness.h"
#include "support/result_file.h"

namespace seep {
namespace {

using test::ConsoleIo;
using test::Element;
using test::ElementValues;
using test::FailureLine;
using test::Node;
using test::NodeValues;
using test::ResultFile;
using test::WorkDir;

constexpr const char* kEndOfFile = "forrtl: severe (24): end-of-file during read, unit 10, file R.DAT";
constexpr const char* kTooMuchData =
    "forrtl: severe (67): input statement requires too much data, unit 10, file R.DAT";

void SetName(Store& s, std::string_view name) {
  s.FNAME.fill(' ');
  name.copy(s.FNAME.data(), s.FNAME.size());
}

// A mesh of one quadrilateral, one triangle (L = K) and one inactive element, and two steps.
struct Mesh {
  std::string title = "SEEPAGE UNDER A DAM  case 3";
  std::vector<Node> nodes{{0.0, 0.0}, {1.0, 0.0}, {1.0, 1.0}, {0.0, 1.0}, {2.0, 0.5}};
  std::vector<Element> elements{{1, 2, 3, 4, 1, 0.25, -0.5}, {2, 5, 3, 3, 2, 7.0, 8.0}, {4, 3, 5, 5, 0}};
  std::vector<NodeValues> step1{
      {1, 1.5, 0.125}, {0, -2.25, 0.0}, {2, 3.0e-7, -1.0}, {0, 0.0, 4.0}, {1, 1e10, 2.0}};
  std::vector<ElementValues> vel1{{0.5, -0.5}, {1.0e-3, 2.0e-3}, {-7.0, 7.0}};
  std::vector<NodeValues> step2{{5, 9.0, 8.0}, {6, 7.0, 6.0}, {7, 5.0, 4.0}, {8, 3.0, 2.0}, {9, 1.0, 0.0}};
  std::vector<ElementValues> vel2{{1.0, 2.0}, {3.0, 4.0}, {5.0, 6.0}};

  ResultFile File(test::Framing framing = {}) const {
    ResultFile f;
    f.Frame(framing).Header(title, nodes, elements).Step(10, 0.5, step1, vel1).Step(20, 1.75, step2, vel2);
    return f;
  }
};

void ExpectHeader(const Store& s, const Mesh& m) {
  std::string title = m.title;
  title.resize(80, ' ');
  EXPECT_EQ(std::string(s.TITLE.data(), 80), title);
  ASSERT_EQ(s.NUMNP, static_cast<std::int32_t>(m.nodes.size()));
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) {
    EXPECT_EQ(s.X(n), m.nodes[n - 1].x) << n;
    EXPECT_EQ(s.Y(n), m.nodes[n - 1].y) << n;
  }
  ASSERT_EQ(s.NUMEL, static_cast<std::int32_t>(m.elements.size()));
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    const Element& x = m.elements[e - 1];
    EXPECT_EQ((std::vector<std::int32_t>{s.ELEM(e, kI), s.ELEM(e, kJ), s.ELEM(e, kK), s.ELEM(e, kL),
                                         s.ELEM(e, kMAT)}),
              (std::vector<std::int32_t>{x.i, x.j, x.k, x.l, x.mat}))
        << e;
  }
}

void ExpectStep(const Store& s, std::int32_t istep, double time, const std::vector<NodeValues>& nv,
                const std::vector<ElementValues>& ev) {
  EXPECT_EQ(s.ISTEP, istep);
  EXPECT_EQ(s.TIME, time);
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) {
    EXPECT_EQ(s.NCODE(n), nv[n - 1].ncode) << n;
    EXPECT_EQ(s.P(n), nv[n - 1].p) << n;
    EXPECT_EQ(s.Q(n), nv[n - 1].q) << n;
  }
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
    EXPECT_EQ(s.VXE(e), ev[e - 1].vx) << e;
    EXPECT_EQ(s.VYE(e), ev[e - 1].vy) << e;
  }
}

class Reader : public ::testing::Test {
 protected:
  void Open(const ResultFile& f, std::size_t size = std::string::npos) {
    f.WriteTo("R.DAT", size);
    SetName(s_, "R.DAT");
    result::Open(io(), s_);
  }
  Io& io() { return con_.io(); }

  WorkDir dir_;
  ConsoleIo con_;
  Store s_;
};

TEST_F(Reader, HeaderAndStepsReadBackExactlyWhateverTheFraming) {
  const Mesh m;
  const test::Framing framings[] = {{0, 0}, {1, 0}, {13, 0}, {3000, 0}, {0, 1}, {0, 7}, {5, 16}, {0, 80}};
  for (const test::Framing& framing : framings) {
    SCOPED_TRACE("surplus " + std::to_string(framing.surplus) + " segment " +
                 std::to_string(framing.segment));
    WorkDir dir;
    ConsoleIo con;
    Store s;
    m.File(framing).WriteTo("R.DAT");
    SetName(s, "R.DAT");
    result::Open(con.io(), s);
    result::ReadHeader(con.io(), s);
    ExpectHeader(s, m);
    ASSERT_TRUE(result::ReadStep(con.io(), s));
    EXPECT_FALSE(result::AtEnd(con.io()));
    ExpectStep(s, 10, 0.5, m.step1, m.vel1);
    ASSERT_TRUE(result::ReadStep(con.io(), s));
    EXPECT_TRUE(result::AtEnd(con.io()));
    EXPECT_TRUE(result::AtEnd(con.io()));
    ExpectStep(s, 20, 1.75, m.step2, m.vel2);
    EXPECT_FALSE(result::ReadStep(con.io(), s));
  }
}

TEST_F(Reader, HeaderWithoutStepsLeavesTheStepValuesZero) {
  const Mesh m;
  ResultFile f;
  f.Header(m.title, m.nodes, m.elements);
  Open(f);
  result::ReadHeader(io(), s_);
  ExpectHeader(s_, m);
  EXPECT_TRUE(result::AtEnd(io()));
  EXPECT_FALSE(result::ReadStep(io(), s_));
  EXPECT_EQ(s_.ISTEP, 0);
  EXPECT_EQ(s_.TIME, 0.0);
  for (std::int32_t n = 1; n <= s_.NUMNP; ++n) {
    EXPECT_EQ(s_.NCODE(n), 0);
    EXPECT_EQ(s_.P(n), 0.0);
    EXPECT_EQ(s_.Q(n), 0.0);
  }
  for (std::int32_t e = 1; e <= s_.NUMEL; ++e) {
    EXPECT_EQ(s_.VXE(e), 0.0);
    EXPECT_EQ(s_.VYE(e), 0.0);
  }
}

TEST_F(Reader, AtEndIsTrueOnlyAfterTheLastStep) {
  const Mesh m;
  ResultFile f = m.File();
  f.Step(30, 2.0, m.step1, m.vel1);
  Open(f);
  result::ReadHeader(io(), s_);
  std::vector<bool> atEnd;
  while (result::ReadStep(io(), s_)) atEnd.push_back(result::AtEnd(io()));
  EXPECT_EQ(atEnd, (std::vector<bool>{false, false, true}));
  EXPECT_EQ(s_.ISTEP, 30);
}

TEST_F(Reader, StepsWithTheSameNumberAreReadInFileOrder) {
  const Mesh m;
  ResultFile f;
  f.Header(m.title, m.nodes, m.elements).Step(7, 1.0, m.step1, m.vel1).Step(7, 1.0, m.step2, m.vel2);
  Open(f);
  result::ReadHeader(io(), s_);
  ASSERT_TRUE(result::ReadStep(io(), s_));
  ExpectStep(s_, 7, 1.0, m.step1, m.vel1);
  ASSERT_TRUE(result::ReadStep(io(), s_));
  ExpectStep(s_, 7, 1.0, m.step2, m.vel2);
  EXPECT_FALSE(result::ReadStep(io(), s_));
}

TEST_F(Reader, LongerRecordsThanNeededAreSkippedToTheNextRecord) {
  // NUMNP followed by further values, and a step header with more than step number and time.
  const Mesh m;
  ResultFile f;
  f.Record(test::TitlePayload(m.title) + "more text")
      .Record(test::Int4(5) + test::Int4(99) + test::Real8(1.0))
      .Record(test::NodesPayload(m.nodes) + test::Real8(123.0))
      .Record(test::Int4(3) + test::Int4(-1))
      .Record(test::ElementsPayload(m.elements) + test::Int4(77))
      .Record(test::StepHeaderPayload(10, 0.5) + test::Int4(11))
      .Record(test::NodeValuesPayload(m.step1) + std::string(20, 'x'))
      .Record(test::ElementValuesPayload(m.vel1) + std::string(16, 'y'));
  Open(f);
  result::ReadHeader(io(), s_);
  ExpectHeader(s_, m);
  ASSERT_TRUE(result::ReadStep(io(), s_));
  ExpectStep(s_, 10, 0.5, m.step1, m.vel1);
  EXPECT_TRUE(result::AtEnd(io()));
}

TEST_F(Reader, NoElementsStillReadsAndSkipsEveryElementRecord) {
  const Mesh m;
  ResultFile f;
  f.Header(m.title, m.nodes, {}).Step(1, 0.5, m.step1, {});
  f.Frame({12, 0}).Step(2, 1.5, m.step2, {});  // the S3 records are not empty
  Open(f);
  result::ReadHeader(io(), s_);
  EXPECT_EQ(s_.NUMEL, 0);
  EXPECT_EQ(s_.ELEM.Rows(), 0);
  EXPECT_EQ(s_.VXE.Size(), 0);
  ASSERT_TRUE(result::ReadStep(io(), s_));
  ExpectStep(s_, 1, 0.5, m.step1, {});
  ASSERT_TRUE(result::ReadStep(io(), s_));
  ExpectStep(s_, 2, 1.5, m.step2, {});
  EXPECT_FALSE(result::ReadStep(io(), s_));
}

TEST_F(Reader, CountsOfZeroOrLessGiveEmptyListsButEveryRecordIsStillRead) {
  const Mesh m;
  ResultFile f;
  f.Header(m.title, m.nodes, m.elements, {.numnp = -5, .numel = 0}).Step(4, 3.0, m.step1, m.vel1);
  Open(f);
  result::ReadHeader(io(), s_);
  EXPECT_EQ(s_.NUMNP, -5);
  EXPECT_EQ(s_.NUMEL, 0);
  EXPECT_EQ(s_.X.Size(), 0);
  EXPECT_EQ(s_.ELEM.Rows(), 0);
  ASSERT_TRUE(result::ReadStep(io(), s_));
  EXPECT_EQ(s_.ISTEP, 4);
  EXPECT_EQ(s_.TIME, 3.0);
  EXPECT_TRUE(result::AtEnd(io()));
}

TEST_F(Reader, MissingFileIsErrorTwentyNine) {
  SetName(s_, "NONE.DAT");
  EXPECT_EQ(FailureLine([&] { result::Open(io(), s_); }),
            "forrtl: severe (29): file not found, unit 10, file NONE.DAT");
}

TEST_F(Reader, RecordsShorterThanTheirListAreErrorSixtySeven) {
  const Mesh m;
  struct Case {
    const char* name;
    ResultFile file;
  };
  std::vector<Case> cases;
  cases.push_back({"title of 79 bytes", ResultFile{}.Record(std::string(79, 'T'))});
  cases.push_back({"empty node count", ResultFile{}.Record(test::TitlePayload("")).Record("")});
  cases.push_back({"one node short",
                   ResultFile{}.Header(m.title, m.nodes, m.elements, {.numnp = 6, .numel = std::nullopt})});
  cases.push_back({"one element short",
                   ResultFile{}.Header(m.title, m.nodes, m.elements, {.numnp = std::nullopt, .numel = 4})});
  cases.push_back(
      {"element without its two reals",
       ResultFile{}
           .Record(test::TitlePayload(""))
           .Record(test::Int4(0))
           .Record("")
           .Record(test::Int4(1))
           .Record(test::Int4(1) + test::Int4(2) + test::Int4(3) + test::Int4(3) + test::Int4(1))});
  cases.push_back(
      {"step header without its time",
       ResultFile{}.Header(m.title, m.nodes, m.elements).Record(test::Int4(1)).Record("").Record("")});
  cases.push_back(
      {"nodal values one byte short", ResultFile{}
                                          .Header(m.title, m.nodes, m.elements)
                                          .Record(test::StepHeaderPayload(1, 0))
                                          .Record(test::NodeValuesPayload(m.step1).substr(0, 99))});
  cases.push_back(
      {"element values one element short", ResultFile{}
                                               .Header(m.title, m.nodes, m.elements)
                                               .Record(test::StepHeaderPayload(1, 0))
                                               .Record(test::NodeValuesPayload(m.step1))
                                               .Record(test::ElementValuesPayload({{1, 2}, {3, 4}}))});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WorkDir dir;
    ConsoleIo con;
    Store s;
    c.file.WriteTo("R.DAT");
    SetName(s, "R.DAT");
    EXPECT_EQ(FailureLine([&] {
                result::Open(con.io(), s);
                result::ReadHeader(con.io(), s);
                while (result::ReadStep(con.io(), s)) {
                }
              }),
              kTooMuchData);
  }
}

// Counts that claim more entries than the record holds fail before the store is sized for them.
TEST_F(Reader, CountsBeyondTheRecordAreRefusedBeforeTheStoreIsSized) {
  const Mesh m;
  const std::int32_t claims[] = {6, 44445, 1 << 28, std::numeric_limits<std::int32_t>::max()};
  for (std::int32_t claim : claims) {
    SCOPED_TRACE(claim);
    for (bool nodes : {true, false}) {
      WorkDir dir;
      ConsoleIo con;
      Store s;
      ResultFile f;
      f.Header(m.title, m.nodes, m.elements,
               nodes ? test::Claim{.numnp = claim, .numel = std::nullopt}
                     : test::Claim{.numnp = std::nullopt, .numel = claim});
      f.WriteTo("R.DAT");
      SetName(s, "R.DAT");
      result::Open(con.io(), s);
      EXPECT_EQ(FailureLine([&] { result::ReadHeader(con.io(), s); }), kTooMuchData);
      // The counts never claim more entries than the arrays hold.
      EXPECT_LE(s.NUMNP, s.X.Size());
      EXPECT_LE(s.NUMEL, s.ELEM.Rows());
      if (nodes) {
        EXPECT_EQ(s.X.Size(), 0);
        EXPECT_EQ(s.P.Size(), 0);
      } else {
        EXPECT_EQ(s.ELEM.Rows(), 0);
        EXPECT_EQ(s.VXE.Size(), 0);
      }
    }
  }
}

// A length field that promises a huge record the file does not hold ends as a truncated record.
TEST_F(Reader, HugeRecordLengthOverAShortFileIsErrorTwentyFour) {
  const Mesh m;
  ResultFile f;
  f.Record(test::TitlePayload(m.title))
      .Record(test::Int4(std::numeric_limits<std::int32_t>::max()))
      .Raw(test::Int4(std::numeric_limits<std::int32_t>::max()))
      .Raw(test::NodesPayload(m.nodes));
  Open(f);
  EXPECT_EQ(FailureLine([&] { result::ReadHeader(io(), s_); }), kEndOfFile);
  EXPECT_EQ(s_.X.Size(), 0);
}

// Cut the file at every byte. Within the header or a step: error 24. Exactly between step groups
// (or after the header): the steps before the cut are read and the next ReadStep answers false.
TEST(ReaderTruncation, EveryCutIsACleanEndOrErrorTwentyFour) {
  const Mesh m;
  for (const test::Framing framing : {test::Framing{0, 0}, test::Framing{3, 7}}) {
    const ResultFile f = m.File(framing);
    ASSERT_EQ(f.Ends().size(), 11u);
    for (std::size_t cut = 0; cut < f.Size(); ++cut) {
      SCOPED_TRACE("cut " + std::to_string(cut) + " segment " + std::to_string(framing.segment));
      WorkDir dir;
      ConsoleIo con;
      Store s;
      f.WriteTo("R.DAT", cut);
      SetName(s, "R.DAT");
      result::Open(con.io(), s);
      int expectedSteps = 0;
      if (cut >= f.Ends()[7]) expectedSteps = 1;
      if (cut >= f.Ends()[10]) expectedSteps = 2;
      const bool clean = cut == f.Ends()[4] || cut == f.Ends()[7];
      int steps = 0;
      const std::string outcome = FailureLine([&] {
        result::ReadHeader(con.io(), s);
        while (result::ReadStep(con.io(), s)) ++steps;
      });
      EXPECT_EQ(outcome, clean ? "no failure" : kEndOfFile);
      EXPECT_EQ(steps, expectedSteps);
    }
  }
}

// Large meshes: values that differ per entry, compared entry by entry.
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
  WorkDir dir;
  ConsoleIo con;
  Store s;
  ResultFile f;
  f.Header("LARGE", nodes, elements).Step(1, 0.25, nv, ev).Step(2, 0.5, nv, ev);
  f.WriteTo("R.DAT");
  SetName(s, "R.DAT");
  result::Open(con.io(), s);
  result::ReadHeader(con.io(), s);
  ASSERT_EQ(s.NUMNP, numnp);
  ASSERT_EQ(s.NUMEL, numel);
  int mismatches = 0;
  for (std::int32_t n = 1; n <= numnp; ++n) {
    if (s.X(n) != nodes[n - 1].x || s.Y(n) != nodes[n - 1].y) ++mismatches;
  }
  for (std::int32_t e = 1; e <= numel; ++e) {
    const Element& x = elements[e - 1];
    if (s.ELEM(e, kI) != x.i || s.ELEM(e, kJ) != x.j || s.ELEM(e, kK) != x.k || s.ELEM(e, kL) != x.l ||
        s.ELEM(e, kMAT) != x.mat) {
      ++mismatches;
    }
  }
  for (int step = 1; step <= 2; ++step) {
    ASSERT_TRUE(result::ReadStep(con.io(), s));
    EXPECT_EQ(s.ISTEP, step);
    for (std::int32_t n = 1; n <= numnp; ++n) {
      if (s.NCODE(n) != nv[n - 1].ncode || s.P(n) != nv[n - 1].p || s.Q(n) != nv[n - 1].q) ++mismatches;
    }
    for (std::int32_t e = 1; e <= numel; ++e) {
      if (s.VXE(e) != ev[e - 1].vx || s.VYE(e) != ev[e - 1].vy) ++mismatches;
    }
  }
  EXPECT_TRUE(result::AtEnd(con.io()));
  EXPECT_FALSE(result::ReadStep(con.io(), s));
  EXPECT_EQ(mismatches, 0);
}

TEST(ReaderLimits, MeshOfExactlyTheStoreLimitReadsBack) {
  ExpectLargeMeshReadsBack(44444, 44444);
}

TEST(ReaderLimits, MeshBeyondTheStoreLimitReadsBack) {
  ExpectLargeMeshReadsBack(60000, 70000);
}

}  // namespace
}  // namespace seep
