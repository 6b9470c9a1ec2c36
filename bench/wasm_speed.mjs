// Time of one run of the WebAssembly module inside Node, through
// web/wasi.js as the web page runs it: instantiation, the computation and
// the output, without compiling the module (the page compiles it once).
//
//   node bench/wasm_speed.mjs [SITE_DIR [ORDER [RUNS]]]
//
// SITE_DIR defaults to build/wasm/site, ORDER to 999, RUNS to 50. Prints
// the median, the fastest and the slowest of the warm runs, after 5 runs to
// warm up.
import { readFileSync } from "node:fs";
import path from "node:path";
import { pathToFileURL } from "node:url";

const [siteDir = "build/wasm/site", order = "999", runs = "50"] =
  process.argv.slice(2);
const { runZemta } = await import(
  pathToFileURL(path.resolve(siteDir, "wasi.js")).href
);
const module = await WebAssembly.compile(
  readFileSync(path.resolve(siteDir, "zemta.wasm")),
);

for (let i = 0; i < 5; i++) await runZemta(module, [order]);
const times = [];
for (let i = 0; i < Number(runs); i++) {
  const start = performance.now();
  const run = await runZemta(module, [order]);
  times.push(performance.now() - start);
  if (run.status !== 0) throw new Error(`order ${order}: status ${run.status}`);
}
times.sort((a, b) => a - b);
const ms = (t) => t.toFixed(2);
console.log(
  `wasm_speed: order ${order}, ${times.length} warm runs: median ` +
    `${ms(times[times.length >> 1])} ms, fastest ${ms(times[0])} ms, ` +
    `slowest ${ms(times[times.length - 1])} ms`,
);
