// Arbitrary bytes read as the result file: the header, then every step handed to every writer, with
// the output going to /dev/null and the MicroAVS work file to a real file that is read back; every step
// added to a point history and its flow through sections summed, the last one drawn as a picture with
// flow lines and sections and as a gradient picture, and the VTU mesh part encoded.
#include <cstdint>
#include <cstdio>
#include <string>

#include "core/io/units.h"
#include "core/model/gradient.h"
#include "core/model/store.h"
#include "core/reader/result_file.h"
#include "harness.h"
#include "writers/draw/plot.h"
#include "writers/femap/femap.h"
#include "writers/flux/flux.h"
#include "writers/igpost/igpost.h"
#include "writers/interp/interp.h"
#include "writers/microavs/microavs.h"
#include "writers/restart/restart.h"
#include "writers/tecplot/tecplot.h"
#include "writers/vtu/vtu.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace seep;
  fuzz::EnterWorkDir();
  if (std::FILE* f = std::fopen("R.DAT", "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  if (std::FILE* f = std::fopen("P.DAT", "wb")) {
    std::fputs("4\n0.5 0.5\n1e9 1e9\n-1 0\n0.25,0.75\n", f);
    std::fclose(f);
  }
  const char answers[] = "P.DAT\n";
  fuzz::Console console(reinterpret_cast<const std::uint8_t*>(answers), sizeof answers - 1);
  {
    Io io(console.in, console.out, console.err);
    Store s;
    FemapState femap;
    AvsState avs;
    VtuState vtu;
    HistoryChart chart;
    std::string svg;
    PlotWarnings warnings;
    PlotOptions picture;
    picture.mesh = picture.arrows = true;
    picture.flowLines = 7;
    picture.sections = {{"A", {{0.0, 0.0}, {1.0, 1.0}, {0.5, -2.0}}}, {"B", {{-1e3, 0.5}, {1e3, 0.5}}}};
    FluxRun flux;
    flux.sections = picture.sections;
    try {
      result::Open(io, "R.DAT");
      result::ReadHeader(io, s);
      io.OpenUnit(8, "/dev/null", "UNKNOWN", "FORMATTED");
      // A large material number makes the FEMAP property block up to 3 million fixed records long;
      // that block is a plain loop over fixed texts, so it is left out there to keep the fuzzer fast.
      std::int32_t largestMaterial = 0;
      for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
        if (s.ELEM(e, kMAT) > largestMaterial) largestMaterial = s.ELEM(e, kMAT);
      }
      if (largestMaterial <= 64) WriteFemapHeaderAndMesh(io, s, femap);
      WriteFemapGroup(io, s, femap);
      OpenAvsWorkFile(io, avs);
      SetUpInterp(io, s, "P.DAT");
      SetUpHistory(chart, s, PlotField::kPressureHead);
      SetUpVtu(vtu, s, "V.pvd", true);  // the mesh part; step files are left to the tests
      SetUpFlux(flux, s);
      while (result::ReadStep(io, s)) {
        WriteInterpStep(io, s);
        AddHistoryStep(chart, s);
        (void)result::AtEnd(io);
        WriteRestartStep(io, s, 1);
        WriteTecplotZone(io, s);
        WriteFemapOutputSet(io, s, femap);
        WriteAvsStep(io, s, avs);
        WriteIgpostBlock(io, s);
        AddFluxStep(flux, s);
        (void)FindLargestGradient(s);
      }
      AssembleAvsFile(io, s, avs);
      // The picture of the step read last (drawing every step would slow the fuzzer fivefold).
      DrawStepPicture(svg, s, PictureMeshOf(s, picture), picture, warnings);
      picture.field = PlotField::kGradient;
      DrawStepPicture(svg, s, PictureMeshOf(s, picture), picture, warnings);
      DrawHistoryChart(svg, chart, s);
      WriteFluxCsv(svg, flux);
      WriteFluxJson(svg, flux, "R.DAT");
      WriteFluxTable(svg, flux);
      io.CloseAll();
    } catch (const IoFailure& failure) {
      fuzz::CheckKnownFailure(failure);
    }
  }
  return 0;
}
