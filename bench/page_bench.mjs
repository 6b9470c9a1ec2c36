// What the page's benchmarks (web_speed.mjs, web_first_paint.mjs) share:
// Debian's Chromium launched as the page tests launch it, the wait for an
// idle machine before a cold run, and the summary of a list of times.
import { readFileSync } from "node:fs";
import { createRequire } from "node:module";

const require = createRequire(new URL("../tests/web/", import.meta.url));
const { chromium } = require("playwright-core");

export function launch() {
  return chromium.launch({
    executablePath: process.env.CHROMIUM ?? "/usr/bin/chromium",
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
      "--disable-background-networking", "--disable-component-update", "--disable-sync"],
  });
}

// The processors' busy and total time so far, from /proc/stat.
function processorTimes() {
  const [, ...fields] = readFileSync("/proc/stat", "latin1").split("\n")[0].trim().split(/\s+/);
  const ticks = fields.map(Number);
  const idleTicks = ticks[3] + ticks[4]; // idle and iowait
  const total = ticks.reduce((sum, tick) => sum + tick, 0);
  return { busy: total - idleTicks, total };
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Resolves once the processors have been at least 90 % idle for two
// tenths of a second in a row, or after five seconds; after two seconds
// where there is no /proc/stat to read. A cold run waits for it after
// making its fresh browser context: this Chromium gives each new context a
// window of its own and builds that window's WebUI pages (the omnibox's)
// for half a second to a second, on the same two cores as the page, which
// a user opening the page in a browser already open does not wait for.
export async function idle() {
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

export function median(times) {
  const sorted = [...times].sort((a, b) => a - b);
  const middle = sorted.length >> 1;
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

export function summary(times) {
  return `median ${median(times).toFixed(1)} ms, fastest ${Math.min(...times).toFixed(1)} ms, ` +
    `slowest ${Math.max(...times).toFixed(1)} ms (${times.length} runs)`;
}
