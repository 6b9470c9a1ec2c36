// How quickly the web page answers, in Debian's Chromium, from the page's
// own marks (web/app.js):
//   cold  opening the page (?n=20) to its painted order-20 code, each run in
//         a fresh browser context, so with nothing cached, once the machine
//         is idle again (page_bench.mjs says why; --no-settle navigates at
//         once, as before);
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
import { serve } from "../tests/web/server.mjs";
import { idle, launch, summary } from "./page_bench.mjs";

const settle = !process.argv.includes("--no-settle");
const [siteDir = "build/wasm/site", coldRuns = "10", warmRuns = "15"] =
  process.argv.slice(2).filter((arg) => arg !== "--no-settle");
const warmUps = 3;

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
const browser = await launch();
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
