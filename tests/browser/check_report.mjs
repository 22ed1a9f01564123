// Opens a seepconv report in Debian's headless Chromium from a file:// URL with the network off, works
// its slider, buttons and arrow keys, and prints it to PDF. Prints one line per check that failed and
// exits 1 when any did.
//
// Usage: node check_report.mjs REPORT.html [SCREENSHOT.png]
import fs from "node:fs";
import path from "node:path";
import zlib from "node:zlib";
import { pathToFileURL } from "node:url";
import puppeteer from "puppeteer-core";

const [report, screenshotPath] = process.argv.slice(2);
const failures = [];
const check = (ok, what) => { if (!ok) failures.push(what); };

// The pixels of a PNG screenshot (8-bit RGB or RGBA, not interlaced), as rows of bytes.
function decodePng(buffer) {
  let at = 8, width = 0, height = 0, channels = 0;
  const data = [];
  while (at < buffer.length) {
    const length = buffer.readUInt32BE(at), type = buffer.toString("ascii", at + 4, at + 8);
    const body = buffer.subarray(at + 8, at + 8 + length);
    if (type === "IHDR") {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      channels = body[9] === 6 ? 4 : 3;
    } else if (type === "IDAT") {
      data.push(body);
    }
    at += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(data));
  const stride = width * channels, pixels = Buffer.alloc(stride * height);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    for (let x = 0; x < stride; ++x) {
      const v = raw[y * (stride + 1) + 1 + x];
      const a = x >= channels ? pixels[y * stride + x - channels] : 0;
      const b = y > 0 ? pixels[(y - 1) * stride + x] : 0;
      const c = x >= channels && y > 0 ? pixels[(y - 1) * stride + x - channels] : 0;
      let p = v;
      if (filter === 1) p = v + a;
      else if (filter === 2) p = v + b;
      else if (filter === 3) p = v + ((a + b) >> 1);
      else if (filter === 4) {
        const q = a + b - c, pa = Math.abs(q - a), pb = Math.abs(q - b), pc = Math.abs(q - c);
        p = v + (pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
      }
      pixels[y * stride + x] = p & 255;
    }
  }
  return { width, height, channels, pixels };
}

// Share of pixels that are not white, and the number of distinct colours.
function inked(png) {
  const colours = new Set();
  let ink = 0;
  for (let k = 0; k < png.width * png.height; ++k) {
    const r = png.pixels[k * png.channels], g = png.pixels[k * png.channels + 1], b = png.pixels[k * png.channels + 2];
    if (r < 245 || g < 245 || b < 245) ++ink;
    colours.add((r << 16) | (g << 8) | b);
  }
  return { share: ink / (png.width * png.height), colours: colours.size };
}

const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
  headless: true,
  args: ["--no-sandbox", "--disable-gpu", "--disable-background-networking", "--no-first-run",
         "--disable-component-update", "--disable-sync", "--disable-default-apps"],
});
try {
  const page = await browser.newPage();
  await page.setViewport({ width: 1200, height: 900 });
  await page.setOfflineMode(true);
  const url = pathToFileURL(path.resolve(report)).href;
  page.on("console", (m) => { if (m.type() === "error" || m.type() === "warn") failures.push("console: " + m.text()); });
  page.on("pageerror", (e) => failures.push("script error: " + e.message));
  page.on("requestfailed", (r) => failures.push("failed request: " + r.url()));
  page.on("request", (r) => { if (r.url() !== url) failures.push("request other than the report: " + r.url()); });
  await page.goto(url, { waitUntil: "load" });

  // What the page shows: the visible picture, the step label, the highlighted row.
  const state = () => page.evaluate(() => {
    const figures = [...document.querySelectorAll("figure.step")];
    const visible = figures.filter((f) => f.getBoundingClientRect().height > 0).map((f) => figures.indexOf(f));
    const rows = [...document.querySelectorAll("tr.shown")].map((r) => r.id);
    const shown = figures[visible[0]];
    return { count: figures.length, visible, label: document.getElementById("shown").textContent, rows,
             row: shown ? shown.getAttribute("data-row") : "",
             step: shown ? shown.getAttribute("data-step") : "", time: shown ? shown.getAttribute("data-time") : "",
             slider: Number(document.getElementById("slider").value) };
  });
  const expectShown = (s, k, what) => {
    check(s.visible.length === 1 && s.visible[0] === k, `${what}: picture ${k + 1} alone shown, not ${JSON.stringify(s.visible)}`);
    check(s.label === `Step ${s.step}, time ${s.time}`, `${what}: label "${s.label}" names step ${s.step}, time ${s.time}`);
    check(s.rows.length === 1 && s.rows[0] === s.row, `${what}: row ${s.row} alone highlighted, not ${JSON.stringify(s.rows)}`);
    check(s.slider === k, `${what}: slider at ${k}, not ${s.slider}`);
  };

  let s = await state();
  const last = s.count - 1;
  check(s.count >= 2, `at least two pictures, not ${s.count}`);
  expectShown(s, last, "on opening");

  // The slider moved with the keyboard (Home takes it to its start), then the buttons and arrow keys.
  await page.focus("#slider");
  await page.keyboard.press("Home");
  expectShown(await state(), 0, "slider at its start");
  await page.click("#next");
  expectShown(await state(), 1, "next button");
  await page.click("#previous");
  expectShown(await state(), 0, "previous button");
  await page.click("h1");  // the focus off the slider: the page's own arrow keys
  await page.keyboard.press("ArrowRight");
  await page.keyboard.press("ArrowRight");
  expectShown(await state(), 2, "two right arrows");
  await page.keyboard.press("ArrowLeft");
  expectShown(await state(), 1, "left arrow");
  await page.click("#" + (await page.evaluate(() => document.querySelectorAll("figure.step")[3].getAttribute("data-row"))));
  expectShown(await state(), 3, "a click on the row of picture 4");
  await page.keyboard.press("ArrowLeft");
  await page.keyboard.press("ArrowLeft");
  const before = await state();
  check(before.label !== s.label, "the label changes with the step");

  // Play advances by itself, then stops at the last picture.
  await page.click("#play");
  await new Promise((r) => setTimeout(r, 1600));
  s = await state();
  check(s.visible[0] >= 2, `play advanced from picture 2 to at least 3, not ${s.visible[0] + 1}`);
  await page.click("#play");
  expectShown(await state(), (await state()).visible[0], "after pause");

  // A screenshot of the page with the last picture: not blank.
  await page.focus("#slider");
  await page.keyboard.press("End");
  expectShown(await state(), last, "slider at its end");
  const shot = await page.screenshot({ type: "png" });
  const ink = inked(decodePng(shot));
  check(ink.share > 0.1 && ink.colours > 20, `screenshot not blank: ${(ink.share * 100).toFixed(1)} % inked, ${ink.colours} colours`);
  if (screenshotPath) {
    await page.evaluate(() => document.activeElement && document.activeElement.blur());
    const figure = await page.$("figure.step.shown");
    const box = await figure.boundingBox();
    await page.screenshot({ path: screenshotPath, clip: { x: 0, y: 0, width: 1200, height: Math.min(box.y + box.height + 16, 1400) } });
  }

  // Print: one page per picture, then the steps table, then the points and the sections (chart and
  // tables) when there are; the tables of the sections of a long run may go on over a second page.
  const pdf = Buffer.from(await page.pdf({ format: "A4", printBackground: true }));
  const pages = (pdf.toString("latin1").match(/\/Type\s*\/Page(?![a-z])/g) || []).length;
  const more = await page.evaluate(() => document.querySelectorAll("section.points, section.sections").length);
  const expected = s.count + 1 + more;
  check(pages >= expected && pages <= expected + more,
        `printed ${pages} pages, not ${expected} to ${expected + more} (${s.count} pictures, the steps table and ${more} more)`);
  await page.emulateMediaType("print");
  const hidden = await page.evaluate(() => getComputedStyle(document.querySelector(".controls")).display);
  check(hidden === "none", `the slider's controls are not printed (display ${hidden})`);
  console.log(`${s.count} pictures, ${pages} pages printed, screenshot ${(ink.share * 100).toFixed(0)} % inked`);
} finally {
  await browser.close();
}
for (const f of failures) console.log("FAIL " + f);
process.exit(failures.length ? 1 : 0);
