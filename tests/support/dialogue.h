// The answers a person types into the console dialogue, one per line, in the order its questions come:
//   start (0 or 1 go on, anything else asks again)
//   result file (0: the fourth line of WORK.LST; 1: then the typed name)
//   confirmation of title and counts (0 goes on, anything else stops the run)
//   menu answer (the output kind)
//   head style (after menu answer 1 only)
//   output file name
//   point-data file name (after menu answer 6 only)
//   step selection (below 0 every step, 0 the last, n the steps numbered n).
// Each call appends its answers; a test that stops early ends the console input there.
#pragma once

#include <string>
#include <string_view>

namespace seep::test {

// Menu answers of the kinds the dialogue offers.
enum class MenuAnswer : int { kRestart = 1, kTecplot, kFemap, kMicroAvs, kIgpost, kInterp };
inline constexpr MenuAnswer kEveryMenuAnswer[] = {MenuAnswer::kRestart, MenuAnswer::kTecplot,
                                                  MenuAnswer::kFemap,   MenuAnswer::kMicroAvs,
                                                  MenuAnswer::kIgpost,  MenuAnswer::kInterp};

// The head column of the restart data set.
enum class HeadStyle : int { kPressure = 0, kTotal = 1 };

// Whether the dialogue asks the head style, respectively a point-data file, after this menu answer.
bool AsksHeadStyle(MenuAnswer kind);
bool AsksPointFile(MenuAnswer kind);

class DialogueAnswers {
 public:
  // Started, result file `result` typed and its data confirmed: the dialogue stands at the menu.
  static DialogueAnswers AtMenu(std::string_view result = "R.DAT");
  // The whole conversion of R.DAT: at the menu, Convert, then the selection.
  static DialogueAnswers Conversion(MenuAnswer kind, std::string_view output, std::string_view isel,
                                    HeadStyle head = HeadStyle::kPressure, std::string_view points = "P.DAT");

  DialogueAnswers& Start(std::string_view answer = "0");
  DialogueAnswers& WorkList();                           // file choice 0
  DialogueAnswers& TypedFile(std::string_view name);     // file choice 1 and the name
  DialogueAnswers& FileChoice(std::string_view answer);  // any other choice, which asks again
  DialogueAnswers& Confirm(std::string_view answer = "0");
  DialogueAnswers& Menu(MenuAnswer kind);
  DialogueAnswers& Menu(std::string_view answer);  // any answer, those without a writer too
  DialogueAnswers& Head(HeadStyle style);
  DialogueAnswers& Output(std::string_view name);
  DialogueAnswers& Points(std::string_view name);
  DialogueAnswers& Selection(std::string_view isel);

  // The menu answer, the head style when it is asked, the output name and the point-data file when it
  // is asked.
  DialogueAnswers& Convert(MenuAnswer kind, std::string_view output, HeadStyle head = HeadStyle::kPressure,
                           std::string_view points = "P.DAT");

  const std::string& Text() const { return text_; }
  operator std::string_view() const { return text_; }
  operator std::string() const { return text_; }

 private:
  DialogueAnswers& Line(std::string_view answer);
  std::string text_;
};

}  // namespace seep::test
