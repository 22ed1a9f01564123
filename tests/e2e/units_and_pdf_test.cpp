// Units of measure on the command line, tables in them, and the pictures as PDF read back by
// poppler's and qpdf's readers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "core/model/measure.h"
#include "support/e2e.h"
#include "support/files.h"
#include "support/scratch.h"

namespace seep {
namespace {

using test::CsvByHeading;
using test::RunResult;
using test::Scratch;

const std::string kExample = SEEPCONV_SOURCE_DIR "/examples/RESULT.DAT";

TEST(MeasureUnits, ReadAndConvert) {
  struct Case {
    std::string file, shown;
    double length, time, flow;
    std::string lengthName, flowName;  // empty flowName: an error is expected
  };
  const Case cases[] = {
      {"", "", 1, 1, 1, "model units", "model units"},
      {"m,s", "", 1, 1, 1, "m", "m\xC2\xB3/s/m"},
      {"m,s", "ft,min", 1 / 0.3048, 1.0 / 60, 60 / (0.3048 * 0.3048), "ft", "ft\xC2\xB3/min/ft"},
      {"m,s", "m,h,l/min/m", 1, 1.0 / 3600, 60000, "m", "l/min/m"},
      {"cm,d", "m,s,m3/s/m", 0.01, 86400, 1e-4 / 86400, "m", "m\xC2\xB3/s/m"},
      {"", "m,s", 0, 0, 0, "", ""},        // shown units need the file's
      {"m", "", 0, 0, 0, "", ""},          // a length without a time
      {"yd,s", "", 0, 0, 0, "", ""},       // unknown length
      {"m,s", "m,s,gpm", 0, 0, 0, "", ""}  // unknown flow
  };
  for (const Case& c : cases) {
    std::string error;
    const auto units = ReadMeasureUnits(c.file, c.shown, error);
    if (c.flowName.empty()) {
      EXPECT_FALSE(units) << c.file << " " << c.shown;
      EXPECT_FALSE(error.empty());
      continue;
    }
    ASSERT_TRUE(units) << error;
    EXPECT_NEAR(units->Factor(Quantity::kLength), c.length, 1e-12 * c.length) << c.shown;
    EXPECT_NEAR(units->Factor(Quantity::kTime), c.time, 1e-12 * c.time) << c.shown;
    EXPECT_NEAR(units->Factor(Quantity::kFlow), c.flow, 1e-9 * c.flow) << c.shown;
    EXPECT_EQ(units->Name(Quantity::kLength), c.lengthName);
    EXPECT_EQ(units->Name(Quantity::kFlow), c.flowName);
  }
}

// The CSV's figures, the time and S1's net flow, of each row after the header.
std::vector<std::pair<double, double>> TimeAndNet(const std::string& csv, std::string& header) {
  std::istringstream in(csv);
  std::getline(in, header);
  std::vector<std::pair<double, double>> rows;
  for (std::string line; std::getline(in, line);) {
    std::istringstream cells(line);
    std::string step, time, net;
    std::getline(cells, step, ',');
    std::getline(cells, time, ',');
    std::getline(cells, net, ',');
    rows.emplace_back(std::stod(time), std::stod(net));
  }
  return rows;
}

TEST(MeasureUnits, FluxTablesInTheUnitsAsked) {
  Scratch dir;
  const std::vector<std::string> base = {"flux", kExample, "--section", "10,0 10,6", "--csv"};
  const RunResult plain = dir.Command(base);
  std::vector<std::string> args = base;
  for (const char* a : {"--file-units", "m,s", "--units", "m,h,l/min/m"}) args.push_back(a);
  const RunResult shown = dir.Command(args);
  ASSERT_EQ(plain.status, 0) << plain.err;
  ASSERT_EQ(shown.status, 0) << shown.err;
  std::string plainHeader, shownHeader;
  const auto a = TimeAndNet(plain.out, plainHeader), b = TimeAndNet(shown.out, shownHeader);
  EXPECT_EQ(plainHeader, "step,time,S1_net,S1_right,S1_left,S1_outside");  // as before without units
  EXPECT_EQ(shownHeader,
            "step,time (h),S1_net (l/min/m),S1_right (l/min/m),S1_left (l/min/m),S1_outside (m)");
  ASSERT_EQ(a.size(), b.size());
  ASSERT_FALSE(a.empty());
  for (std::size_t k = 0; k < a.size(); ++k) {
    EXPECT_NEAR(b[k].first, a[k].first / 3600.0, 1e-12 * a[k].first);
    EXPECT_NEAR(b[k].second, a[k].second * 60000.0, 1e-9 * std::abs(b[k].second));
  }
  // The aligned table: a row of units under the headings; without units, a note says "model units".
  args.pop_back();
  args.push_back("m,h,l/min/m");
  args.erase(args.begin() + 4);  // --csv
  const RunResult table = dir.Command(args);
  EXPECT_NE(table.out.find("l/min/m"), std::string::npos) << table.out;
  EXPECT_NE(dir.Command({"flux", kExample, "--section", "10,0 10,6"}).out.find("all figures in model units"),
            std::string::npos);
  // A unit the table does not know is a usage error that lists the known ones.
  const RunResult bad = dir.Command({"plot", kExample, "--file-units", "m,s", "--units", "yd,s"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("unknown length unit 'yd' (m, cm, mm, ft, in)"), std::string::npos) << bad.err;
}

// info in the units asked: every length and time of the study's CSV row converted, the headings naming
// their units; the aligned table with its unit row, the JSON document with its units.
TEST(MeasureUnits, InfoInTheUnitsAsked) {
  Scratch dir;
  const RunResult plain = dir.Command({"info", kExample, "--csv"});
  const RunResult shown = dir.Command({"info", kExample, "--csv", "--file-units", "m,s", "--units", "ft,h"});
  ASSERT_EQ(shown.status, 0) << shown.err;
  const auto a = CsvByHeading(plain.out), b = CsvByHeading(shown.out);
  ASSERT_EQ(a.size(), 1u);
  ASSERT_EQ(b.size(), 1u);
  EXPECT_NEAR(std::stod(b[0].at("last_time (h)")), std::stod(a[0].at("last_time")) / 3600.0, 1e-12);
  for (const char* length : {"p_min", "p_max", "h_min", "h_max"}) {
    EXPECT_NEAR(std::stod(b[0].at(length + std::string(" (ft)"))), std::stod(a[0].at(length)) / 0.3048, 1e-9)
        << length;
  }
  EXPECT_EQ(b[0].at("largest_gradient"), a[0].at("largest_gradient"));  // a gradient has no unit
  const RunResult table = dir.Command({"info", kExample, "--file-units", "m,s", "--units", "ft,h"});
  EXPECT_NE(table.out.find("  h        ft       ft       ft       ft      ft/h"), std::string::npos)
      << table.out;
  EXPECT_EQ(table.out.find("model units"), std::string::npos);
  EXPECT_NE(dir.Command({"info", kExample}).out.find("all figures in model units"), std::string::npos);
  const RunResult json = dir.Command({"info", kExample, "--json", "--file-units", "m,s", "--units", "ft,h"});
  EXPECT_NE(json.out.find("\"units\": {\"length\": \"ft\", \"time\": \"h\"}"), std::string::npos) << json.out;
}

// The report's header gives the bounds in the length unit shown, and the chart of the points names
// the unit of their coordinates; "model units" while the file's are not stated.
TEST(MeasureUnits, ReportBoundsAndPointLegendNameTheirUnit) {
  Scratch dir;
  const std::string points = SEEPCONV_SOURCE_DIR "/examples/POINTS.DAT";
  const RunResult plain = dir.Command({"report", kExample, "--points", points, "-o", "a.html", "-q"});
  const RunResult feet = dir.Command({"report", kExample, "--points", points, "--file-units", "m,s",
                                      "--units", "ft,h", "-o", "b.html", "-q"});
  ASSERT_EQ(plain.status, 0) << plain.err;
  ASSERT_EQ(feet.status, 0) << feet.err;
  const std::string a = dir.Read("a.html"), b = dir.Read("b.html");
  EXPECT_NE(a.find("<th>Bounds</th><td>x 0 to 20, y 0 to 6 model units</td>"), std::string::npos);
  EXPECT_NE(b.find("<th>Bounds</th><td>x 0 to 65.6168, y 0 to 19.685 ft</td>"), std::string::npos);
  // Point 1 at (2.5, 1) m: 2.5 / 0.3048 and 1 / 0.3048 ft in six digits.
  EXPECT_NE(a.find(">Point 1 (2.5, 1 model units)</text>"), std::string::npos);
  EXPECT_NE(b.find(">Point 1 (8.2021, 3.28084 ft)</text>"), std::string::npos);
}

bool Have(const char* program) {
  return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

TEST(PicturesAsPdf, OnePagePerPictureWithItsText) {
  if (test::WindowsProgram()) GTEST_SKIP() << "the readers of the PDF run on Linux";
  Scratch dir;
  dir.Write("S.TXT", "Left of pile: 9.5,0 9.5,6\nDownstream: 0,0.5 20,0.5\n");
  const RunResult r = dir.Command({"plot", kExample, "--steps", "1:3", "--sections", "S.TXT", "--arrows",
                                   "--file-units", "m,s", "--units", "m,h,l/min/m", "-o", "pic.pdf"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string pdf = dir.Read("pic.pdf");
  ASSERT_EQ(pdf.rfind("%PDF-1.4\n", 0), 0u);
  ASSERT_GT(pdf.size(), 30u);
  EXPECT_EQ(pdf.substr(pdf.size() - 6), "%%EOF\n");
  // The cross-reference table where startxref says it is.
  const std::size_t start = pdf.rfind("startxref\n");
  ASSERT_NE(start, std::string::npos);
  EXPECT_EQ(pdf.compare(std::stoul(pdf.substr(start + 10)), 5, "xref\n"), 0);
  if (!Have("pdfinfo") || !Have("pdftotext") || !Have("qpdf"))
    GTEST_SKIP() << "poppler-utils and qpdf read the PDF back (tools/ensure-packages)";
  const std::string path = dir.Path("pic.pdf").string();
  EXPECT_EQ(std::system(("qpdf --check '" + path + "' > /dev/null 2>&1").c_str()), 0);
  ASSERT_EQ(std::system(("pdfinfo '" + path + "' > '" + path + ".info' 2>&1").c_str()), 0);
  const std::string info = dir.Read("pic.pdf.info");
  EXPECT_NE(info.find("Pages:           3"), std::string::npos) << info;
  EXPECT_NE(info.find("Title:           Seepage through an embankment"), std::string::npos) << info;
  ASSERT_EQ(std::system(("pdftotext -f 3 -l 3 '" + path + "' '" + path + ".txt'").c_str()), 0);
  const std::string text = dir.Read("pic.pdf.txt");
  for (const char* seen : {"Seepage through an embankment, transient", "step 3, time 3 h", "Total head (m)",
                           "x (m)", "y (m)", "Left of pile: q = ", "l/min/m", "Phreatic line", "m/h"}) {
    EXPECT_NE(text.find(seen), std::string::npos) << seen << "\n" << text;
  }
}

}  // namespace
}  // namespace seep
