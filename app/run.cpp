#include "app/run.h"

#include <memory>
#include <string>
#include <string_view>

#include "app/conversion.h"
#include "app/kinds.h"
#include "app/selection.h"
#include "core/io/failure.h"
#include "core/io/statement/write.h"
#include "core/io/text_input.h"
#include "core/reader/result_file.h"

namespace seep {
namespace {

constexpr int kWorkListUnit = 98;

constexpr auto kBanner = CompileFormat(
    "('    **********************************************'"
    "/'    * This program is for PC-TERLO.              *'"
    "/'    *  It uses the 4th file in WORK.LST          *'"
    "/'    *                        by K.Varotai,M.PELU *'"
    "/'    *   NUMNP= upto 44444                        *'"
    "/'    *   NUMEL= upto 44444                        *'"
    "/'    *--------------------------------------------*'"
    "/'    *                               Yes/0  No/1  *'"
    "/'    **********************************************')");

constexpr auto kFileChoiceBox = CompileFormat(
    "('    +--------------------------------------------+'"
    "/'    | You can choose the file to transform.      |'"
    "/'    |   Which is your choice?                    |'"
    "/'    |                                            |'"
    "/'    |   0:  the 4th file in WORK.LST             |'"
    "/'    |   1:  input the file-name.                 |'"
    "/'    +--------------------------------------------+')");

constexpr auto kTitle = CompileFormat("(20A4)");
constexpr auto kTermination = CompileFormat("(//'   <<<<<  OK! OK!  NORMAL TERMINATION  >>>>> ')");

constexpr std::string_view kPrompt = "  INPUT No. ? =";

// Shift-JIS (code page 932) texts of the summary, written as these bytes.
constexpr std::string_view kNodeCountLabel = "\x90\xDF\x93\x5F\x91\x8D\x90\x94\x81\x40";
constexpr std::string_view kElementCountLabel = "\x20\x20\x97\x76\x91\x66\x91\x8D\x90\x94\x81\x40";
constexpr std::string_view kDataOkQuestion =
    "\x20\x20\x20\x20\x20\x20\x20\x20\x20\x20\x20\x20\x20\x20\x20\x83\x66\x81\x7C\x83\x5E\x81\x7C\x82\x6E"
    "\x82\x6A\x81\x48\x81\x40\x82\x78\x81\x5E\x82\x4F\x81\x40\x82\x6D\x81\x5E\x82\x50";

// The dialogue's answers: the result file, the output code, the time-step selection and the choices
// that the writers read.
struct Answers {
  std::string FNAME;       // result file
  std::int32_t ITYPE = 0;  // output code
  std::int32_t ISEL = 0;   // time-step selection
  OutputChoices out;       // ONAME, PNAME, IHEAD
};

void EmptyLine(Io& io) {
  WriteList(io, kConsoleOut);
}

std::int32_t AskNumber(Io& io, std::int32_t& answer) {
  WriteList(io, kConsoleOut, kPrompt);
  ReadList(io, kConsoleIn, answer);
  return answer;
}

// The start question: repeated until the answer is 0 or 1; either answer goes on.
void AskStart(Io& io) {
  std::int32_t answer = 0;
  do {
    AskNumber(io, answer);
  } while (answer != 0 && answer != 1);
}

// A file name typed or read with the edit descriptor A: its first 20 characters, blank-filled.
std::string ReadName(Io& io, int unit) {
  Name name{};
  ReadFormatted(io, unit, name);
  return std::string(name.data(), name.size());
}

// FNAME from the fourth line of WORK.LST, or typed in.
void ChooseResultFile(Io& io, Answers& run) {
  EmptyLine(io);
  EmptyLine(io);
  WriteFormatted(io, kConsoleOut, kFileChoiceBox);
  EmptyLine(io);
  std::int32_t choice = 0;
  for (;;) {
    AskNumber(io, choice);
    if (choice == 0) {
      io.OpenUnit(kWorkListUnit, "WORK.LST", "OLD", "FORMATTED");
      for (int line = 1; line <= 4; ++line) run.FNAME = ReadName(io, kWorkListUnit);
      return;
    }
    if (choice == 1) {
      WriteList(io, kConsoleOut, "  INPUT the File Name. ");
      run.FNAME = ReadName(io, kConsoleIn);
      return;
    }
  }
}

// Title and counts; anything but 0 ends the run with stop code 1111.
void Confirm(Io& io, const Store& s) {
  WriteFormatted(io, kConsoleOut, kTitle, TextArray{s.TITLE.data(), 20, 4});
  WriteList(io, kConsoleOut, kNodeCountLabel, s.NUMNP, kElementCountLabel, s.NUMEL);
  WriteList(io, kConsoleOut, std::string_view{});
  WriteList(io, kConsoleOut, kDataOkQuestion);
  WriteList(io, kConsoleOut, std::string_view{});
  std::int32_t answer = 0;
  if (AskNumber(io, answer) != 0) StopRun(1111);
}

// The output kind; answers of 3 and more are raised by 1. No answer is refused.
void ChooseOutputKind(Io& io, Answers& run) {
  WriteList(io, kConsoleOut, "  Select data-Transfer type");
  for (const OutputKind* kind : OutputKinds()) {
    if (kind->menuAnswer != 0) WriteList(io, kConsoleOut, kind->menuLine);
  }
  std::int32_t answer = 0;
  AskNumber(io, answer);
  run.ITYPE = answer >= 3 ? answer + 1 : answer;
  if (KindOfCode(run.ITYPE).Takes(kTakesHead)) {
    WriteList(io, kConsoleOut, "  Set Head-style  pres./0 total/1");
    AskNumber(io, run.out.IHEAD);
  }
}

void OpenOutputFile(Io& io, Answers& run) {
  WriteList(io, kConsoleOut, " ");
  WriteList(io, kConsoleOut, "  INPUT Output File Name");
  run.out.ONAME = ReadName(io, kConsoleIn);
  io.OpenUnit(kOutputUnit, run.out.ONAME, "unknown", "FORMATTED");
}

void AskPointFileName(Io& io, Answers& run) {
  WriteList(io, kConsoleOut, " ");
  WriteList(io, kConsoleOut, "  INPUT File Name of POINT DATA");
  run.out.PNAME = ReadName(io, kConsoleIn);
}

void AskSelection(Io& io, Answers& run) {
  WriteList(io, kConsoleOut, " Input your interest\tNo. OF TIME STEP");
  WriteList(io, kConsoleOut, "   If input (<0) No., All time step avairable ");
  WriteList(io, kConsoleOut, "   If input (0) No., Final time step avairable ");
  AskNumber(io, run.ISEL);
}

}  // namespace

void RunDialogue(Io& io, Store& s) {
  Answers run;
  EmptyLine(io);
  EmptyLine(io);
  WriteFormatted(io, kConsoleOut, kBanner);
  EmptyLine(io);
  AskStart(io);

  ChooseResultFile(io, run);
  result::Open(io, run.FNAME);
  result::ReadHeader(io, s);
  Confirm(io, s);

  ChooseOutputKind(io, run);
  OpenOutputFile(io, run);
  Conversion c(io, s, run.out, KindOfCode(run.ITYPE));
  if (c.kind.Takes(kNeedsPoints)) AskPointFileName(io, run);
  SetUpWriter(c);
  AskSelection(io, run);
  StepTally tally;
  StepLoop(c, StepSelection::FromIsel(run.ISEL), tally);
  FinishWriter(c);

  // Every record reaches its file before the run calls itself a normal termination, so that a write
  // failure (a full disk) is reported instead of it.
  io.FlushAll();
  WriteFormatted(io, kConsoleOut, kTermination);
  WriteList(io, kConsoleOut, " ");
}

int RunProcess(std::FILE* in, std::FILE* out, std::FILE* err) {
  auto io = std::make_unique<Io>(in, out, err);
  auto store = std::make_unique<Store>();
  int status = 0;
  try {
    RunDialogue(*io, *store);
    io->CloseAll();
  } catch (const IoFailure& failure) {
    // Whatever was written before the failure stays in its file.
    try {
      io->CloseAll();
    } catch (const IoFailure&) {
    }
    io->ErrorStreamLine(SevereLine(failure));
    status = failure.number;
  } catch (const StopRequest& stop) {
    try {
      io->CloseAll();
    } catch (const IoFailure&) {
    }
    io->ErrorStreamLine(std::to_string(stop.code));
    status = stop.code;
  }
  return status;
}

}  // namespace seep
