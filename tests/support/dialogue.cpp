#include "support/dialogue.h"

#include <stdexcept>

#include "app/kinds.h"

namespace seep::test {
namespace {

// The kind on the menu named `kind`; a name not on the menu is a mistake in the test.
const OutputKind& MenuKind(std::string_view kind) {
  const OutputKind* k = KindOfName("convert", kind);
  if (k == nullptr || k->menuAnswer == 0) {
    throw std::invalid_argument("no kind '" + std::string(kind) + "' on the dialogue's menu");
  }
  return *k;
}

}  // namespace

std::vector<std::string_view> MenuKinds() {
  std::vector<std::string_view> names;
  for (const OutputKind* k : OutputKinds()) {
    if (k->menuAnswer != 0) names.push_back(k->name);
  }
  return names;
}

bool AsksHeadStyle(std::string_view kind) {
  return MenuKind(kind).Takes(kTakesHead);
}

bool AsksPointFile(std::string_view kind) {
  return MenuKind(kind).Takes(kNeedsPoints);
}

DialogueAnswers DialogueAnswers::AtMenu(std::string_view result) {
  DialogueAnswers a;
  a.Start().TypedFile(result).Confirm();
  return a;
}

DialogueAnswers DialogueAnswers::Conversion(std::string_view kind, std::string_view output,
                                            std::string_view isel, HeadStyle head, std::string_view points) {
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

DialogueAnswers& DialogueAnswers::Menu(std::string_view answer) {
  return Line(answer);
}

DialogueAnswers& DialogueAnswers::MenuFor(std::string_view kind) {
  return Line(std::to_string(MenuKind(kind).menuAnswer));
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

DialogueAnswers& DialogueAnswers::Convert(std::string_view kind, std::string_view output, HeadStyle head,
                                          std::string_view points) {
  MenuFor(kind);
  if (AsksHeadStyle(kind)) Head(head);
  Output(output);
  if (AsksPointFile(kind)) Points(points);
  return *this;
}

}  // namespace seep::test
