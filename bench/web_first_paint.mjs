// The first contentful paint of two or more builds of the page, opened
// cold (?n=20) in turn: each round opens every site once, in a fresh
// browser context, in the order given and then the reverse, so that the
// machine's slower and faster spells fall on all of them alike. For
// comparing one version of the page with another, which the page's own
// marks (web_speed.mjs) cannot do when the versions' marks differ.
//
//   node bench/web_first_paint.mjs [--no-settle] ROUNDS SITE_DIR SITE_DIR...
//
// Prints, for each site, the median, fastest and slowest first contentful
// paint, and the median of its differences from the first site's paint in
// the same round. --no-settle opens each page at once instead of waiting
// for the idle machine (page_bench.mjs).
import path from "node:path";
import { serve } from "../tests/web/server.mjs";
import { idle, launch, median, summary } from "./page_bench.mjs";

const settle = !process.argv.includes("--no-settle");
const [rounds, ...sites] = process.argv.slice(2).filter((arg) => arg !== "--no-settle");
if (!(Number(rounds) > 0) || sites.length < 2) {
  console.error("usage: node bench/web_first_paint.mjs [--no-settle] ROUNDS SITE_DIR SITE_DIR...");
  process.exit(2);
}

const servers = await Promise.all(sites.map((site) => serve(path.resolve(site))));
const browser = await launch();
const paints = sites.map(() => []);
try {
  for (let round = 0; round < Number(rounds); round++) {
    const order = sites.map((_, i) => i);
    if (round % 2) order.reverse();
    for (const i of order) {
      const context = await browser.newContext({ viewport: { width: 1000, height: 900 } });
      const page = await context.newPage();
      if (settle) await idle();
      await page.goto(`${servers[i].url}?n=20`);
      const paint = await page.waitForFunction(() =>
        performance.getEntriesByName("first-contentful-paint")[0]?.startTime);
      paints[i][round] = await paint.jsonValue();
      await context.close();
    }
  }
  console.log(`Chromium ${browser.version()}, first contentful paint of ?n=20` +
    (settle ? "" : " (--no-settle)"));
  sites.forEach((site, i) => {
    const apart = paints[i].map((paint, round) => paint - paints[0][round]);
    console.log(`${site}: ${summary(paints[i])}` +
      (i ? `; against ${sites[0]}: ${median(apart).toFixed(1)} ms at the median` : ""));
  });
} finally {
  await browser.close();
  await Promise.all(servers.map((server) => server.close()));
}
