// How quickly the web page answers, in Debian's Chromium, from the page's
// own marks (web/app.js):
//   cold  opening the page (?n=20) to its painted order-20 code, each run in
//         a fresh browser context, so with nothing cached, once the machine
//         is idle again: this Chromium gives each new context a window of
//         its own and builds that window's WebUI pages (the omnibox's) for
//         half a second to a second, on the same two cores, which a user
//         opening the page in a browser already open does not wait for
//         (--no-settle navigates at once, as before);
//         and, after it, the correctly rounded rule painted, its module
//         compiled once the code is on the screen;
//   warm  Enter in the field to the painted order-999 text, in a page that
//         has run before: once with 999 in the field each time (the page
//         redraws only what changed, so this is mostly the program's run),
//         and once with 998 and 999 in turn, every part drawn anew; the
//         correctly rounded rule (zemta-rule's run, in the same task, to
//         its painted text) is part of it, and also reported alone.
// "Painted" is the first task after the next frame once the panels, the
// table and the plot are drawn: the page's own mark. The cold runs also
// report the browser's first contentful paint, the time the first frame
// with content was shown; when the code is in that frame, this is later
// than the page's mark by the time the browser takes to draw the frame.
// Needs the built site and tests/web's packages (scripts/check-page builds
// the one and installs the other with ensure_web_test_packages from
// scripts/packages.sh).
//
//   node bench/web_speed.mjs [--no-settle] [SITE_DIR [COLD_RUNS [WARM_RUNS]]]
//
// SITE_DIR defaults to build/wasm/site, COLD_RUNS to 10 and WARM_RUNS to
// 15 (after 3 runs to warm up). Prints the median, the fastest and the
// slowest of each.
import path from "node:path";
import { readFileSync } from "node:fs";
import { createRequire } from "node:module";
import { serve } from "../tests/web/server.mjs";

const require = createRequire(new URL("../tests/web/", import.meta.url));
const { chromium } = require("playwright-core");

const settle = !process.argv.includes("--no-settle");
const [siteDir = "build/wasm/site", coldRuns = "10", warmRuns = "15"] =
  process.argv.slice(2).filter((arg) => arg !== "--no-settle");
const warmUps = 3;

// The processors' busy and total time so far, from /proc/stat.
function processorTimes() {
  const [, ...fields] = readFileSync("/proc/stat", "latin1").split("\n")[0].trim().split(/\s+/);
  const ticks = fields.map(Number);
  const idle = ticks[3] + ticks[4]; // idle and iowait
  const total = ticks.reduce((sum, tick) => sum + tick, 0);
  return { busy: total - idle, total };
}

// Resolves once the processors have been at least 90 % idle for two
// tenths of a second in a row, or after five seconds; after two seconds
// where there is no /proc/stat to read.
async function idle() {
  const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
  try {
    processorTimes();
  } catch {
    await sleep(2000);
    return;
  }
  let calm = 0;
  let last = processorTimes();
  for (let waited = 0; waited < 5000 && calm < 2; waited += 100) {
    await sleep(100);
    const now = processorTimes();
    const busy = (now.busy - last.busy) / Math.max(1, now.total - last.total);
    calm = busy < 0.1 ? calm + 1 : 0;
    last = now;
  }
}

function summary(times) {
  times.sort((a, b) => a - b);
  const middle = times.length >> 1;
  const median = times.length % 2
    ? times[middle]
    : (times[middle - 1] + times[middle]) / 2;
  return `median ${median.toFixed(1)} ms, fastest ${times[0].toFixed(1)} ms, ` +
    `slowest ${times.at(-1).toFixed(1)} ms (${times.length} runs)`;
}

// The duration of the named measure, once the page has taken it (or, with
// end, the time it ended).
async function measured(page, name, end = false) {
  const ms = await page.waitForFunction(([measure, end]) => {
    const [entry] = performance.getEntriesByName(measure, "measure");
    return entry && (end ? entry.startTime + entry.duration : entry.duration);
  }, [name, end]);
  return ms.jsonValue();
}

const server = await serve(path.resolve(siteDir));
const browser = await chromium.launch({
  executablePath: process.env.CHROMIUM ?? "/usr/bin/chromium",
  args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync"],
});
const viewport = { width: 1000, height: 900 };
try {
  const cold = [];
  const firstPaint = [];
  const coldRule = [];
  const waits = [];
  for (let run = 0; run < Number(coldRuns); run++) {
    const context = await browser.newContext({ viewport });
    const page = await context.newPage();
    if (settle) {
      const waitFrom = performance.now();
      await idle();
      waits.push(performance.now() - waitFrom);
    }
    await page.goto(`${server.url}?n=20`);
    cold.push(await measured(page, "zemta: opening to painted text"));
    // The browser's own record of its first frame with content, which may
    // come after the page's mark.
    const paint = await page.waitForFunction(() =>
      performance.getEntriesByName("first-contentful-paint")[0]?.startTime);
    firstPaint.push(await paint.jsonValue());
    coldRule.push(await measured(page, "zemta: rule to painted text", true));
    await context.close();
  }

  const context = await browser.newContext({ viewport });
  const page = await context.newPage();
  await page.goto(`${server.url}?n=999`);
  await page.waitForFunction(() => document.getElementById("text-rounded").textContent !== "");
  const warm = [];
  const alternate = [];
  const rule = [];
  for (let run = 0; run < warmUps + 2 * Number(warmRuns); run++) {
    const order = run % 2 ? "998" : "999";
    await page.fill("#order", run >= warmUps + Number(warmRuns) ? order : "999");
    await page.evaluate(() => performance.clearMeasures());
    await page.press("#order", "Enter");
    const ms = await measured(page, "zemta: order to painted text");
    if (run >= warmUps) rule.push(await measured(page, "zemta: rule to painted text"));
    if (run >= warmUps + Number(warmRuns)) alternate.push(ms);
    else if (run >= warmUps) warm.push(ms);
  }
  await context.close();

  console.log(`Chromium ${browser.version()}`);
  console.log(`cold${settle ? "" : " (--no-settle)"}: opening ?n=20 to painted code: ${summary(cold)}`);
  console.log(`      the same pages' first contentful paint: ${summary(firstPaint)}`);
  if (settle) console.log(`      the wait for the idle machine before each: ${summary(waits)}`);
  console.log(`      opening to the painted correctly rounded rule: ${summary(coldRule)}`);
  console.log(`warm: Enter to painted order-999 text: ${summary(warm)}`);
  console.log(`      998 and 999 in turn: ${summary(alternate)}`);
  console.log(`      of which zemta-rule's run to its painted rule: ${summary(rule)}`);
} finally {
  await browser.close();
  await server.close();
}
