// The answers a person types into the console dialogue, one per line, in the order its questions come:
//   start (0 or 1 go on, anything else asks again)
//   result file (0: the fourth line of WORK.LST; 1: then the typed name)
//   confirmation of title and counts (0 goes on, anything else stops the run)
//   menu answer (the output kind)
//   head style (for a kind that takes one)
//   output file name
//   point-data file name (for a kind that needs one)
//   step selection (below 0 every step, 0 the last, n the steps numbered n).
// Kinds are named as after --to; their menu answers and extra questions come from the list of kinds.
// Each call appends its answers; a test that stops early ends the console input there.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace seep::test {

// The head column of the restart data set.
enum class HeadStyle : int { kPressure = 0, kTotal = 1 };

// The names of the kinds on the dialogue's menu, in menu order.
std::vector<std::string_view> MenuKinds();
// Whether the dialogue asks the head style, respectively a point-data file, for the kind `kind`.
bool AsksHeadStyle(std::string_view kind);
bool AsksPointFile(std::string_view kind);

class DialogueAnswers {
 public:
  // Started, result file `result` typed and its data confirmed: the dialogue stands at the menu.
  static DialogueAnswers AtMenu(std::string_view result = "R.DAT");
  // The whole conversion of R.DAT: at the menu, Convert, then the selection.
  static DialogueAnswers Conversion(std::string_view kind, std::string_view output, std::string_view isel,
                                    HeadStyle head = HeadStyle::kPressure, std::string_view points = "P.DAT");

  DialogueAnswers& Start(std::string_view answer = "0");
  DialogueAnswers& WorkList();                           // file choice 0
  DialogueAnswers& TypedFile(std::string_view name);     // file choice 1 and the name
  DialogueAnswers& FileChoice(std::string_view answer);  // any other choice, which asks again
  DialogueAnswers& Confirm(std::string_view answer = "0");
  DialogueAnswers& Menu(std::string_view answer);   // as typed: any answer, those without a writer too
  DialogueAnswers& MenuFor(std::string_view kind);  // the answer that picks `kind`
  DialogueAnswers& Head(HeadStyle style);
  DialogueAnswers& Output(std::string_view name);
  DialogueAnswers& Points(std::string_view name);
  DialogueAnswers& Selection(std::string_view isel);

  // The menu answer of `kind`, the head style when it is asked, the output name and the point-data file
  // when it is asked.
  DialogueAnswers& Convert(std::string_view kind, std::string_view output,
                           HeadStyle head = HeadStyle::kPressure, std::string_view points = "P.DAT");

  const std::string& Text() const { return text_; }
  operator std::string_view() const { return text_; }
  operator std::string() const { return text_; }

 private:
  DialogueAnswers& Line(std::string_view answer);
  std::string text_;
};

}  // namespace seep::test
