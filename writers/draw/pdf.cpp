#include "writers/draw/pdf.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <map>
#include <optional>

namespace seep {
namespace {

// Points per picture unit: 72 points to the inch, 96 picture units to the inch.
constexpr double kPointsPerUnit = 0.75;

// Helvetica's advance widths (thousandths of the type size) of the characters 32 ... 126.
constexpr std::array<std::uint16_t, 95> kHelveticaWidths = {
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333,  278, 278, 556, 556, 556,
    556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556, 1015, 667, 667, 722, 722, 667,
    611, 778, 722, 278, 500, 667, 556, 833, 722, 778, 667, 778, 722, 667,  611, 722, 667, 944, 667,
    667, 611, 278, 278, 278, 469, 556, 333, 556, 556, 500, 556, 556, 278,  556, 556, 222, 222, 500,
    222, 833, 556, 556, 556, 556, 333, 500, 278, 556, 500, 722, 500, 500,  500, 334, 260, 334, 584};

// ---------------------------------------------------------------------------------------------------
// Reading the pictures' SVG.

struct Element {
  std::string tag;
  std::map<std::string, std::string, std::less<>> attrs;
  std::string text;  // of a <text>, its entities read
  bool closing = false, empty = false;
};

std::string Unescape(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      out += text[i];
      continue;
    }
    const std::size_t end = text.find(';', i);
    if (end == std::string_view::npos) {
      out += '&';
      continue;
    }
    const std::string_view name = text.substr(i + 1, end - i - 1);
    if (name == "amp")
      out += '&';
    else if (name == "lt")
      out += '<';
    else if (name == "gt")
      out += '>';
    else if (name == "quot")
      out += '"';
    else if (name == "apos" || name == "#39")
      out += '\'';
    else
      out += '?';
    i = end;
  }
  return out;
}

// The next tag from `at` on (and the text up to the next tag, for <text>); false at the end.
bool NextElement(std::string_view svg, std::size_t& at, Element& e) {
  const std::size_t open = svg.find('<', at);
  if (open == std::string_view::npos) return false;
  const std::size_t close = svg.find('>', open);
  if (close == std::string_view::npos) return false;
  std::string_view inside = svg.substr(open + 1, close - open - 1);
  at = close + 1;
  e = Element{};
  if (inside.starts_with('?') || inside.starts_with('!')) {
    e.tag = "?";
    return true;
  }
  if (inside.starts_with('/')) {
    e.closing = true;
    inside.remove_prefix(1);
  }
  if (inside.ends_with('/')) {
    e.empty = true;
    inside.remove_suffix(1);
  }
  std::size_t k = inside.find_first_of(" \n\t");
  e.tag = std::string(inside.substr(0, k));
  while (k != std::string_view::npos && k < inside.size()) {
    const std::size_t nameStart = inside.find_first_not_of(" \n\t", k);
    if (nameStart == std::string_view::npos) break;
    const std::size_t eq = inside.find('=', nameStart);
    if (eq == std::string_view::npos || eq + 1 >= inside.size()) break;
    const char quote = inside[eq + 1];
    const std::size_t valueEnd = inside.find(quote, eq + 2);
    if (valueEnd == std::string_view::npos) break;
    e.attrs[std::string(inside.substr(nameStart, eq - nameStart))] =
        Unescape(inside.substr(eq + 2, valueEnd - eq - 2));
    k = valueEnd + 1;
  }
  if ((e.tag == "text" || e.tag == "style" || e.tag == "title") && !e.closing && !e.empty) {
    const std::size_t end = svg.find('<', at);
    e.text = Unescape(svg.substr(at, end - at));
  }
  return true;
}

double Number(std::string_view text, double fallback = 0.0) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  double v = fallback;
  std::from_chars(text.data(), text.data() + text.size(), v);
  return v;
}

// The properties of an element, from the style sheet's rules for its tag and classes and its own
// attributes, each over the ones before; unset ones come from the enclosing group.
using Style = std::map<std::string, std::string, std::less<>>;

struct StyleSheet {
  std::vector<std::pair<std::string, Style>> rules;  // selector ("text", ".mid"), properties
};

StyleSheet ReadStyleSheet(std::string_view css) {
  StyleSheet sheet;
  std::size_t at = 0;
  for (;;) {
    const std::size_t open = css.find('{', at);
    if (open == std::string_view::npos) break;
    const std::size_t close = css.find('}', open);
    if (close == std::string_view::npos) break;
    std::string_view selector = css.substr(at, open - at);
    while (!selector.empty() && (selector.front() == '\n' || selector.front() == ' '))
      selector.remove_prefix(1);
    Style style;
    std::string_view body = css.substr(open + 1, close - open - 1);
    while (!body.empty()) {
      const std::size_t semi = body.find(';');
      const std::string_view item = body.substr(0, semi);
      const std::size_t colon = item.find(':');
      if (colon != std::string_view::npos)
        style[std::string(item.substr(0, colon))] = std::string(item.substr(colon + 1));
      if (semi == std::string_view::npos) break;
      body.remove_prefix(semi + 1);
    }
    // "a,b{...}" gives each selector the rule.
    while (!selector.empty()) {
      const std::size_t comma = selector.find(',');
      sheet.rules.emplace_back(std::string(selector.substr(0, comma)), style);
      if (comma == std::string_view::npos) break;
      selector.remove_prefix(comma + 1);
    }
    at = close + 1;
  }
  return sheet;
}

// Properties that an element takes from its group when it does not set them itself.
constexpr std::array<std::string_view, 6> kInherited = {"fill",      "stroke",      "stroke-width",
                                                        "font-size", "text-anchor", "stroke-dasharray"};

Style StyleOf(const StyleSheet& sheet, const Element& e, const Style& group) {
  Style style;
  for (std::string_view name : kInherited) {
    if (const auto it = group.find(name); it != group.end()) style[std::string(name)] = it->second;
  }
  std::vector<std::string> classes;
  if (const auto it = e.attrs.find("class"); it != e.attrs.end()) {
    std::string_view list = it->second;
    while (!list.empty()) {
      const std::size_t space = list.find(' ');
      classes.emplace_back(list.substr(0, space));
      if (space == std::string_view::npos) break;
      list.remove_prefix(space + 1);
    }
  }
  for (const auto& [selector, rule] : sheet.rules) {
    const bool applies =
        selector == e.tag || (selector.starts_with('.') &&
                              std::find(classes.begin(), classes.end(), selector.substr(1)) != classes.end());
    if (!applies) continue;
    for (const auto& [name, value] : rule) style[name] = value;
  }
  for (const char* name : {"fill", "stroke", "stroke-width", "stroke-dasharray", "stroke-linecap",
                           "stroke-linejoin", "stroke-opacity", "paint-order", "font-size", "text-anchor"}) {
    if (const auto it = e.attrs.find(name); it != e.attrs.end()) style[name] = it->second;
  }
  return style;
}

std::string Get(const Style& style, std::string_view name, std::string_view fallback = "") {
  const auto it = style.find(name);
  return it != style.end() ? it->second : std::string(fallback);
}

// ---------------------------------------------------------------------------------------------------
// Writing PDF operators.

void Put(std::string& out, double v) {
  if (std::fabs(v) < 5e-4) v = 0.0;
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, 3).ptr;
  std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
  if (text.find('.') != std::string_view::npos) {
    while (text.ends_with('0')) text.remove_suffix(1);
    if (text.ends_with('.')) text.remove_suffix(1);
  }
  out += text;
  out += ' ';
}

// "#rrggbb" (or "#fff") as three components 0 ... 1; nothing for "none".
std::optional<std::array<double, 3>> Colour(std::string_view text) {
  if (text.empty() || text == "none" || text.front() != '#') return std::nullopt;
  text.remove_prefix(1);
  auto hex = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
  std::array<double, 3> rgb{};
  for (int k = 0; k < 3; ++k) {
    const int v = text.size() == 3 ? hex(text[static_cast<std::size_t>(k)]) * 17
                                   : hex(text[static_cast<std::size_t>(2 * k)]) * 16 +
                                         hex(text[static_cast<std::size_t>(2 * k + 1)]);
    rgb[static_cast<std::size_t>(k)] = std::clamp(v, 0, 255) / 255.0;
  }
  return rgb;
}

// Path data as PDF path operators; true when any piece was drawn.
bool PathOperators(std::string& out, std::string_view d) {
  double x = 0.0, y = 0.0, startX = 0.0, startY = 0.0;
  char command = 'M';
  bool any = false;
  std::size_t i = 0;
  auto number = [&](double& v) {
    while (i < d.size() && (d[i] == ' ' || d[i] == ',')) ++i;
    const auto [end, ec] = std::from_chars(d.data() + i, d.data() + d.size(), v);
    if (ec != std::errc{}) return false;
    i = static_cast<std::size_t>(end - d.data());
    return true;
  };
  while (i < d.size()) {
    const char c = d[i];
    if (c == ' ' || c == ',') {
      ++i;
      continue;
    }
    if (std::string_view("MmLlHhVvZz").find(c) != std::string_view::npos) {
      command = c;
      ++i;
      if (c == 'z' || c == 'Z') {
        out += "h ";
        x = startX, y = startY;
      }
      continue;
    }
    double a = 0.0, b = 0.0;
    switch (command) {
      case 'M':
      case 'm':
        if (!number(a) || !number(b)) return any;
        x = command == 'm' ? x + a : a;
        y = command == 'm' ? y + b : b;
        startX = x, startY = y;
        Put(out, x), Put(out, y);
        out += "m ";
        command = command == 'm' ? 'l' : 'L';  // pairs after a move are lines
        continue;
      case 'L':
      case 'l':
        if (!number(a) || !number(b)) return any;
        x = command == 'l' ? x + a : a;
        y = command == 'l' ? y + b : b;
        break;
      case 'H':
      case 'h':
        if (!number(a)) return any;
        x = command == 'h' ? x + a : a;
        break;
      case 'V':
      case 'v':
        if (!number(a)) return any;
        y = command == 'v' ? y + a : a;
        break;
      default:
        return any;
    }
    Put(out, x), Put(out, y);
    out += "l ";
    any = true;
  }
  return any;
}

// UTF-8 text as WinAnsi runs: ordinary characters, and superscript digits and minus signs apart.
struct TextRun {
  std::string bytes;  // WinAnsi
  bool raised = false;
};

std::vector<TextRun> WinAnsiRuns(std::string_view text) {
  std::vector<TextRun> runs;
  auto add = [&](char byte, bool raised) {
    if (runs.empty() || runs.back().raised != raised) runs.push_back({{}, raised});
    runs.back().bytes += byte;
  };
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    std::uint32_t cp = c;
    std::size_t n = 1;
    if (c >= 0xF0 && i + 3 < text.size()) {
      cp = ((c & 0x07u) << 18) | ((text[i + 1] & 0x3Fu) << 12) | ((text[i + 2] & 0x3Fu) << 6) |
           (text[i + 3] & 0x3Fu);
      n = 4;
    } else if (c >= 0xE0 && i + 2 < text.size()) {
      cp = ((c & 0x0Fu) << 12) | ((text[i + 1] & 0x3Fu) << 6) | (text[i + 2] & 0x3Fu);
      n = 3;
    } else if (c >= 0xC0 && i + 1 < text.size()) {
      cp = ((c & 0x1Fu) << 6) | (text[i + 1] & 0x3Fu);
      n = 2;
    }
    i += n;
    if (cp >= 0x2074 && cp <= 0x2079)
      add(static_cast<char>('4' + (cp - 0x2074)), true);
    else if (cp == 0x2070)
      add('0', true);
    else if (cp == 0xB9)
      add('1', true);
    else if (cp == 0xB2 || cp == 0xB3)
      add(static_cast<char>(cp), false);  // ² and ³ are in WinAnsi
    else if (cp == 0x207B)
      add('-', true);
    else if (cp == 0x2014)
      add('\x97', false);
    else if (cp == 0x2013)
      add('\x96', false);
    else if (cp == 0x2026)
      add('\x85', false);
    else if (cp == 0x2212)
      add('-', false);
    else if (cp >= 0x20 && cp < 0x7F)
      add(static_cast<char>(cp), false);
    else if (cp >= 0xA0 && cp <= 0xFF)
      add(static_cast<char>(cp), false);
    else
      add('?', false);
  }
  return runs;
}

double RunWidth(const TextRun& run, double size) {
  double width = 0.0;
  for (char ch : run.bytes) {
    const auto c = static_cast<unsigned char>(ch);
    width += c >= 32 && c <= 126 ? kHelveticaWidths[c - 32] : c == 0x97 || c == 0x85 ? 1000 : 556;
  }
  return width * size * (run.raised ? 0.7 : 1.0) / 1000.0;
}

void PutString(std::string& out, const std::string& bytes) {
  out += '(';
  for (char c : bytes) {
    if (c == '(' || c == ')' || c == '\\') out += '\\';
    out += c;
  }
  out += ") ";
}

// One page's drawing: the picture's SVG into the operators of a content stream.
struct Page {
  double width = 0.0, height = 0.0;  // points
  std::string content;
  std::vector<double> opacities;  // each stroke opacity used, named /A0, /A1, ...
};

class PageDrawing {
 public:
  explicit PageDrawing(Page& page) : page_(page) {}

  void Draw(std::string_view svg) {
    std::size_t at = 0;
    Element e;
    std::vector<Style> groups{Style{}};
    std::string& out = page_.content;
    while (NextElement(svg, at, e)) {
      if (e.tag == "svg" && !e.closing) {
        width_ = Number(e.attrs["width"], 800.0);
        height_ = Number(e.attrs["height"], 600.0);
        page_.width = width_ * kPointsPerUnit;
        page_.height = height_ * kPointsPerUnit;
        // Picture units, y downward, from the top left corner.
        out += "q ";
        Put(out, kPointsPerUnit), out += "0 0 ", Put(out, -kPointsPerUnit), out += "0 ",
            Put(out, page_.height);
        out += "cm\n";
      } else if (e.tag == "svg" && e.closing) {
        out += "Q\n";
      } else if (e.tag == "style" && !e.closing) {
        sheet_ = ReadStyleSheet(e.text);
      } else if (e.tag == "g") {
        if (e.closing) {
          if (groups.size() > 1) groups.pop_back();
        } else if (!e.empty) {
          groups.push_back(StyleOf(sheet_, e, groups.back()));
        }
      } else if (e.tag == "path" && !e.closing) {
        const Style style = StyleOf(sheet_, e, groups.back());
        std::string ops;
        if (PathOperators(ops, e.attrs["d"])) Paint(style, ops);
      } else if (e.tag == "rect" && !e.closing) {
        const Style style = StyleOf(sheet_, e, groups.back());
        const bool whole = e.attrs["width"] == "100%";
        std::string ops;
        Put(ops, whole ? 0.0 : Number(e.attrs["x"])), Put(ops, whole ? 0.0 : Number(e.attrs["y"]));
        Put(ops, whole ? width_ : Number(e.attrs["width"])),
            Put(ops, whole ? height_ : Number(e.attrs["height"]));
        ops += "re ";
        Paint(style, ops);
      } else if (e.tag == "circle" && !e.closing) {
        const Style style = StyleOf(sheet_, e, groups.back());
        Paint(style, CircleOperators(Number(e.attrs["cx"]), Number(e.attrs["cy"]), Number(e.attrs["r"])));
      } else if (e.tag == "text" && !e.closing) {
        DrawText(e, StyleOf(sheet_, e, groups.back()));
      }
    }
  }

 private:
  static std::string CircleOperators(double cx, double cy, double r) {
    // Four Bézier quarters.
    constexpr double k = 0.5523;
    std::string ops;
    Put(ops, cx + r), Put(ops, cy), ops += "m ";
    const double pts[4][6] = {{cx + r, cy + k * r, cx + k * r, cy + r, cx, cy + r},
                              {cx - k * r, cy + r, cx - r, cy + k * r, cx - r, cy},
                              {cx - r, cy - k * r, cx - k * r, cy - r, cx, cy - r},
                              {cx + k * r, cy - r, cx + r, cy - k * r, cx + r, cy}};
    for (const auto& p : pts) {
      for (double v : p) Put(ops, v);
      ops += "c ";
    }
    ops += "h ";
    return ops;
  }

  void StrokeState(const Style& style) {
    std::string& out = page_.content;
    Put(out, Number(Get(style, "stroke-width", "1"), 1.0));
    out += "w ";
    const std::string join = Get(style, "stroke-linejoin"), cap = Get(style, "stroke-linecap");
    out += join == "round" ? "1 j " : "0 j ";
    out += cap == "round" ? "1 J " : "0 J ";
    const std::string dash = Get(style, "stroke-dasharray");
    out += '[';
    if (!dash.empty() && dash != "none") {
      std::string_view d = dash;
      while (!d.empty()) {
        const std::size_t space = d.find_first_of(" ,");
        Put(out, Number(d.substr(0, space)));
        if (space == std::string_view::npos) break;
        d.remove_prefix(space + 1);
      }
    }
    out += "] 0 d ";
    const double opacity = Number(Get(style, "stroke-opacity", "1"), 1.0);
    if (opacity < 1.0) {
      auto it = std::find(page_.opacities.begin(), page_.opacities.end(), opacity);
      if (it == page_.opacities.end()) it = page_.opacities.insert(page_.opacities.end(), opacity);
      out += "/A" + std::to_string(it - page_.opacities.begin()) + " gs ";
    }
  }

  void Paint(const Style& style, const std::string& ops) {
    const auto fill = Colour(Get(style, "fill", "#000"));
    const auto stroke = Colour(Get(style, "stroke", "none"));
    if (!fill && !stroke) return;
    std::string& out = page_.content;
    out += "q ";
    if (fill) Put(out, (*fill)[0]), Put(out, (*fill)[1]), Put(out, (*fill)[2]), out += "rg ";
    if (stroke) {
      Put(out, (*stroke)[0]), Put(out, (*stroke)[1]), Put(out, (*stroke)[2]), out += "RG ";
      StrokeState(style);
    }
    out += ops;
    out += fill && stroke ? "B" : fill ? "f" : "S";
    out += " Q\n";
  }

  void DrawText(const Element& e, const Style& style) {
    const std::vector<TextRun> runs = WinAnsiRuns(e.text);
    if (runs.empty()) return;
    const double size = Number(Get(style, "font-size", "12px"), 12.0);
    double width = 0.0;
    for (const TextRun& run : runs) width += RunWidth(run, size);
    const std::string anchor = Get(style, "text-anchor", "start");
    const double shift = anchor == "middle" ? -0.5 * width : anchor == "end" ? -width : 0.0;
    double x = Number(e.attrs.count("x") ? e.attrs.at("x") : "0"),
           y = Number(e.attrs.count("y") ? e.attrs.at("y") : "0");
    // rotate(-90 cx cy) turns the line upward.
    bool upright = false;
    if (const auto it = e.attrs.find("transform");
        it != e.attrs.end() && it->second.starts_with("rotate(-90"))
      upright = true;
    const auto fill = Colour(Get(style, "fill", "#000"));
    const auto halo = Colour(Get(style, "stroke", "none"));
    std::string& out = page_.content;
    auto show = [&](int mode, const std::array<double, 3>& rgb) {
      out += "q BT /F1 ";
      Put(out, size);
      out += "Tf ";
      if (mode == 1) {
        Put(out, rgb[0]), Put(out, rgb[1]), Put(out, rgb[2]), out += "RG ";
        Put(out, Number(Get(style, "stroke-width", "1"), 1.0) * 1.0), out += "w 1 j 1 Tr ";
      } else {
        Put(out, rgb[0]), Put(out, rgb[1]), Put(out, rgb[2]), out += "rg 0 Tr ";
      }
      if (upright) {
        out += "0 -1 -1 0 ", Put(out, x), Put(out, y), out += "Tm ";
      } else {
        out += "1 0 0 -1 ", Put(out, x), Put(out, y), out += "Tm ";
      }
      Put(out, shift), out += "0 Td ";
      for (const TextRun& run : runs) {
        if (run.raised) {
          out += "/F1 ", Put(out, 0.7 * size), out += "Tf ", Put(out, 0.4 * size), out += "Ts ";
        }
        PutString(out, run.bytes);
        out += "Tj ";
        if (run.raised) out += "/F1 ", Put(out, size), out += "Tf 0 Ts ";
      }
      out += "ET Q\n";
    };
    if (halo) show(1, *halo);
    if (fill) show(0, *fill);
  }

  Page& page_;
  StyleSheet sheet_;
  double width_ = 800.0, height_ = 600.0;
};

// A PDF text string: printable ASCII kept, the rest as '?'.
std::string PdfString(std::string_view text) {
  std::string out = "(";
  for (const TextRun& run : WinAnsiRuns(text)) {
    for (char c : run.bytes) {
      if (c == '(' || c == ')' || c == '\\') out += '\\';
      out += c;
    }
  }
  return out + ")";
}

}  // namespace

void WritePdf(std::string& pdf, const std::vector<std::string>& svgPages, std::string_view title) {
  std::vector<Page> pages(svgPages.size());
  for (std::size_t k = 0; k < svgPages.size(); ++k) PageDrawing(pages[k]).Draw(svgPages[k]);

  // Objects: 1 catalogue, 2 page tree, 3 font, 4 information, then per page its page and its content.
  std::vector<std::string> objects;
  std::string kids;
  for (std::size_t k = 0; k < pages.size(); ++k) kids += std::to_string(5 + 2 * k) + " 0 R ";
  objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
  objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages.size()) + " >>");
  objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
  objects.push_back("<< /Title " + PdfString(title) + " /Producer (seepconv) >>");
  for (std::size_t k = 0; k < pages.size(); ++k) {
    const Page& page = pages[k];
    std::string size;
    Put(size, page.width);
    Put(size, page.height);
    std::string states;
    for (std::size_t a = 0; a < page.opacities.size(); ++a) {
      std::string alpha;
      Put(alpha, page.opacities[a]);
      states += "/A" + std::to_string(a) + " << /Type /ExtGState /CA " + alpha + ">> ";
    }
    objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + size +
                      "] /Resources << /Font << /F1 3 0 R >>" +
                      (states.empty() ? "" : " /ExtGState << " + states + ">>") + " >> /Contents " +
                      std::to_string(6 + 2 * k) + " 0 R >>");
    objects.push_back("<< /Length " + std::to_string(page.content.size()) + " >>\nstream\n" + page.content +
                      "\nendstream");
  }
  pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
  std::vector<std::size_t> offsets;
  for (std::size_t k = 0; k < objects.size(); ++k) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(k + 1) + " 0 obj\n" + objects[k] + "\nendobj\n";
  }
  const std::size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (std::size_t offset : offsets) {
    const std::string digits = std::to_string(offset);
    pdf += std::string(digits.size() < 10 ? 10 - digits.size() : 0, '0') + digits + " 00000 n \n";
  }
  pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
         " /Root 1 0 R /Info 4 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
}

}  // namespace seep
