// Arbitrary bytes read as the result file and converted into every output kind that the run layer
// lists, each through the conversion road (set-up, every step, finish) as the command line drives it:
// the legacy kinds to /dev/null, the kinds that write files of their own (collections, pictures, the
// report) into the private working folder, with points, sections, flow lines, arrows and the gradient
// field chosen so that every drawing is reached. A kind added to the list is fuzzed with no change here.
#include <cstdint>
#include <cstdio>
#include <string>

#include "app/conversion.h"
#include "app/kinds.h"
#include "core/io/replace.h"
#include "core/io/units.h"
#include "core/model/store.h"
#include "core/reader/result_file.h"
#include "harness.h"

namespace {

using namespace seep;

OutputChoices FuzzChoices() {
  OutputChoices choices;
  choices.PNAME = "P.DAT";
  choices.IHEAD = 1;
  choices.allElements = true;
  choices.numbered = true;
  choices.field = PlotField::kGradient;
  choices.mesh = choices.arrows = true;
  choices.flowLines = 7;
  choices.sections = {{"A", {{0.0, 0.0}, {1.0, 1.0}, {0.5, -2.0}}}, {"B", {{-1e3, 0.5}, {1e3, 0.5}}}};
  choices.table = TableStyle::kJson;
  choices.resultName = "R.DAT";
  choices.workFilesBeside = "W";
  return choices;
}

// One conversion of R.DAT into `kind`, every step selected.
void Convert(const OutputKind& kind, OutputChoices choices) {
  Io io(stdin, stdout, stderr);
  io.UseProcessors(1);
  Store s;
  choices.ONAME = kind.ownFiles ? "O" + std::string(kind.extension) : "/dev/null";
  Conversion c(io, s, choices, kind);
  c.historyOfSelection = true;
  try {
    result::Open(io, "R.DAT");
    result::ReadHeader(io, s, &c.place);
    // A large material number makes the FEMAP property block up to 3 million fixed records long; that
    // block is a plain loop over fixed texts, so materials are kept small to keep the fuzzer fast.
    for (std::int32_t e = 1; e <= s.NUMEL; ++e) {
      if (s.ELEM(e, kMAT) > 64) s.ELEM(e, kMAT) = 64;
    }
    if (!kind.ownFiles) io.OpenUnit(kOutputUnit, choices.ONAME, "UNKNOWN", "FORMATTED");
    SetUpWriter(c);
    StepTally tally;
    StepLoop(c, StepSelection(), tally);
    FinishWriter(c);
    (void)LeftOut(c);
    io.CloseAll();
  } catch (const IoFailure& failure) {
    fuzz::CheckKnownFailure(failure);
    AbandonWriter(c);
  } catch (const OutputRefused&) {
    AbandonWriter(c);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::EnterWorkDir();
  if (std::FILE* f = std::fopen("R.DAT", "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  if (std::FILE* f = std::fopen("P.DAT", "wb")) {
    std::fputs("4\n0.5 0.5\n1e9 1e9\n-1 0\n0.25,0.75\n", f);
    std::fclose(f);
  }
  const OutputChoices choices = FuzzChoices();
  for (const OutputKind* kind : OutputKinds()) Convert(*kind, choices);
  return 0;
}
