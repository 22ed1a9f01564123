// The MicroAVS output through the real program: the whole file of a small mesh, step numbering, runs
// that write no step, a second run in the same directory, and a result file cut inside a step.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "support/dialogue.h"
#include "support/e2e.h"
#include "support/result_file.h"

namespace seep::test {
namespace {

// Six nodes; a quadrilateral, a triangle stored with L = K, and an inactive triangle that alone touches
// node 6. Velocities of step k are those of step 1 times 1, 10 and 0.001.
const std::vector<Node> kNodes = {{-0.5, 0.0}, {2.0, 0.0}, {2.0, 1.0}, {0.0, 1.0}, {4.0, 0.0}, {4.0, 1.0}};
const std::vector<Element> kElements = {{1, 2, 3, 4, 1}, {2, 5, 3, 3, 12}, {5, 6, 3, 3, -3}};

std::vector<ElementValues> Velocities(double factor) {
  return {{0.6 * factor, 0.8 * factor}, {-0.6 * factor, 0.8 * factor}, {3.0 * factor, -4.0 * factor}};
}

ResultFile ThreeSteps() {
  ResultFile f;
  f.Header("AVS CASE", kNodes, kElements)
      .Step(5, 3600.0, {{0, 1.5, 0}, {0, 1.25, 0}, {0, 0.25, 0}, {0, -0.5, 0}, {0, 2.0, 0}, {0, -1.0, 0}},
            Velocities(1.0))
      .Step(10, 7200.0, {{0, 3.0, 0}, {0, 2.5, 0}, {0, 0.5, 0}, {0, -1.0, 0}, {0, 4.0, 0}, {0, -2.0, 0}},
            Velocities(10.0))
      .Step(15, 86400.0,
            {{0, 12.5, 0}, {0, 0.001, 0}, {0, -0.001, 0}, {0, 100.0, 0}, {0, 1234.5, 0}, {0, 0.0, 0}},
            Velocities(0.001));
  return f;
}

const std::string kHeadAndMesh = CrLfBarred({
    "         6          3|",
    "       1 -5.00000E-01  0.00000E+00  0.00000E+00|",
    "       2  2.00000E+00  0.00000E+00  0.00000E+00|",
    "       3  2.00000E+00  1.00000E+00  0.00000E+00|",
    "       4  0.00000E+00  1.00000E+00  0.00000E+00|",
    "       5  4.00000E+00  0.00000E+00  0.00000E+00|",
    "       6  4.00000E+00  1.00000E+00  0.00000E+00|",
    "      1   1 quad        1       2       3       4|",
    "      2  12 tri        2       5       3|",
    "      3  -3 tri        5       6       3|",
});

const std::string kNodeHead = CrLfBarred({
    "5   3|",
    "5   1   1   1   1   1    |",
    "Pressure,|",
    "Total Head,|",
    "Velocity X,  |",
    "Velocity Y,  |",
    "Velocity,    |",
});

const std::string kElementHead = CrLfBarred({
    "3   1   1   1|",
    "Velocity X,  |",
    "Velocity Y,  |",
    "Velocity,    |",
});

// Worked out from the record layouts: nodal means over elements 1 and 2 (element 3 is inactive), heads
// P + Y, speeds from the means; copied lines blank-filled to 26, 25, 13, 85 characters.
TEST(MicroAvs, ThreeStepsGiveTheWholeFileByteForByte) {
  Scratch dir;
  ThreeSteps().WriteTo(dir.Path("R.DAT"));
  const RunResult r = dir.Run(DialogueAnswers::Conversion("microavs", "OUT.AVS", "-1"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");

  const std::string expected =
      CrLfBarred({"# QM-TERLO AVS FILE |", "    3|", "data|", "step1  0.3600000E+04      |"}) + kHeadAndMesh +
      kNodeHead +
      CrLfBarred({
          "       1  1.50000E+00  1.50000E+00  6.00000E-01  8.00000E-01  1.00000E+00            |",
          "       2  1.25000E+00  1.25000E+00  0.00000E+00  8.00000E-01  8.00000E-01            |",
          "       3  2.50000E-01  1.25000E+00  0.00000E+00  8.00000E-01  8.00000E-01            |",
          "       4 -5.00000E-01  5.00000E-01  6.00000E-01  8.00000E-01  1.00000E+00            |",
          "       5  2.00000E+00  2.00000E+00 -6.00000E-01  8.00000E-01  1.00000E+00            |",
          "       6 -1.00000E+00  0.00000E+00  0.00000E+00  0.00000E+00  0.00000E+00            |",
      }) +
      kElementHead +
      CrLfBarred({
          "       1  6.00000E-01  8.00000E-01  1.00000E+00 |",
          "       2 -6.00000E-01  8.00000E-01  1.00000E+00 |",
          "       3  3.00000E+00 -4.00000E+00  5.00000E+00 |",
          "step2  0.7200000E+04      |",
      }) +
      kNodeHead +
      CrLfBarred({
          "       1  3.00000E+00  3.00000E+00  6.00000E+00  8.00000E+00  1.00000E+01            |",
          "       2  2.50000E+00  2.50000E+00  0.00000E+00  8.00000E+00  8.00000E+00            |",
          "       3  5.00000E-01  1.50000E+00  0.00000E+00  8.00000E+00  8.00000E+00            |",
          "       4 -1.00000E+00  0.00000E+00  6.00000E+00  8.00000E+00  1.00000E+01            |",
          "       5  4.00000E+00  4.00000E+00 -6.00000E+00  8.00000E+00  1.00000E+01            |",
          "       6 -2.00000E+00 -1.00000E+00  0.00000E+00  0.00000E+00  0.00000E+00            |",
      }) +
      kElementHead +
      CrLfBarred({
          "       1  6.00000E+00  8.00000E+00  1.00000E+01 |",
          "       2 -6.00000E+00  8.00000E+00  1.00000E+01 |",
          "       3  3.00000E+01 -4.00000E+01  5.00000E+01 |",
          "step3  0.8640000E+05      |",
      }) +
      kNodeHead +
      CrLfBarred({
          "       1  1.25000E+01  1.25000E+01  6.00000E-04  8.00000E-04  1.00000E-03            |",
          "       2  1.00000E-03  1.00000E-03  0.00000E+00  8.00000E-04  8.00000E-04            |",
          "       3 -1.00000E-03  9.99000E-01  0.00000E+00  8.00000E-04  8.00000E-04            |",
          "       4  1.00000E+02  1.01000E+02  6.00000E-04  8.00000E-04  1.00000E-03            |",
          "       5  1.23450E+03  1.23450E+03 -6.00000E-04  8.00000E-04  1.00000E-03            |",
          "       6  0.00000E+00  1.00000E+00  0.00000E+00  0.00000E+00  0.00000E+00            |",
      }) +
      kElementHead +
      CrLfBarred({
          "       1  6.00000E-04  8.00000E-04  1.00000E-03 |",
          "       2 -6.00000E-04  8.00000E-04  1.00000E-03 |",
          "       3  3.00000E-03 -4.00000E-03  5.00000E-03 |",
      });
  ASSERT_TRUE(r.files.count("OUT.AVS"));
  EXPECT_EQ(r.files.at("OUT.AVS"), expected);
  EXPECT_EQ(SplitRecords(r.files.at("OUT.AVS")).size(), 4u + 6 + 3 + 3 * (6 + 3 + 12));

  // The work file stays, holding the three blocks in their own widths.
  ASSERT_TRUE(r.files.count("AVS.tmp"));
  const std::vector<std::string> work = SplitRecords(r.files.at("AVS.tmp"));
  ASSERT_EQ(work.size(), 3u * (6 + 3 + 12));
  EXPECT_EQ(work[0], "step1  0.3600000E+04");
  EXPECT_EQ(work[8], "       1  1.50000E+00  1.50000E+00  6.00000E-01  8.00000E-01  1.00000E+00 ");
}

// The mesh has 9 records and a block 21: the file has 4 + 9 + NAVS * 21 records.
TEST(MicroAvs, StepsAreNumberedInTheOrderWritten) {
  Scratch dir;
  ResultFile f;
  f.Header("SEVEN", kNodes, kElements);
  for (int k = 1; k <= 7; ++k) f.Step(k, 10.0 * k, std::vector<NodeValues>(6, {0, 1.0, 0}), Velocities(1.0));
  f.WriteTo(dir.Path("R.DAT"));

  const RunResult seventh = dir.Run(DialogueAnswers::Conversion("microavs", "OUT.AVS", "7"));
  ASSERT_EQ(seventh.status, 0) << seventh.err;
  std::vector<std::string> out = SplitRecords(seventh.files.at("OUT.AVS"));
  ASSERT_EQ(out.size(), 4u + 9 + 21);
  EXPECT_EQ(out[1], "    1");
  EXPECT_EQ(out[3], "step1  0.7000000E+02      ");

  const RunResult all = dir.Run(DialogueAnswers::Conversion("microavs", "OUT.AVS", "-1"));
  ASSERT_EQ(all.status, 0) << all.err;
  out = SplitRecords(all.files.at("OUT.AVS"));
  ASSERT_EQ(out.size(), 4u + 9 + 7 * 21);
  EXPECT_EQ(out[1], "    7");
  EXPECT_EQ(out[3], "step1  0.1000000E+02      ");
  for (int k = 2; k <= 7; ++k) {
    EXPECT_EQ(out[4 + 9 + (k - 1) * 21],
              "step" + std::to_string(k) + "  0." + std::to_string(k) + "000000E+02      ");
  }
}

// No step matches the selection: the header states 0 steps and the mesh follows; a work file left by
// an earlier run is neither copied nor changed.
TEST(MicroAvs, NoStepWrittenGivesTheMeshAlone) {
  const std::string stale = CrLfBarred({"step1  0.1000000E+01|", "5   3|", "5   1   1   1   1   1|"});
  for (bool leftOver : {false, true}) {
    SCOPED_TRACE(leftOver ? "with an earlier AVS.tmp" : "without AVS.tmp");
    Scratch dir;
    ThreeSteps().WriteTo(dir.Path("R.DAT"));
    if (leftOver) dir.Write("AVS.tmp", stale);
    const RunResult r = dir.Run(DialogueAnswers::Conversion("microavs", "OUT.AVS", "99"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.files.at("OUT.AVS"), CrLfBarred({"# QM-TERLO AVS FILE |", "    0|", "data|"}) + kHeadAndMesh);
    EXPECT_EQ(r.files.at("AVS.tmp"), leftOver ? stale : "");
  }
}

TEST(MicroAvs, SecondRunReplacesTheFirstRunsBlocks) {
  Scratch dir;
  ThreeSteps().WriteTo(dir.Path("R.DAT"));
  const RunResult first = dir.Run(DialogueAnswers::Conversion("microavs", "OUT.AVS", "-1"));
  ASSERT_EQ(first.status, 0) << first.err;
  const RunResult second = dir.Run(DialogueAnswers::Conversion("microavs", "OUT.AVS", "10"));
  ASSERT_EQ(second.status, 0) << second.err;

  const std::vector<std::string> work = SplitRecords(second.files.at("AVS.tmp"));
  ASSERT_EQ(work.size(), 21u);
  EXPECT_EQ(work[0], "step1  0.7200000E+04");
  const std::vector<std::string> out = SplitRecords(second.files.at("OUT.AVS"));
  ASSERT_EQ(out.size(), 4u + 9 + 21);
  EXPECT_EQ(out[1], "    1");
  EXPECT_EQ(out[3], "step1  0.7200000E+04      ");
  EXPECT_EQ(out.back(), "       3  3.00000E+01 -4.00000E+01  5.00000E+01 ");
}

// The run ends at the end-of-file error of the result file before the final file is assembled; the
// output file stays as opened and the work file keeps the block of the one complete step.
TEST(MicroAvs, ResultFileCutInsideAStepLeavesNoFinalFile) {
  Scratch dir;
  const ResultFile f = ThreeSteps();
  f.WriteTo(dir.Path("R.DAT"), f.Ends()[5 + 3 + 1] - 10);  // inside the nodal values of step 2
  const RunResult r = dir.Run(DialogueAnswers::Conversion("microavs", "OUT.AVS", "-1"));
  EXPECT_EQ(r.status, 24);
  EXPECT_EQ(r.err, "forrtl: severe (24): end-of-file during read, unit 10, file R.DAT\r\n");
  EXPECT_EQ(r.out.find("NORMAL TERMINATION"), std::string::npos);
  EXPECT_EQ(r.files.at("OUT.AVS"), "");
  const std::vector<std::string> work = SplitRecords(r.files.at("AVS.tmp"));
  ASSERT_EQ(work.size(), 21u);
  EXPECT_EQ(work[0], "step1  0.3600000E+04");
}

// Twelve steps numbered 1 … 12 (two widths of the step line) over the mesh above.
ResultFile TwelveSteps() {
  ResultFile f;
  f.Header("AVS CASE", kNodes, kElements);
  for (int k = 1; k <= 12; ++k) {
    std::vector<NodeValues> p;
    for (std::size_t n = 0; n < kNodes.size(); ++n)
      p.push_back({0, 0.25 * k - 0.5 * static_cast<double>(n), 0});
    f.Step(k, 600.0 * k, p, Velocities(0.1 * k));
  }
  return f;
}

// The command line writes the file the dialogue assembles: in one pass from a file it reads by name,
// through a work file of its own from standard input; for every kind of selection, and with --partial
// from a file cut inside step 12, the file of the eleven whole steps. No work file stays behind.
TEST(MicroAvs, CommandLineWritesTheDialoguesFile) {
  const ResultFile f = TwelveSteps();
  Scratch dir, whole, whole11;  // the command line's; the dialogue's, of the whole file and of 11 steps
  f.WriteTo(dir.Path("R.DAT"));
  f.WriteTo(dir.Path("CUT.DAT"), f.Ends()[5 + 3 * 11 + 1] - 7);
  f.WriteTo(whole.Path("R.DAT"));
  f.WriteTo(whole11.Path("R.DAT"), f.Ends()[5 + 3 * 11 - 1]);
  struct Case {
    const Scratch& dialogueDir;
    const char* isel;
    const char* file;
    std::vector<std::string> options;
  };
  const Case cases[] = {{whole, "-1", "R.DAT", {"--steps", "all"}},
                        {whole, "0", "R.DAT", {"--steps", "last"}},
                        {whole, "7", "R.DAT", {"--steps", "7"}},
                        {whole11, "-1", "CUT.DAT", {"--partial"}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.options.back());
    const RunResult dialogue = c.dialogueDir.Run(DialogueAnswers::Conversion("microavs", "D.INP", c.isel));
    ASSERT_EQ(dialogue.status, 0) << dialogue.err;
    const std::string& expected = dialogue.files.at("D.INP");
    for (const bool byName : {true, false}) {
      SCOPED_TRACE(byName ? "by name" : "from standard input");
      std::vector<std::string> args = {"convert", byName ? c.file : "-", "--to", "microavs", "-o", "C.INP",
                                       "-q"};
      args.insert(args.end(), c.options.begin(), c.options.end());
      const RunResult r = dir.Command(args, byName ? "" : dir.Read(c.file));
      EXPECT_TRUE(r.files.at("C.INP") == expected) << r.err;
      for (const auto& [name, bytes] : r.files)
        EXPECT_TRUE(name.ends_with(".DAT") || name == "C.INP") << name;
    }
  }
}

}  // namespace
}  // namespace seep::test
