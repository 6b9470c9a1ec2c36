// The page in Chromium against the native program: each panel, its copy and
// its download hold exactly the bytes the build's splitter
// (cmake/zemta_split_output.cmake) cuts from the native program's output.
//
//   SITE    the built site (default build/wasm/site)
//   ZEMTA   the native program (default build/release/zemta)
//   ARTIFACTS  where the screenshots go (default build/web-test)

import assert from "node:assert/strict";
import { execFileSync, spawnSync } from "node:child_process";
import { mkdirSync, mkdtempSync, readFileSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join, resolve } from "node:path";
import { after, before, test } from "node:test";
import { launch } from "./chromium.mjs";
import { serve } from "./server.mjs";

const top = resolve(import.meta.dirname, "../..");
const site = resolve(top, process.env.SITE ?? "build/wasm/site");
const zemta = resolve(top, process.env.ZEMTA ?? "build/release/zemta");
const artifacts = resolve(top, process.env.ARTIFACTS ?? "build/web-test");

const orders = ["2", "3", "4", "5", "20", "999"];
const panels = [
  { key: "c", file: "C_FILE", suffix: ".c" },
  { key: "fortran", file: "FORTRAN_FILE", suffix: ".f" },
  { key: "raw", file: "RAW_FILE", suffix: "_raw.h" },
];

// What the build writes for an order: the splitter's three files and the
// program's whole output.
function expected(order) {
  const dir = mkdtempSync(join(tmpdir(), "zemta-split-"));
  try {
    const defines = panels.map(({ file, suffix }) => `-D${file}=${join(dir, "gq" + suffix)}`);
    execFileSync("cmake", [`-DZEMTA_EXECUTABLE=${zemta}`, `-DORDER=${order}`, ...defines,
      "-P", join(top, "cmake/zemta_split_output.cmake")]);
    const files = Object.fromEntries(
      panels.map(({ key, suffix }) => [key, readFileSync(join(dir, "gq" + suffix))]));
    files.all = execFileSync(zemta, [order], { stdio: ["ignore", "pipe", "ignore"] });
    return files;
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
}

let server;
let browser;
const errors = [];

// A new tab on the page, settled on its first rule. Each order gets its
// own tab: Chromium holds back a tab's downloads that come faster than a
// person clicks.
async function open(query = "") {
  const page = await browser.context.newPage();
  page.on("console", (message) => {
    if (message.type() === "error") errors.push(`console: ${message.text()}`);
  });
  page.on("pageerror", (error) => errors.push(`page: ${error.message}`));
  await page.goto(server.url + query);
  await page.waitForFunction(() => document.body.dataset.state === "done");
  return page;
}

before(async () => {
  server = await serve(site);
  browser = await launch({ acceptDownloads: true, viewport: { width: 1000, height: 900 } });
  await browser.context.grantPermissions(["clipboard-read", "clipboard-write"],
    { origin: server.url.replace(/\/$/, "") });
});

after(async () => {
  await browser?.close();
  await server?.close();
});

// Types the order and presses Enter, then waits for the page to settle.
async function generate(page, order) {
  await page.fill("#order", order);
  await page.press("#order", "Enter");
  await page.waitForFunction((n) => document.body.dataset.state !== "running" &&
    new URLSearchParams(location.search).get("n") === n, order);
}

const text = (page, selector) => page.locator(selector).textContent();

for (const order of orders) {
  test(`order ${order}: panels, copies and downloads hold the splitter's bytes`, async () => {
    const truth = expected(order);
    const page = await open();
    await generate(page, order);
    for (const { key, suffix } of panels) {
      assert.equal(await text(page, `#text-${key}`), truth[key].toString("latin1"), `${key} panel`);

      await page.press(`button[data-copy="${key}"]`, "Enter");
      const copied = await page.evaluate(() => navigator.clipboard.readText());
      assert.equal(copied, truth[key].toString("latin1"), `${key} copy`);

      const [file] = await Promise.all([page.waitForEvent("download"),
        page.click(`button[data-download="${key}"]`)]);
      assert.equal(file.suggestedFilename(), `gq${order}${suffix}`);
      assert.deepEqual(readFileSync(await file.path()), truth[key], `${key} download`);
    }
    const [whole] = await Promise.all([page.waitForEvent("download"), page.click("#download-all")]);
    assert.equal(whole.suggestedFilename(), `gq${order}.txt`);
    assert.deepEqual(readFileSync(await whole.path()), truth.all, "whole output");
    // The plot has a head for every node.
    const heads = await page.getAttribute("#plot-svg .heads", "d");
    assert.equal(heads.match(/M/g).length, Number(order));
    await page.close();
  });
}

test("order 20 screenshots, wide and phone-narrow", async () => {
  const page = await open("?n=20");
  mkdirSync(artifacts, { recursive: true });
  await page.screenshot({ path: join(artifacts, "order20.png"), fullPage: true });
  await page.setViewportSize({ width: 375, height: 800 });
  await page.screenshot({ path: join(artifacts, "order20-narrow.png"), fullPage: true });
  // Long lines scroll inside their panel; the page itself does not.
  assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= innerWidth));
  await page.close();
});

test("order 1000 shows the program's message and no code", async () => {
  const native = spawnSync(zemta, ["1000"], { encoding: "latin1" });
  assert.equal(native.status, 1);
  const page = await open();
  await generate(page, "1000");
  assert.equal(await page.evaluate(() => document.body.dataset.state), "failed");
  assert.equal(await text(page, "#failure-text"), native.stderr);
  assert.equal(await page.isVisible("#failure"), true);
  assert.equal(await page.isVisible("#result"), false);
  for (const { key } of panels) assert.equal(await text(page, `#text-${key}`), "");
});

test("?n=37 opens on order 37", async () => {
  const page = await open("?n=37");
  assert.equal(await page.inputValue("#order"), "37");
  assert.equal(await text(page, "#text-c"), expected("37").c.toString("latin1"));
  await page.close();
});

test("no console error or page error", () => {
  assert.deepEqual(errors, []);
});
