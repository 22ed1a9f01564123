// Reading the steps one ahead gives what reading them in turn gives: the same steps, ends, positions
// and failures, raised at the same step and leaving the same store, and the same nodal averages made
// for the steps that want them, for a file cut at every byte.
#include "core/reader/step_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/model/average.h"
#include "support/io_harness.h"
#include "support/result_file.h"

namespace seep {
namespace {

using test::ElementValues;
using test::NodeValues;
using test::ResultFile;

// Three steps of different values on a mesh of three nodes and two elements.
ResultFile ThreeSteps(test::Framing framing) {
  ResultFile f;
  f.Frame(framing).Header("STEPS AHEAD", {{0.0, 0.0}, {1.0, 0.0}, {0.0, 1.0}},
                          {{1, 2, 3, 3, 1, 0.0, 0.0}, {1, 3, 2, 2, 0, 0.0, 0.0}});
  for (int k = 1; k <= 3; ++k) {
    const double v = k * 1.5;
    f.Step(10 * k, 0.25 * k, {{k, v, -v}, {0, 2 * v, 0.5}, {-k, 1e-9 * k, 3 * v}}, {{v, -v}, {7.0 * k, 0.0}});
  }
  return f;
}

std::string StepValues(const Store& s) {
  std::vector<NodeValues> nodes;
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) nodes.push_back({s.NCODE(n), s.P(n), s.Q(n)});
  std::vector<ElementValues> elements;
  for (std::int32_t e = 1; e <= s.NUMEL; ++e) elements.push_back({s.VXE(e), s.VYE(e)});
  return std::to_string(s.ISTEP) + " " + std::to_string(s.TIME) + " " + test::NodeValuesPayload(nodes) +
         test::ElementValuesPayload(elements);
}

std::string Average(const Store& s) {
  std::vector<NodeValues> nodes;
  for (std::int32_t n = 1; n <= s.NUMNP; ++n) nodes.push_back({s.NCNT(n), s.VXN(n), s.VYN(n)});
  return (s.prepared ? " made " : " not made ") + test::NodeValuesPayload(nodes);
}

// The average is wanted for every step but the one numbered 20 (unless it is the last).
bool AverageWanted(Store& s, bool atEnd) {
  if (s.ISTEP == 20 && !atEnd) return false;
  AverageNodalVelocity(s);
  return true;
}

// What a loop over the steps of the file cut after `cut` bytes sees, step by step: the store, the end
// test and the position; then the failure, the record it met and the store it left. Without
// `velocities` the steps' velocities are passed over, and no average is made. With `wanted` the reader
// ahead passes over the values of the steps it does not want: of those only the number and the time
// are seen (and of the store a failure leaves).
std::string Observe(const ResultFile& f, std::size_t cut, unsigned processors, bool ahead,
                    bool velocities = true, const result::Wanted& wanted = {}) {
  test::Scratch dir{test::Scratch::kEnter};
  test::ConsoleIo con;
  con.io().UseProcessors(processors);
  f.WriteTo("R.DAT", cut);
  Store s;
  result::RecordPlace place;
  std::string seen;
  auto values = [&wanted](const Store& at, bool end) {
    if (!wanted || wanted(at.ISTEP, end)) return StepValues(at) + (end ? " end " : " more ");
    return std::to_string(at.ISTEP) + " " + std::to_string(at.TIME) + (end ? " passed, end " : " passed ");
  };
  const std::string failure = test::FailureLine([&] {
    result::Open(con.io(), "R.DAT");
    result::ReadHeader(con.io(), s, &place);
    if (ahead) {
      result::StepReader steps(con.io(), s, velocities ? AverageWanted : result::StepReader::Work{},
                               velocities, wanted);
      while (steps.Next(s, &place)) {
        const bool end = steps.AtEnd();
        seen += values(s, end) + std::to_string(steps.Position()) + Average(s) + "\n";
      }
    } else {
      while (result::ReadStep(con.io(), s, &place, velocities)) {
        const bool end = result::AtEnd(con.io());
        s.prepared = velocities && (!wanted || wanted(s.ISTEP, end)) && AverageWanted(s, end);
        seen += values(s, end) + std::to_string(con.io().Position(10)) + Average(s) + "\n";
      }
    }
  });
  const std::string left = wanted ? std::to_string(s.ISTEP) + " " + std::to_string(s.TIME) : StepValues(s);
  return seen + failure + " in " + place.record + ", store " + left;
}

TEST(StepReader, EveryCutSeenAsReadingInTurnSeesIt) {
  for (const test::Framing framing : {test::Framing{0, 0}, test::Framing{3, 7}}) {
    const ResultFile f = ThreeSteps(framing);
    for (std::size_t cut = 0; cut <= f.Size(); ++cut) {
      SCOPED_TRACE("cut " + std::to_string(cut) + " segment " + std::to_string(framing.segment));
      const std::string inTurn = Observe(f, cut, 1, false);
      EXPECT_EQ(Observe(f, cut, 2, true), inTurn);
      EXPECT_EQ(Observe(f, cut, 1, true), inTurn);
      const std::string withoutVelocities = Observe(f, cut, 1, false, false);
      EXPECT_EQ(Observe(f, cut, 2, true, false), withoutVelocities);
    }
  }
}

// A reader that wants only some steps' values (a selection of steps) passes over the others and sees
// the wanted ones as reading every step sees them, the same ends, positions and failures at every cut;
// a step wanted only as the last is read after all where the file ends after it.
TEST(StepReader, StepsNotWantedArePassedOverWithTheSameFailures) {
  const std::vector<std::pair<const char*, result::Wanted>> selections = {
      {"last", [](std::int32_t, bool last) { return last; }},
      {"20", [](std::int32_t istep, bool) { return istep == 20; }},
      {"10, last", [](std::int32_t istep, bool last) { return istep == 10 || last; }},
      {"none", [](std::int32_t, bool) { return false; }}};
  // Records in segments, so that a step passed over is sought over segment by segment. Every cut for
  // the selection whose steps are passed over and then read after all, every seventh for the others.
  const ResultFile f = ThreeSteps({3, 7});
  for (const auto& [name, wanted] : selections) {
    const std::size_t stride = std::string_view(name) == "last" ? 1 : 7;
    for (std::size_t cut = 0; cut <= f.Size(); cut += stride) {
      SCOPED_TRACE(std::string(name) + " cut " + std::to_string(cut));
      const std::string inTurn = Observe(f, cut, 1, false, true, wanted);
      EXPECT_EQ(Observe(f, cut, 2, true, true, wanted), inTurn);
      EXPECT_EQ(Observe(f, cut, 1, true, false, wanted), Observe(f, cut, 1, false, false, wanted));
    }
  }
}

// The unit is read in the reader's own thread while the caller writes, and is back where it was lent
// when the caller stops early: it closes as any unit does.
TEST(StepReader, LendsTheUnitAndGivesItBack) {
  test::Scratch dir{test::Scratch::kEnter};
  test::ConsoleIo con;
  con.io().UseProcessors(2);
  ThreeSteps({}).WriteTo("R.DAT");
  Store s;
  result::Open(con.io(), "R.DAT");
  result::ReadHeader(con.io(), s);
  {
    result::StepReader steps(con.io(), s);
    ASSERT_TRUE(steps.Next(s, nullptr));
    EXPECT_EQ(s.ISTEP, 10);
    EXPECT_EQ(con.io().Position(result::kUnit), 0u);  // not connected here meanwhile
  }
  EXPECT_GT(con.io().Position(result::kUnit), 0u);
  EXPECT_EQ(test::FailureLine([&] { con.io().CloseUnit(result::kUnit); }), "no failure");
}

}  // namespace
}  // namespace seep
