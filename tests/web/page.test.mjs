// The page in Chromium against the native program: each panel, its copy and
// its download hold exactly the bytes the build's splitter
// (cmake/zemta_split_output.cmake) cuts from the native program's output,
// and the table of the rule the numbers of the C function's arrays. Then
// how the page behaves: under a slow program, on errors, in the history,
// on paper and opened from disk.
//
//   SITE    the built site (default build/wasm/site)
//   ZEMTA   the native program (default build/release/zemta)
//   ARTIFACTS  where the screenshots go (default build/web-test)

import assert from "node:assert/strict";
import { execFileSync, spawnSync } from "node:child_process";
import { existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join, resolve } from "node:path";
import { pathToFileURL } from "node:url";
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
async function open(query = "", url = server.url + query) {
  const page = await browser.context.newPage();
  page.on("console", (message) => {
    if (message.type() === "error") errors.push(`console: ${message.text()}`);
  });
  page.on("pageerror", (error) => errors.push(`page: ${error.message}`));
  await page.goto(url);
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

// Types the order and presses Enter, then waits for the page to settle on
// what it sent to the program (the order without leading zeros).
async function generate(page, order, sent = order) {
  await page.fill("#order", order);
  await page.press("#order", "Enter");
  await page.waitForFunction((n) => document.body.dataset.state !== "running" &&
    new URLSearchParams(location.search).get("n") === n, sent);
}

// The order whose rule the page shows, from its title.
const shownOrder = async (page) =>
  /^zemta: (\d+)-point Gauss\u2013Legendre rule$/.exec(await page.title())?.[1];

const text = (page, selector) => page.locator(selector).textContent();

// The rule on [-1, 1] as doubles, from the native C function's own text:
// the numbers of its X and W declarations (X0, or X1, W0 and W1, for orders
// 2 and 3, whose weight 1 and middle node 0 stand in the code) mirrored.
function ruleOfC(c, order) {
  const numbers = (name) => [...c.matchAll(new RegExp(`static DBL ${name}[^;]*;`, "g"))]
    .flatMap((declaration) => declaration[0].match(/\d\.\d{19}/g)).map(Number);
  let [x, w] = [numbers("X"), numbers("W")];
  if (order === 2) w = [1];
  if (order === 3) x = [0, ...x];
  const mirror = (half) => half.slice(order % 2).reverse();
  return [...mirror(x).map((t) => -t), ...x].map((node, i) =>
    [node, [...mirror(w), ...w][i]]);
}

// The CSV's rows as numbers; each must have 17 significant digits.
function rowsOfCsv(csv) {
  const [head, ...rows] = csv.split("\r\n");
  assert.equal(head, "node,weight");
  assert.equal(rows.pop(), "");
  return rows.map((row) => row.split(",").map((value) => {
    const digits = value.replace(/^-?0?\.?0*/, "").replace(".", "");
    assert.ok(digits.length === 17 || Number(value) === 0, `${value}: not 17 digits`);
    return Number(value);
  }));
}

for (const order of orders) {
  test(`order ${order}: panels, copies and downloads hold the splitter's bytes`, async () => {
    const truth = expected(order);
    const page = await open();
    await generate(page, order);
    for (const { key, suffix } of panels) {
      // A part below the screen is filled when it comes near.
      await page.locator(`#part-${key}`).scrollIntoViewIfNeeded();
      await page.waitForFunction((id) => document.getElementById(id).textContent !== "", `text-${key}`);
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

test("a slow program never overwrites the field, and the last request wins", async () => {
  const page = await browser.context.newPage();
  await page.addInitScript(() => {
    // A slow machine: the first run starts 1.5 s late, as if the module
    // came late, and every later run 0.2 s late.
    const instantiate = WebAssembly.instantiate;
    let runs = 0;
    WebAssembly.instantiate = (...args) =>
      new Promise((resolve) => setTimeout(resolve, runs++ === 0 ? 1500 : 200))
        .then(() => instantiate(...args));
  });
  await page.goto(server.url);
  const field = page.locator("#order");
  const settled = (n) => page.waitForFunction((order) => document.body.dataset.state === "done" &&
    document.title.startsWith(`zemta: ${order}-point`), n);

  // Typed while the first rule is still loading, not submitted.
  await field.selectText();
  await field.pressSequentially("64", { delay: 50 });
  await settled("20");
  assert.equal(await field.inputValue(), "64");

  await field.selectText();
  for (const key of ["9", "Enter", "9", "Enter", "9", "Enter"]) await field.press(key);
  await settled("999");
  await field.selectText();
  await field.pressSequentially("500", { delay: 30 });
  await field.press("Enter");
  await settled("500");
  await page.waitForTimeout(1000); // for any overtaken result to arrive
  assert.equal(await field.inputValue(), "500");
  assert.equal(await shownOrder(page), "500");
  assert.match(await text(page, "#text-c"), /^DBL GQ500\(/m);

  // A request the page turns down overtakes one still running.
  await field.fill("30");
  await field.press("Enter");
  await field.fill("abc");
  await field.press("Enter");
  await page.waitForTimeout(1000);
  assert.equal(await shownOrder(page), "500");
  assert.equal(await field.inputValue(), "abc");
  await page.close();
});

test("errors: one line beside the field, the last rule kept, the program's text in its messages", async () => {
  const native = spawnSync(zemta, ["1000"], { encoding: "latin1" });
  assert.equal(native.status, 1);
  const page = await open("?n=20");
  const rule20 = await text(page, "#text-c");
  const invalid = () => page.getAttribute("#order", "aria-invalid");

  await generate(page, "1000");
  const reason = /^Error: (.*)$/m.exec(native.stderr)[1];
  assert.equal(await text(page, "#order-error"), `The program did not take 1000: ${reason}.`);
  assert.equal(await invalid(), "true");
  assert.equal(await text(page, "#diagnostics-text"), native.stderr);
  assert.equal(await page.isVisible("#result"), true);
  assert.equal(await page.getAttribute("#result", "class"), "stale");
  assert.equal(await text(page, "#text-c"), rule20);

  // Text the program would read otherwise than meant is not sent.
  const sentences = new Set();
  for (const typed of ["20.5", "1e3", "1,000", "20 points", "abc", ""]) {
    await page.fill("#order", typed);
    await page.press("#order", "Enter");
    const sentence = await text(page, "#order-error");
    assert.ok(sentence.includes(typed.replace(",", "")), `${typed}: ${sentence}`);
    sentences.add(sentence);
    assert.equal(await invalid(), "true");
    assert.equal(new URL(page.url()).searchParams.get("n"), "1000", `${typed} ran`);
  }
  assert.equal(sentences.size, 6);
  assert.equal(await text(page, "#diagnostics-text"), native.stderr);

  // A leading 0 is decimal here, as the note beside the field says.
  assert.match(await text(page, "#order-note"), /020/);
  await generate(page, "020", "20");
  assert.equal(await invalid(), null);
  assert.equal(await text(page, "#order-error"), "");
  assert.equal(await page.getAttribute("#result", "class"), "");
  assert.equal(await text(page, "#text-c"), rule20);
  assert.equal(await page.inputValue("#order"), "020");
  await page.close();
});

test("each order submitted is a history entry; Back and Forward walk them", async () => {
  const page = await open("?n=37");
  assert.equal(await page.inputValue("#order"), "37");
  assert.equal(await text(page, "#text-c"), expected("37").c.toString("latin1"));
  for (const order of ["12", "30", "40"]) await generate(page, order);
  const arrived = async (order) => {
    await page.waitForFunction((n) => document.body.dataset.state === "done" &&
      document.title === `zemta: ${n}-point Gauss\u2013Legendre rule`, order);
    assert.equal(await page.inputValue("#order"), order);
    assert.equal(new URL(page.url()).searchParams.get("n"), order);
  };
  for (const order of ["30", "12", "37"]) {
    await page.goBack();
    await arrived(order);
  }
  await page.goForward();
  await arrived("12");
  // The footer's version, licence and README.
  assert.match((await text(page, "footer")).replace(/\s+/g, " "), /zemta \d+\.\d+ · MIT licence · README/);
  for (const name of ["LICENSE", "README.md"]) {
    assert.ok(existsSync(join(site, await page.getAttribute(`footer a[href="${name}"]`, "href"))));
  }
  await page.close();
});

test("printed, every part of order 999 comes out whole", async () => {
  const page = await open("?n=999");
  await page.emulateMedia({ media: "print" });
  // The parts below the screen, filled for the paper once the page hears
  // of the print medium (an event that comes after emulateMedia returns).
  await page.waitForFunction(() => document.querySelectorAll("#rule-rows tr").length === 999);
  for (const { key } of panels) assert.match(await text(page, `#text-${key}`), /GQ999|A999/);
  const clipped = await page.$$eval(".part pre, .table-box", (boxes) =>
    boxes.filter((box) => box.scrollHeight > box.clientHeight + 1).map((box) => box.closest(".part").id));
  assert.deepEqual(clipped, []);
  await page.close();
});

test("the page opened from disk (file://) works as served; without JavaScript it says so", async () => {
  const url = pathToFileURL(join(site, "index.html")).href;
  const page = await open("", `${url}?n=999`);
  assert.equal(await text(page, "#text-c"), expected("999").c.toString("latin1"));
  await page.close();

  const bare = await browser.context.newPage();
  const session = await browser.context.newCDPSession(bare);
  await session.send("Emulation.setScriptExecutionDisabled", { value: true });
  await bare.goto(url);
  assert.match(await bare.locator("main").innerText(), /Turn JavaScript on/);
  await bare.close();
});

test("no console error or page error", () => {
  assert.deepEqual(errors, []);
});
