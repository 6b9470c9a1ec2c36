// Time from a click on Generate to the painted text, for one order in the
// web page in Debian's Chromium: the page marks the submit and, once the
// panels and the plot are filled, measures up to the first task after the
// next frame. Needs the built site and tests/web's packages
// (scripts/check-page installs and builds both).
//
//   node bench/web_speed.mjs [SITE_DIR [ORDER [RUNS]]]
//
// SITE_DIR defaults to build/wasm/site, ORDER to 999, RUNS to 15. Prints
// the median, the fastest and the slowest of the warm runs, after 3 runs to
// warm up.
import path from "node:path";
import { launch } from "../tests/web/chromium.mjs";
import { serve } from "../tests/web/server.mjs";

const [siteDir = "build/wasm/site", order = "999", runs = "15"] =
  process.argv.slice(2);
const warmUps = 3;
const measure = "zemta: order to painted text";

const server = await serve(path.resolve(siteDir));
const browser = await launch({ viewport: { width: 1000, height: 900 } });
try {
  const page = browser.context.pages()[0] ?? (await browser.context.newPage());
  await page.goto(`${server.url}?n=${order}`);
  await page.waitForFunction(() => document.body.dataset.state === "done");

  const times = [];
  for (let run = 0; run < warmUps + Number(runs); run++) {
    await page.evaluate(() => performance.clearMeasures());
    await page.click("#generate");
    const ms = await page.waitForFunction((name) => {
      const [entry] = performance.getEntriesByName(name, "measure");
      return entry && entry.duration;
    }, measure);
    if (run >= warmUps) times.push(await ms.jsonValue());
  }
  times.sort((a, b) => a - b);
  const median = times.length % 2
    ? times[(times.length - 1) / 2]
    : (times[times.length / 2 - 1] + times[times.length / 2]) / 2;
  const version = browser.context.browser()?.version() ?? "Chromium";
  console.log(
    `order ${order}, click to painted text in ${version}: median ` +
    `${median.toFixed(1)} ms, fastest ${times[0].toFixed(1)} ms, slowest ` +
    `${times.at(-1).toFixed(1)} ms (${times.length} warm runs)`);
} finally {
  await browser.close();
  await server.close();
}
