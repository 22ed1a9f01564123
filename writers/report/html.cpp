#include "writers/report/html.h"

#include <charconv>
#include <cmath>

#include "core/io/number_text.h"
#include "core/io/xml_text.h"

namespace seep::html {

void Open(std::string& out, std::string_view tag, std::initializer_list<Attr> attrs) {
  out += '<';
  out += tag;
  for (const Attr& a : attrs) {
    out += ' ';
    out += a.name;
    out += "=\"";
    AppendXmlText(out, a.value);
    out += '"';
  }
  out += '>';
}

void Close(std::string& out, std::string_view tag) {
  out += "</";
  out += tag;
  out += '>';
}

void Element(std::string& out, std::string_view tag, std::string_view text,
             std::initializer_list<Attr> attrs) {
  Open(out, tag, attrs);
  AppendXmlText(out, text);
  Close(out, tag);
}

void Text(std::string& out, std::string_view text) {
  AppendXmlText(out, text);
}

std::string Number(double v) {
  return NumberText(v, 6, kEnDash);
}

}  // namespace seep::html
