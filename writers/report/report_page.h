// The report's own style sheets and script, inline in every report: the page on screen, the page on
// paper, and the time slider.
#pragma once

#include <string_view>

namespace seep::report_page {

// Forbids every fetch: only the page's own inline style and script run, nothing is loaded.
inline constexpr std::string_view kContentPolicy =
    "default-src 'none'; style-src 'unsafe-inline'; script-src 'unsafe-inline'; base-uri 'none'; "
    "form-action 'none'";

inline constexpr std::string_view kScreenStyle =
    "body{font-family:DejaVu Sans,Arial,Helvetica,sans-serif;color:#222;background:#fff;max-width:1100px;"
    "margin:24px auto;padding:0 16px}\n"
    "h1{font-size:22px;margin:0 0 10px}h2{font-size:17px;margin:28px 0 8px}h3{font-size:15px;margin:20px 0 "
    "4px}\n"
    "table{border-collapse:collapse;font-size:13px}\n"
    "th,td{padding:3px 10px;text-align:right;border-bottom:1px solid "
    "#ddd;font-variant-numeric:tabular-nums;white-space:nowrap}\n"
    ".num{white-space:nowrap}section.steps,section.points,section.sections{overflow-x:auto}\n"
    "th{background:#f2f2f2}\n"
    "table.facts th,table.facts td{text-align:left;background:none;border:none;padding:1px 14px 1px 0}\n"
    "tr.shown td{background:#ffe08a;font-weight:bold}\n"
    "tr.drawn{cursor:pointer}tr.drawn:hover td{background:#fff3c4}\n"
    ".controls{display:flex;align-items:center;gap:10px;margin:14px 0 6px}\n"
    ".controls input{flex:1}\n"
    ".controls button{font-size:14px;min-width:3em}\n"
    "#shown{min-width:15em;font-variant-numeric:tabular-nums}\n"
    "figure{margin:0}\n"
    "figure svg{display:block;width:100%;height:auto}\n"
    "figure.step{display:none}figure.step.shown{display:block}\n"
    "figcaption{display:none}\n"
    "svg.shared{position:absolute;width:0;height:0;overflow:hidden}\n"
    "p.note{font-size:13px;color:#555}\n"
    "td.least{background:#f6b5a8;font-weight:bold}\n"
    "footer{margin-top:32px;font-size:12px;color:#555}footer code{word-break:break-all}\n"
    "@media print{\n"
    "@page{size:A4;margin:12mm}\n"
    // Every picture and chart across a landscape page of its own, as large as the page lets it be, so
    // that its 12-unit labels print at 8 points or more.
    "@page picture{size:A4 landscape;margin:8mm}\n"
    "body{margin:0;padding:0;max-width:none}\n"
    ".controls{display:none}\n"
    "figure.step,figure.chart{page:picture;display:block;break-after:page;page-break-after:always}\n"
    "figure.step svg,figure.chart svg{width:100%;max-height:180mm}\n"
    "figcaption{display:block;font-size:14px;margin:0 0 4px}\n"
    "tr.shown td{background:none;font-weight:normal}\n"
    "section.points,section.sections{break-before:page;page-break-before:always}\n"
    "}\n";

// The slider: the range input, the buttons and the arrow keys show one picture at a time, name its step
// and time, and mark its row in the steps table; a click on the row of a drawn step shows it; play steps
// through to the last picture.
inline constexpr std::string_view kScript = R"(
(function () {
  "use strict";
  var figures = document.querySelectorAll("figure.step");
  var slider = document.getElementById("slider");
  var label = document.getElementById("shown");
  var play = document.getElementById("play");
  if (!figures.length || !slider) return;
  var shown = figures.length - 1, timer = null;
  for (var k = 0; k < figures.length; ++k) if (figures[k].classList.contains("shown")) shown = k;
  function row(k) { return document.getElementById(figures[k].getAttribute("data-row")); }
  function show(k) {
    k = Math.max(0, Math.min(figures.length - 1, k));
    var r = row(shown);
    figures[shown].classList.remove("shown");
    if (r) r.classList.remove("shown");
    shown = k;
    figures[k].classList.add("shown");
    r = row(k);
    if (r) r.classList.add("shown");
    slider.value = String(k);
    label.textContent = "Step " + figures[k].getAttribute("data-step") + ", time " +
        figures[k].getAttribute("data-time");
  }
  function stop() {
    if (timer === null) return;
    clearInterval(timer);
    timer = null;
    play.textContent = "\u25B6 Play";
  }
  slider.addEventListener("input", function () { stop(); show(Number(slider.value)); });
  Array.prototype.forEach.call(figures, function (f, k) {
    var r = row(k);
    if (!r) return;
    r.classList.add("drawn");
    r.addEventListener("click", function () { stop(); show(k); });
  });
  document.getElementById("previous").addEventListener("click", function () { stop(); show(shown - 1); });
  document.getElementById("next").addEventListener("click", function () { stop(); show(shown + 1); });
  play.addEventListener("click", function () {
    if (timer !== null) { stop(); return; }
    if (shown === figures.length - 1) show(0);
    play.textContent = "\u23F8 Pause";
    timer = setInterval(function () {
      if (shown >= figures.length - 1) stop(); else show(shown + 1);
    }, 700);
  });
  document.addEventListener("keydown", function (e) {
    if (e.target === slider || e.altKey || e.ctrlKey || e.metaKey) return;
    if (e.key === "ArrowLeft") { stop(); show(shown - 1); e.preventDefault(); }
    if (e.key === "ArrowRight") { stop(); show(shown + 1); e.preventDefault(); }
  });
  show(shown);
})();
)";

}  // namespace seep::report_page
