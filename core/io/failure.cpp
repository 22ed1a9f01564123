#include "core/io/failure.h"

#include <array>
#include <cerrno>
#include <system_error>
#include <utility>

namespace seep {
namespace {

struct Message {
  int number;
  std::string_view text;
  std::string_view plain;
};

constexpr std::array kMessages{
    Message{kErrPermission, "permission to access file denied, unit %d, file %s", "permission denied"},
    Message{kErrEndOfFile, "end-of-file during read, unit %d, file %s", "ends early (end of file)"},
    Message{kErrFileNotFound, "file not found, unit %d, file %s", "file not found"},
    Message{kErrOpenFailure, "open failure, unit %d, file %s", "cannot be opened"},
    Message{kErrWrite, "error during write, unit %d, file %s", "write failed"},
    Message{kErrRead, "error during read, unit %d, file %s", "read failed"},
    Message{kErrFileName, "file name specification error, unit %d, file %s", "not a usable file name"},
    Message{kErrListSyntax, "list-directed I/O syntax error, unit %d, file %s",
            "a value is not in a form that can be read"},
    Message{kErrFormatMismatch, "format/variable-type mismatch, unit %d, file %s",
            "a value is not of the kind expected"},
    Message{kErrInputConversion, "input conversion error, unit %d, file %s", "a value is not a number"},
    Message{kErrTooMuchData, "input statement requires too much data, unit %d, file %s",
            "a record is shorter than its counts need"},
    Message{kErrNoDataEdit,
            "there is no data-edit-descriptor to match a data-item in the I/O list, unit %d, file %s",
            "a value has no field to go to"},
    Message{kErrOutputConversion, "output conversion error, unit %d, file %s",
            "a value is too wide for its field"},
};

// Replaces %d by the unit and %s by the file name in a message text.
std::string Fill(std::string_view text, int unit, std::string_view file) {
  std::string out;
  out.reserve(text.size() + file.size() + 8);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == 'd') {
      out += std::to_string(unit);
      ++i;
    } else if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == 's') {
      out += file;
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string Line(std::string_view kind, int number, int unit, std::string_view file) {
  std::string text = Fill(ErrorText(number), unit, file);
  if (text.empty()) text = Fill("unknown error, unit %d, file %s", unit, file);
  return "forrtl: " + std::string(kind) + " (" + std::to_string(number) + "): " + text;
}

}  // namespace

std::string_view ErrorText(int number) {
  for (const Message& m : kMessages) {
    if (m.number == number) return m.text;
  }
  return {};
}

int OpenErrorNumber(int err) {
  switch (err) {
    case EACCES:
    case EPERM:
    case EROFS:
      return kErrPermission;
    case ENOENT:
    case ENOTDIR:
      return kErrFileNotFound;
    case ENAMETOOLONG:
      return kErrFileName;
    default:
      return kErrOpenFailure;
  }
}

std::string_view PlainText(int number) {
  for (const Message& m : kMessages) {
    if (m.number == number) return m.plain;
  }
  return "failed";
}

std::string PlainWords(const IoFailure& failure) {
  if (!failure.words.empty()) return failure.words;
  if (failure.cause == 0) return std::string(PlainText(failure.number));
  std::string what = std::generic_category().message(failure.cause);
  // "No such file or directory" reads as part of a line: lower case, unless it is an abbreviation.
  if (what.size() >= 2 && what[0] >= 'A' && what[0] <= 'Z' && !(what[1] >= 'A' && what[1] <= 'Z')) {
    what[0] = static_cast<char>(what[0] - 'A' + 'a');
  }
  return what;
}

std::string SevereLine(const IoFailure& failure) {
  return Line("severe", failure.number, failure.unit, failure.file);
}

std::string ErrorLine(int number, int unit, std::string_view file) {
  return Line("error", number, unit, file);
}

}  // namespace seep
