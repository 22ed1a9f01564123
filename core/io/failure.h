// Failures and stops of the input/output layer.
//
// The layer never ends the process itself: a failed open, read or write raises IoFailure, a requested
// stop raises StopRequest, and only the program's entry point turns them into the report line and the
// exit status. That keeps every failure observable in tests and fuzzers.
#pragma once

#include <string>
#include <string_view>

namespace seep {

// Run-time error numbers that the layer raises.
enum ErrorNumber : int {
  kErrPermission = 9,
  kErrEndOfFile = 24,
  kErrFileNotFound = 29,
  kErrOpenFailure = 30,
  kErrWrite = 38,
  kErrRead = 39,
  kErrFileName = 43,
  kErrListSyntax = 59,
  kErrFormatMismatch = 61,
  kErrOutputConversion = 63,
  kErrInputConversion = 64,
  kErrTooMuchData = 67,
  kErrNoDataEdit = 105,
};

// Message text of an error number, with %d for the unit and %s for the file; empty for an unknown number.
std::string_view ErrorText(int number);

// "file %s" as reports name it: the file name, or CONIN$ / CONOUT$ for the console units.
struct IoFailure {
  int number;
  int unit;
  std::string file;
  int cause = 0;  // the system's error code (errno) behind a failed open or write; 0 when none
  std::string words =
      {};  // what went wrong in the command line's words, when neither number nor cause says it
};

// A stop requested by the program (stop code 1111 when the user rejects the data).
struct StopRequest {
  int code;
};

// The report line without its line end: "forrtl: severe (24): end-of-file during read, unit 10, file R.DAT".
std::string SevereLine(const IoFailure& failure);
// Error number for a file or folder that cannot be opened or made, from the system's error code.
int OpenErrorNumber(int err);

// What an error number means, in plain words for the command line: "file not found".
std::string_view PlainText(int number);
// What went wrong in a failure, in plain words: the system's own words for its error code when it gave
// one ("no space left on device"), else those of the error number.
std::string PlainWords(const IoFailure& failure);

// The non-fatal line for error 63: "forrtl: error (63): output conversion error, unit 8, file OUT.DAT".
std::string ErrorLine(int number, int unit, std::string_view file);

}  // namespace seep

namespace seep {

// Ends the run with a stop code; the entry point writes the code on the error stream.
[[noreturn]] inline void StopRun(int code) {
  throw StopRequest{code};
}

}  // namespace seep
