#include "support/dialogue.h"

namespace seep::test {

bool AsksHeadStyle(MenuAnswer kind) {
  return kind == MenuAnswer::kRestart;
}

bool AsksPointFile(MenuAnswer kind) {
  return kind == MenuAnswer::kInterp;
}

DialogueAnswers DialogueAnswers::AtMenu(std::string_view result) {
  DialogueAnswers a;
  a.Start().TypedFile(result).Confirm();
  return a;
}

DialogueAnswers DialogueAnswers::Conversion(MenuAnswer kind, std::string_view output, std::string_view isel,
                                            HeadStyle head, std::string_view points) {
  DialogueAnswers a = AtMenu();
  a.Convert(kind, output, head, points).Selection(isel);
  return a;
}

DialogueAnswers& DialogueAnswers::Line(std::string_view answer) {
  text_.append(answer).push_back('\n');
  return *this;
}

DialogueAnswers& DialogueAnswers::Start(std::string_view answer) {
  return Line(answer);
}

DialogueAnswers& DialogueAnswers::WorkList() {
  return Line("0");
}

DialogueAnswers& DialogueAnswers::TypedFile(std::string_view name) {
  return Line("1").Line(name);
}

DialogueAnswers& DialogueAnswers::FileChoice(std::string_view answer) {
  return Line(answer);
}

DialogueAnswers& DialogueAnswers::Confirm(std::string_view answer) {
  return Line(answer);
}

DialogueAnswers& DialogueAnswers::Menu(MenuAnswer kind) {
  return Line(std::to_string(static_cast<int>(kind)));
}

DialogueAnswers& DialogueAnswers::Menu(std::string_view answer) {
  return Line(answer);
}

DialogueAnswers& DialogueAnswers::Head(HeadStyle style) {
  return Line(std::to_string(static_cast<int>(style)));
}

DialogueAnswers& DialogueAnswers::Output(std::string_view name) {
  return Line(name);
}

DialogueAnswers& DialogueAnswers::Points(std::string_view name) {
  return Line(name);
}

DialogueAnswers& DialogueAnswers::Selection(std::string_view isel) {
  return Line(isel);
}

DialogueAnswers& DialogueAnswers::Convert(MenuAnswer kind, std::string_view output, HeadStyle head,
                                          std::string_view points) {
  Menu(kind);
  if (AsksHeadStyle(kind)) Head(head);
  Output(output);
  if (AsksPointFile(kind)) Points(points);
  return *this;
}

}  // namespace seep::test
