// The page in Chromium against the native program: each panel and its copy
// hold exactly the bytes the build's splitter
// (cmake/zemta_split_output.cmake) cuts from the native program's output,
// each download what its name says (the C files compile with gcc), and the
// table of the rule the numbers of the C function's arrays. Then how the
// page behaves: while its module loads, on errors, in the history, on
// paper, opened from disk, on a phone, and to an accessibility checker
// (axe-core); and the correctly rounded rule's form, whose interval ends
// and family parameters only native zemta-rule judges, and whose choices
// the address keeps.
//
//   SITE    the built site (default build/wasm/site)
//   ZEMTA   the native program (default build/release/zemta)
//   ZEMTA_RULE  the native zemta-rule (default beside ZEMTA)
//   ARTIFACTS  where the screenshots go (default build/web-test)

import assert from "node:assert/strict";
import { execFileSync, spawnSync } from "node:child_process";
import { existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join, resolve } from "node:path";
import { pathToFileURL } from "node:url";
import { createRequire } from "node:module";
import { after, before, test } from "node:test";
import { launch } from "./chromium.mjs";
import { serve } from "./server.mjs";

const top = resolve(import.meta.dirname, "../..");
const site = resolve(top, process.env.SITE ?? "build/wasm/site");
const zemta = resolve(top, process.env.ZEMTA ?? "build/release/zemta");
const zemtaRule = resolve(top, process.env.ZEMTA_RULE ?? `${zemta}-rule`);
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
async function open(query = "", url = server.url + query, viewport = null) {
  const page = await browser.context.newPage();
  if (viewport) await page.setViewportSize(viewport);
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

// Waits for the correctly rounded rule of the order and the choice shown,
// or its error.
const ruleDrawn = (page) => page.waitForFunction(() =>
  document.getElementById("part-rounded").dataset.rule === "done");

// Types the interval's ends and presses Enter, which runs them at once.
async function setEnds(page, a, b) {
  await page.fill("#rounded-a", a);
  await page.fill("#rounded-b", b);
  await page.press("#rounded-b", "Enter");
  await ruleDrawn(page);
}

// Types the order and presses Enter, then waits for the page to settle.
async function generate(page, order) {
  await page.fill("#order", order);
  await page.press("#order", "Enter");
  await page.waitForFunction(() => document.body.dataset.state !== "running");
}

// The order whose rule the page shows, from its title.
const shownOrder = async (page) =>
  /^zemta: (\d+)-point Gauss\u2013Legendre rule$/.exec(await page.title())?.[1];

const text = (page, selector) => page.locator(selector).textContent();
// A part's text as the user selects it, with the line end the selection
// leaves out at its end.
const partText = (page, key) => page.evaluate((id) => {
  getSelection().selectAllChildren(document.getElementById(id));
  const selected = getSelection().toString();
  getSelection().removeAllRanges();
  return selected + "\n";
}, `text-${key}`);

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

// The numbers of a C text, in order.
const numbersOf = (c) => c.match(/\d\.\d{19}/g);

// Clicks a download button and gives the file's name and bytes.
async function download(page, selector) {
  const [file] = await Promise.all([page.waitForEvent("download"), page.click(selector)]);
  return { name: file.suggestedFilename(), bytes: readFileSync(await file.path()) };
}

for (const order of orders) {
  test(`order ${order}: panels, copies and downloads hold the splitter's bytes`, async () => {
    const truth = expected(order);
    // The splitter's raw file starts with the typedef of the C function;
    // the panel shows the program's own bytes.
    truth.raw = truth.raw.subarray("typedef long double DBL;\n".length);
    const page = await open();
    await generate(page, order);
    for (const { key, suffix } of panels) {
      assert.equal(await partText(page, key), truth[key].toString("latin1"), `${key} panel`);

      await page.press(`button[data-copy="${key}"]`, "Enter");
      const copied = await page.evaluate(() => navigator.clipboard.readText());
      assert.equal(copied, truth[key].toString("latin1"), `${key} copy`);

      const file = await download(page, `button[data-download="${key}"]`);
      assert.equal(file.name, `gq${order}${suffix}`);
      if (key === "raw") {
        // A header (compiled in its own test) with the program's numbers.
        assert.deepEqual(numbersOf(file.bytes.toString("latin1")),
          numbersOf(truth.raw.toString("latin1")), "raw download");
      } else {
        assert.deepEqual(file.bytes, truth[key], `${key} download`);
      }
    }
    const whole = await download(page, 'button[data-download="all"]');
    assert.equal(whole.name, `gq${order}.txt`);
    assert.deepEqual(whole.bytes, truth.all, "whole output");
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

test("while the module loads, typing is the user's and the last order asked for runs", async () => {
  // A browser that compiles the module only asynchronously, and late.
  const slow = async (page) => {
    await page.addInitScript(() => {
      const compile = WebAssembly.compile;
      WebAssembly.Module = function Module() {
        throw new RangeError("compile asynchronously");
      };
      WebAssembly.compile = (...args) =>
        new Promise((resolve) => setTimeout(resolve, 1500)).then(() => compile(...args));
    });
    await page.goto(server.url);
  };
  const settled = (page, n) => page.waitForFunction((order) => document.body.dataset.state === "done" &&
    document.title.startsWith(`zemta: ${order}-point`), n);

  // Typed while the first rule is still loading, not submitted.
  let page = await browser.context.newPage();
  await slow(page);
  const field = page.locator("#order");
  await field.selectText();
  await field.pressSequentially("64", { delay: 50 });
  await settled(page, "20");
  assert.equal(await field.inputValue(), "64");
  assert.match(await partText(page, "c"), /^DBL GQ20\(/m);
  await page.close();

  // Two orders submitted while it loads: the later runs, once.
  page = await browser.context.newPage();
  await slow(page);
  const entries = await page.evaluate(() => history.length);
  for (const order of ["30", "500"]) {
    await page.fill("#order", order);
    await page.press("#order", "Enter");
  }
  await settled(page, "500");
  assert.equal(new URL(page.url()).searchParams.get("n"), "500");
  assert.equal(await page.evaluate(() => history.length), entries + 1);
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
  assert.equal(await page.isVisible("#stale-note"), true);
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
    assert.equal(new URL(page.url()).searchParams.get("n"), "20", `${typed} ran`);
  }
  assert.equal(sentences.size, 6);
  assert.equal(await text(page, "#diagnostics-text"), native.stderr);

  // A leading 0 is decimal here, as the note beside the field says.
  assert.match(await text(page, "#order-note"), /020/);
  await generate(page, "020");
  assert.equal(new URL(page.url()).searchParams.get("n"), "20");
  assert.equal(await invalid(), null);
  assert.equal(await text(page, "#order-error"), "");
  assert.equal(await page.isVisible("#stale-note"), false);
  assert.equal(await text(page, "#text-c"), rule20);
  assert.equal(await page.inputValue("#order"), "020");
  await page.close();
});

test("each order submitted is a history entry; Back and Forward walk them", async () => {
  const page = await open("?n=37");
  assert.equal(await page.inputValue("#order"), "37");
  assert.equal(await partText(page, "c"), expected("37").c.toString("latin1"));
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
  assert.equal(await page.locator("#rule-rows tr").count(), 999);
  for (const { key } of panels) assert.match(await text(page, `#text-${key}`), /GQ999|A999/);
  const clipped = await page.$$eval(".part pre.text, .table-box", (boxes) =>
    boxes.filter((box) => box.scrollHeight > box.clientHeight + 1).map((box) => box.closest(".part").id));
  assert.deepEqual(clipped, []);
  await page.close();
});

test("the page opened from disk (file://) works as served; without JavaScript it says so", async () => {
  const url = pathToFileURL(join(site, "index.html")).href;
  const page = await open("", `${url}?n=999`);
  assert.equal(await partText(page, "c"), expected("999").c.toString("latin1"));
  await page.close();

  const bare = await browser.context.newPage();
  const session = await browser.context.newCDPSession(bare);
  await session.send("Emulation.setScriptExecutionDisabled", { value: true });
  await bare.goto(url);
  assert.match(await bare.locator("main").innerText(), /Turn JavaScript on/);
  await bare.close();
});

// The faults a new user met, one test each.

test("every part is there with its result: an anchor lands, the text is in the page, nothing moves", async () => {
  const page = await open("?n=999#part-table");
  const shifts = await page.evaluate(() => new Promise((resolve) => {
    let total = 0;
    new PerformanceObserver((list) => {
      for (const entry of list.getEntries()) if (!entry.hadRecentInput) total += entry.value;
    }).observe({ type: "layout-shift", buffered: true });
    setTimeout(() => resolve(total), 1000);
  }));
  assert.equal(shifts, 0, "layout shift");
  const top = await page.evaluate(() => document.getElementById("part-table").getBoundingClientRect().top);
  assert.ok(Math.abs(top) < 2, `the table's section starts at ${top}`);
  // What Select All finds, without scrolling.
  const whole = await page.evaluate(() => {
    document.execCommand("selectAll");
    return getSelection().toString();
  });
  const raw = expected("999").raw.toString("latin1");
  const lastRow = await text(page, "#rule-rows tr:last-child td:nth-child(3)");
  for (const value of [numbersOf(raw).at(-1), lastRow]) {
    assert.ok(whole.includes(value), `${value} not in the page`);
  }
  await page.close();
});

test("the page as built holds order 20, drawn as the program draws it; nothing changes or moves when it runs", async () => {
  // The parts as the build drew them, with no script run.
  const parts = ["#text-c", "#text-fortran", "#text-raw", "#rule-rows", "#plot-svg", "#plot-caption",
    "#status", "#diagnostics-text"];
  const drawn = async (page) => {
    const found = {};
    for (const selector of parts) found[selector] = await page.locator(selector).innerHTML();
    found.names = await page.locator(".file-name, .function-name").allTextContents();
    found.heights = await Promise.all(["#part-c", "#part-fortran", "#part-raw", "#part-table"].map(
      async (selector) => (await page.locator(selector).boundingBox()).height));
    return found;
  };
  const bare = await browser.context.newPage();
  const session = await browser.context.newCDPSession(bare);
  await session.send("Emulation.setScriptExecutionDisabled", { value: true });
  await bare.goto(server.url);
  const built = await drawn(bare);
  assert.equal(await bare.locator("#text-c").textContent(), expected("20").c.toString("latin1"));
  await bare.close();

  const page = await open();
  await ruleDrawn(page);
  const shifts = await page.evaluate(() => performance.getEntriesByType("layout-shift")
    .reduce((total, entry) => total + entry.value, 0));
  assert.equal(shifts, 0, "layout shift");
  const shown = await drawn(page);
  // The blocks of lines only gain a semicolon in their style, and the
  // rows their errors, once zemta-rule has run.
  for (const key of ["#text-c", "#text-fortran", "#text-raw"]) {
    shown[key] = shown[key].replace(/(--lines: \d+);/g, "$1");
  }
  shown["#rule-rows"] = shown["#rule-rows"].replace(/(<td class="ulps">)[^<]*/g, "$1");
  assert.deepEqual(shown, built);
  await page.close();
});

test("an order that does not run adds no history entry and leaves the title", async () => {
  const page = await open("?n=20");
  const entries = await page.evaluate(() => history.length);
  for (const typed of ["0", "1", "-5", "1000", "9".repeat(400), "abc"]) {
    await generate(page, typed);
    assert.equal(await page.evaluate(() => history.length), entries, `${typed.slice(0, 9)}: history`);
    assert.equal(new URL(page.url()).searchParams.get("n"), "20");
    assert.equal(await shownOrder(page), "20");
  }
  await page.close();
});

test("a long order cannot widen a phone's page", async () => {
  const page = await open("?n=20", undefined, { width: 390, height: 844 });
  await generate(page, "9".repeat(400));
  assert.notEqual(await text(page, "#order-error"), "");
  assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= innerWidth));
  await page.close();
});

test("a result from before an error offers no copy or download", async () => {
  const page = await open("?n=20");
  await generate(page, "1000");
  const buttons = page.locator("#result button");
  assert.ok(await buttons.count() >= 9);
  for (const button of await buttons.all()) assert.equal(await button.isDisabled(), true);
  await page.close();
});

test("the downloads compile as the page says: gq20.c called as shown, gq20_raw.h beside it and in two sources, gq20.f with the note's flags", async () => {
  const page = await open("?n=20");
  const dir = mkdtempSync(join(tmpdir(), "zemta-downloads-"));
  try {
    for (const key of ["c", "raw", "fortran"]) {
      const file = await download(page, `button[data-download="${key}"]`);
      writeFileSync(join(dir, file.name), file.bytes);
    }
    await page.click(".usage summary");
    const call = await page.locator(".usage pre").innerText();
    writeFileSync(join(dir, "main.c"), call.replace("#include <stdio.h>",
      '#include <stdio.h>\n#include "gq20_raw.h"\nlong double weight_sum(void);'));
    writeFileSync(join(dir, "sum.c"), '#include "gq20_raw.h"\n#include "gq20_raw.h"\n' +
      "long double weight_sum(void)\n{\n  long double sum = 0;\n  int i;\n" +
      "  for (i = 0; i < 20; i++) sum += W20[i] + 0 * A20[i];\n  return sum;\n}\n");
    execFileSync("gcc", ["-std=c89", "-pedantic-errors", "-Wall", "-Wextra", "-Werror",
      "main.c", "sum.c", "-o", "call"], { cwd: dir });
    const printed = execFileSync(join(dir, "call"), { encoding: "latin1" });
    assert.ok(Math.abs(Number(printed) - 9) < 1e-12, printed);

    // A caller of the FORTRAN function with D0 constants, compiled with
    // the flags the note names.
    const flags = (await text(page, "#part-fortran .note code >> nth=0")).split(/\s+/);
    writeFileSync(join(dir, "main.f"), ["      EXTERNAL SQUARE", "      PRINT *, GQ20(SQUARE, 0.0D0, 3.0D0)",
      "      END", "      FUNCTION SQUARE(X)", "      SQUARE = X*X", "      END", ""].join("\n"));
    execFileSync("gfortran", [...flags, "main.f", "gq20.f", "-o", "callf"], { cwd: dir });
    const fortran = execFileSync(join(dir, "callf"), { encoding: "latin1" });
    assert.ok(Math.abs(Number(fortran) - 9) < 1e-12, fortran);
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
  await page.close();
});

test("the footer's links lead to files of the site", async () => {
  const page = await open("?n=20");
  for (const href of await page.$$eval("footer a", (links) => links.map((a) => a.getAttribute("href")))) {
    assert.ok(/^https?:/.test(href) || existsSync(join(site, href)), `${href}: no such file`);
  }
  await page.close();
});

test("first screens: the C text near the top on a desktop, the table's columns within a phone", async () => {
  let page = await open("?n=20", undefined, { width: 900, height: 900 });
  const codeTop = () => page.evaluate(() => document.getElementById("text-c").getBoundingClientRect().top);
  assert.ok(await codeTop() < 450, `C text at y = ${await codeTop()}`);
  await page.close();
  page = await open("?n=20", undefined, { width: 390, height: 844 });
  assert.ok(await codeTop() < 600, `C text at y = ${await codeTop()}`);
  await page.locator(".table-box").scrollIntoViewIfNeeded();
  // The number, node and weight; the error columns are a scroll away.
  const box = await page.$eval(".table-box", (b) =>
    [b.querySelector("tbody td:nth-child(3)").getBoundingClientRect().right - b.getBoundingClientRect().left,
      b.clientWidth]);
  assert.ok(box[0] <= box[1], `weight column ends at ${box[0]} px in ${box[1]} px`);
  await page.close();
});

test("accessibility: copy confirmations in the tree before they are spoken, named code boxes, the plot told once", async () => {
  const page = await open("?n=20");
  const session = await browser.context.newCDPSession(page);
  const { nodes } = await session.send("Accessibility.getFullAXTree");
  const statuses = nodes.filter((node) => !node.ignored && node.role?.value === "status");
  assert.equal(statuses.length, 1 + 5, "the status line and a confirmation per part");
  await page.click(".usage summary");
  for (const box of await page.locator("#result [tabindex='0']").all()) {
    assert.match(await box.ariaSnapshot(), /^- region "[^"]+"/);
  }
  const caption = await text(page, "#plot-caption");
  const result = await page.locator("#result").ariaSnapshot();
  assert.equal(result.split(caption).length - 1, 1, "the caption's mentions");
  await page.close();
});

test("Back and Forward return to where the page was scrolled", async () => {
  const page = await open("?n=12");
  await generate(page, "999");
  await page.evaluate(() => scrollTo(0, 2000));
  await page.waitForTimeout(300);
  await page.goBack();
  await page.waitForFunction(() => document.title.startsWith("zemta: 12-point"));
  await page.goForward();
  await page.waitForFunction(() => document.title.startsWith("zemta: 999-point"));
  await page.waitForTimeout(300);
  assert.equal(await page.evaluate(() => Math.round(scrollY)), 2000);
  await page.close();
});

test("on paper, How to call is printed open", async () => {
  const page = await open("?n=20");
  await page.emulateMedia({ media: "print" });
  assert.equal(await page.locator(".usage pre").isVisible(), true);
  await page.close();
});

test("0x10 is answered with 16, not with 0", async () => {
  const page = await open("?n=20");
  await generate(page, "0x10");
  const sentence = await text(page, "#order-error");
  assert.match(sentence, /\b16\b/);
  assert.doesNotMatch(sentence, /: 0,/);
  await page.close();
});

test("axe-core finds no violation on the page, after an error, and on a phone, every part open", async () => {
  const axe = createRequire(import.meta.url).resolve("axe-core/axe.min.js");
  const check = async (page, state) => {
    await page.addScriptTag({ path: axe });
    const violations = await page.evaluate(async () =>
      (await globalThis.axe.run(document)).violations.map((v) =>
        `${v.id}: ${v.nodes.length} (${v.nodes[0].target.join(" ")})`));
    assert.deepEqual(violations, [], state);
  };
  // Every collapsible part open, so that what it holds is checked too.
  const openAll = (page) => page.$$eval("details", (all) => all.forEach((details) => { details.open = true; }));
  let page = await open("?n=20");
  await ruleDrawn(page);
  await openAll(page);
  await check(page, "normal");
  await setEnds(page, "2", "1");
  await check(page, "a reversed interval");
  await generate(page, "1000");
  await check(page, "error");
  await page.close();
  page = await open("?n=20&format=rust", undefined, { width: 390, height: 844 });
  await ruleDrawn(page);
  await openAll(page);
  await check(page, "phone");
  await page.close();
});

// The correctly rounded rule as the page shows, copies and downloads it,
// for the choices of its form, against native zemta-rule's bytes.
test("the correctly rounded rule: text, copy and download are zemta-rule's bytes", async () => {
  const cases = [
    { order: "20", choice: {}, args: [], file: "gq20_rounded.csv" },
    { order: "999", choice: { format: "c", hex: true, half: true },
      args: ["--format", "c", "--half", "--hex"], file: "gq999_rounded_half.h" },
    { order: "7", choice: { format: "fortran", a: "0", b: "2.5" },
      args: ["--format", "fortran", "--interval", "0", "2.5"], file: "gq7_rounded_0_2.5.f90" },
    { order: "20", choice: { format: "json", a: "-0x1p-3", b: "3e2", half: true },
      args: ["--format", "json", "--interval", "-0x1p-3", "3e2", "--half"],
      file: "gq20_rounded_-0x1p-3_3e2_half.json" },
    { order: "5", choice: { format: "rust", hex: true }, args: ["--format", "rust"], file: "gq5_rounded.rs" },
    { order: "7", choice: { format: "cpp", hex: true }, args: ["--format", "cpp", "--hex"], file: "gq7_rounded.hpp" },
  ];
  const page = await open();
  for (const { order, choice, args, file } of cases) {
    const what = `${order} ${args.join(" ")}`;
    await generate(page, order);
    await page.selectOption("#rounded-format", choice.format ?? "csv");
    await page.setChecked("#rounded-half", Boolean(choice.half));
    // --hex where the format has it; Fortran, JSON and Rust have none, and
    // the box is off.
    if (["fortran", "json", "rust"].includes(choice.format)) {
      assert.equal(await page.isDisabled("#rounded-hex"), true);
    } else {
      await page.setChecked("#rounded-hex", Boolean(choice.hex));
    }
    await setEnds(page, choice.a ?? "-1", choice.b ?? "1");
    const truth = execFileSync(zemtaRule, [order, ...args]);
    assert.equal(await partText(page, "rounded"), truth.toString("latin1"), `${what}: text`);
    await page.press('button[data-copy="rounded"]', "Enter");
    assert.equal(await page.evaluate(() => navigator.clipboard.readText()), truth.toString("latin1"), `${what}: copy`);
    const saved = await download(page, 'button[data-download="rounded"]');
    assert.equal(saved.name, file);
    assert.deepEqual(saved.bytes, truth, `${what}: download`);
  }
  await page.close();
});

// What the page makes of interval ends is zemta-rule's alone: each pair
// against native zemta-rule. A rule is shown, copied and named as the
// command's; a refusal is zemta-rule's reason beside the fields, and
// nothing of the run before stays in view or on a button.
test("interval ends: the page shows what zemta-rule makes of them, and nothing of a run that failed", async () => {
  const ends = [["1e-400", "1"], ["0", "1e-400"], ["--help", "1"], ["-h", "1"], ["1", "0"], ["2", "2"],
    ["", "1"], ["-inf", "1"], ["nan", "1"], [" 1", "2"], ["+0.5", "1"], ["0x1p-3", "0x1p0"],
    ["1", "1.0000000000000002"], ["0", "1"]];
  const page = await open("?n=7");
  for (const [a, b] of ends) {
    const what = `[${a}, ${b}]`;
    const args = ["7", "--format", "csv", "--interval", a, b];
    const native = spawnSync(zemtaRule, args, { encoding: "latin1" });
    await setEnds(page, a, b);
    const status = await text(page, "#rounded-status");
    const warning = page.locator("#rounded-warning");
    const line = native.stderr.replace(/^zemta-rule: /, "").trim();
    if (native.status === 0) {
      assert.equal(await partText(page, "rounded"), native.stdout, `${what}: text`);
      assert.match(native.stdout, /^node,weight\n/, `${what}: zemta-rule wrote a rule`);
      assert.ok(status.includes(`zemta-rule 7 --format csv --interval ${a} ${b}`), `${what}: ${status}`);
      assert.equal(await text(page, "#rounded-error"), "", what);
      assert.equal(await warning.isVisible(), line !== "", `${what}: warning`);
      if (line) assert.ok((await warning.textContent()).includes(line.slice(1)), `${what}: ${line}`);
      assert.match(await text(page, "#rounded-file-name"), /^gq7_rounded_[\w.+-]+\.csv$/, what);
    } else {
      assert.ok((await text(page, "#rounded-error")).includes(line.slice(1)), `${what}: ${line}`);
      assert.equal(await page.isVisible("#text-rounded"), false, `${what}: the box`);
      assert.equal(await page.getAttribute("#rounded-a", "aria-invalid"), "true", `${what}: the field`);
      assert.equal(await warning.isVisible(), false, `${what}: warning`);
      assert.doesNotMatch(status, /output/, `${what}: ${status}`);
      for (const button of await page.locator("#part-rounded button").all()) {
        assert.equal(await button.isDisabled(), true, what);
        assert.doesNotMatch(await button.textContent(), /gq7/, what);
      }
    }
  }
  await page.close();
});

test("the address holds every choice: a reload and a shared link give the same rule, named for its interval", async () => {
  const page = await open("?n=7");
  await page.selectOption("#rounded-format", "c");
  await page.check("#rounded-half");
  await page.check("#rounded-hex");
  await setEnds(page, "0", "1");
  const params = Object.fromEntries(new URL(page.url()).searchParams);
  assert.deepEqual(params, { n: "7", format: "c", a: "0", half: "1", hex: "1" });
  const truth = execFileSync(zemtaRule, ["7", "--format", "c", "--interval", "0", "1", "--half", "--hex"],
    { encoding: "latin1" });
  const form = () => page.$eval("#rounded-form", (f) => [f.format.value, f.a.value, f.b.value,
    f.half.checked, f.hex.checked]);
  for (const how of ["reload", "link"]) {
    if (how === "reload") await page.reload();
    else await page.goto(server.url.replace(/\/$/, "") + new URL(page.url()).search);
    await page.waitForFunction(() => document.body.dataset.state === "done");
    await ruleDrawn(page);
    assert.equal(await partText(page, "rounded"), truth, how);
    assert.deepEqual(await form(), ["c", "0", "1", true, true], how);
  }
  assert.equal((await download(page, 'button[data-download="rounded"]')).name, "gq7_rounded_0_1_half.h");
  await setEnds(page, "-1", "1");
  assert.equal((await download(page, 'button[data-download="rounded"]')).name, "gq7_rounded_half.h");
  await page.close();
});

// zemta-rule runs once per pause in typing; the count is of its runs'
// performance marks. Four keys come in one task, faster than anyone types.
test("interval ends run once typing pauses, and at once on Enter", async () => {
  const page = await open("?n=999");
  await ruleDrawn(page);
  const runs = () => page.evaluate(() => performance.getEntriesByName("zemta: rule").length);
  const before = await runs();
  await page.$eval("#rounded-a", (field) => {
    for (const typed of ["0", "0.", "0.2", "0.25"]) {
      field.value = typed;
      field.dispatchEvent(new InputEvent("input", { bubbles: true }));
    }
  });
  await page.waitForTimeout(100);
  await ruleDrawn(page);
  assert.equal(await runs(), before + 1, "runs for four keys");
  const atEnter = await page.$eval("#rounded-a", (field) => {
    field.value += "5";
    field.dispatchEvent(new InputEvent("input", { bubbles: true }));
    field.dispatchEvent(new KeyboardEvent("keydown", { key: "Enter", bubbles: true }));
    return performance.getEntriesByName("zemta: rule").length;
  });
  assert.equal(atEnter, before + 2, "Enter");
  await page.waitForTimeout(400);
  assert.equal(await runs(), before + 2, "after Enter");
  assert.equal(new URL(page.url()).searchParams.get("a"), "0.255");
  await page.close();
});

// A family of the menu with its parameters, against native zemta-rule on
// the same arguments: the page shows only the fields the family takes
// (half where zemta-rule takes --half for them), and its text (kronrod's
// with its third column) or its refusal, its file name and its address
// are those of the arguments.
test("Gauss families: the fields each takes, and zemta-rule's text for their arguments", async () => {
  const cases = [
    { rule: "kronrod", format: "c", shown: ["interval"], args: ["--rule", "kronrod", "--format", "c"],
      file: "gq7_kronrod_rounded", query: "format=c&rule=kronrod" },
    { rule: "laguerre", alpha: "-0.25", scaled: true, shown: ["alpha", "scaled"],
      args: ["--rule", "laguerre", "--alpha", "-0.25", "--scaled", "--format", "csv"],
      file: "gq7_laguerre_rounded_alpha-0.25_scaled", query: "rule=laguerre&alpha=-0.25&scaled=1" },
    { rule: "jacobi", alpha: "0.25", beta: "0.25", shown: ["alpha", "beta", "interval"],
      args: ["--rule", "jacobi", "--alpha", "0.25", "--beta", "0.25", "--format", "csv"],
      file: "gq7_jacobi_rounded_alpha0.25_beta0.25", query: "rule=jacobi&alpha=0.25&beta=0.25" },
  ];
  const page = await open("?n=7");
  for (const { rule, format, alpha, beta, scaled, shown, args, file, query } of cases) {
    const half = spawnSync(zemtaRule, ["7", ...args, "--half"]).status === 0;
    await page.selectOption("#rounded-format", format ?? "csv");
    await page.selectOption("#rounded-family", rule);
    for (const [key, value] of Object.entries({ alpha, beta })) if (value) await page.fill(`#rounded-${key}`, value);
    if (alpha) await page.press("#rounded-alpha", "Enter");
    if (scaled) await page.check("#rounded-scaled");
    if (half) await page.check("#rounded-half");
    await ruleDrawn(page);
    const visible = [];
    for (const key of ["alpha", "beta", "scaled", "half", "interval"]) {
      if (await page.isVisible(key === "interval" ? "#rounded-interval" : `#rounded-${key}`)) visible.push(key);
    }
    assert.deepEqual(visible.sort(), [...shown, ...(half ? ["half"] : [])].sort(), `${rule}: the fields shown`);
    const all = ["7", ...args, ...(half ? ["--half"] : [])];
    const native = spawnSync(zemtaRule, all, { encoding: "latin1" });
    assert.ok((await text(page, "#rounded-status")).includes(`zemta-rule ${all.join(" ")}`), rule);
    if (native.status === 0) {
      if (rule === "kronrod") assert.match(native.stdout, /gauss/i);
      assert.equal(await partText(page, "rounded"), native.stdout, `${rule}: text`);
      assert.equal((await download(page, 'button[data-download="rounded"]')).name,
        `${file}${half ? "_half" : ""}.${format === "c" ? "h" : "csv"}`);
    } else {
      const line = native.stderr.replace(/^zemta-rule: /, "").trim();
      assert.ok((await text(page, "#rounded-error")).includes(line.slice(1)), `${rule}: ${line}`);
    }
    assert.equal(new URL(page.url()).search, `?n=7&${query}${half ? "&half=1" : ""}`);
    if (half) await page.uncheck("#rounded-half");
    if (scaled) await page.uncheck("#rounded-scaled");
  }
  // Jacobi's half table only while alpha and beta are alike.
  await page.fill("#rounded-beta", "1");
  await page.press("#rounded-beta", "Enter");
  await ruleDrawn(page);
  assert.equal(await page.isVisible("#rounded-half"), false);
  await page.close();
});

test("the format menu is zemta-rule's list; the hex box says why it is off, and keeps the choice", async () => {
  // zemta-rule's formats, and those with --hex, from its own messages.
  const list = (args) => /\(([^)]*)\)\s*$/.exec(spawnSync(zemtaRule, args, { encoding: "latin1" }).stderr)[1]
    .replace(/^--hex goes with /, "").split(/, | or /);
  const page = await open("?n=7");
  const options = await page.$$eval("#rounded-format option", (all) =>
    all.map((option) => [option.value, option.hasAttribute("data-hex")]));
  assert.deepEqual(options.map(([name]) => name), list(["2", "--format", "?"]));
  assert.deepEqual(options.filter(([, hex]) => hex).map(([name]) => name),
    list(["2", "--format", "fortran", "--hex"]));

  await page.selectOption("#rounded-format", "c");
  await page.check("#rounded-hex");
  await page.selectOption("#rounded-format", "rust");
  await ruleDrawn(page);
  assert.equal(await page.isDisabled("#rounded-hex"), true);
  assert.equal(await page.isChecked("#rounded-hex"), false);
  assert.equal(await text(page, "#rounded-hex-note"), "Rust has no hexadecimal float literals.");
  assert.equal(await page.getAttribute("#rounded-hex", "aria-describedby"), "rounded-hex-note");
  await page.selectOption("#rounded-format", "c");
  await ruleDrawn(page);
  assert.equal(await page.isChecked("#rounded-hex"), true);
  assert.equal(await text(page, "#rounded-hex-note"), "");
  assert.match(await text(page, "#text-rounded"), /0x1\./);
  await page.close();
});

// WCAG 1.4.11: a control's boundary at least 3:1 against what is around it.
test("fields and buttons stand out at least 3:1 from the page, light and dark", async () => {
  const page = await open("?n=20");
  for (const colorScheme of ["light", "dark"]) {
    await page.emulateMedia({ colorScheme });
    const low = await page.evaluate(() => {
      const luminance = (color) => {
        const [r, g, b] = color.match(/[\d.]+/g).slice(0, 3).map((c) => {
          const v = Number(c) / 255;
          return v <= 0.04045 ? v / 12.92 : ((v + 0.055) / 1.055) ** 2.4;
        });
        return 0.2126 * r + 0.7152 * g + 0.0722 * b;
      };
      const page = luminance(getComputedStyle(document.body).backgroundColor);
      return [...document.querySelectorAll("input[type=text], select, button:not(:disabled)")].map((control) => {
        const edge = luminance(getComputedStyle(control).borderTopColor);
        const ratio = (Math.max(edge, page) + 0.05) / (Math.min(edge, page) + 0.05);
        return [control.id || control.textContent.trim().slice(0, 20), Math.round(ratio * 100) / 100];
      }).filter(([, ratio]) => ratio < 3);
    });
    assert.deepEqual(low, [], colorScheme);
  }
  await page.close();
});

test("the first screen says what the tool is; on a phone Copy and Download share a row; the sentences on ulps and exactness", async () => {
  let page = await open("?n=20");
  const h1 = await page.$eval("h1", (h) => [h.textContent, h.getBoundingClientRect().height,
    parseFloat(getComputedStyle(h).lineHeight)]);
  assert.match(h1[0], /Gauss\u2013Legendre quadrature/);
  assert.ok(h1[1] < 1.5 * h1[2], `the heading takes ${h1[1]} px`);
  assert.match(await text(page, "#status"), /degree 39\b/);
  assert.match(await text(page, "#part-table .note:not(#largest-error):not(#plot-caption)"), /\+ where .* above/s);
  await page.close();
  page = await open("?n=999&a=-0x1p-3&b=3e2&half=1&format=json", undefined, { width: 390, height: 844 });
  await ruleDrawn(page);
  const rows = await page.$$eval(".part-head", (heads) => heads.map((head) =>
    [head.closest(".part").id, ...[...head.querySelectorAll("button")].map((b) => b.getBoundingClientRect().top)]));
  for (const [part, copy, save] of rows) assert.equal(copy, save, part);
  await page.close();
});

// The exact distance from a double to a correctly rounded one given in
// hexadecimal, in the latter's ulps, with BigInts: both as multiples of
// 2^-1074.
function ulpsOf(value, hex) {
  const bits = new DataView(new ArrayBuffer(8));
  bits.setFloat64(0, Math.abs(value));
  const word = bits.getBigUint64(0);
  const [field, fraction] = [word >> 52n, word & ((1n << 52n) - 1n)];
  const scaledValue = (field ? (fraction | (1n << 52n)) << (field - 1n) : fraction) * (value < 0 ? -1n : 1n);
  const [, sign, lead, digits = "", power] = /^(-?)0x([01])(?:\.([0-9a-f]+))?p(-?\d+)$/.exec(hex);
  const shift = BigInt(Number(power) - 4 * digits.length + 1074);
  const scaledRounded = (BigInt(`0x${lead}${digits}`) << shift) * (sign ? -1n : 1n);
  const ulp = lead === "1" ? 1n << BigInt(Number(power) - 52 + 1074) : 1n;
  return Number(scaledValue - scaledRounded) / Number(ulp);
}

test("the error columns and the largest error: the C function's doubles against zemta-rule --hex", async () => {
  const page = await open();
  for (const order of ["3", "20", "999"]) {
    await generate(page, order);
    await ruleDrawn(page);
    await page.waitForFunction(() => document.querySelector("#rule-rows td.ulps").textContent !== "");
    const c = execFileSync(zemta, [order], { encoding: "latin1", stdio: ["ignore", "pipe", "ignore"] });
    const rounded = execFileSync(zemtaRule, [order, "--hex"], { encoding: "latin1" })
      .split("\n").slice(1, -1).map((row) => row.split(","));
    const want = ruleOfC(c, Number(order)).map(([x, w], i) =>
      [ulpsOf(x, rounded[i][0]), ulpsOf(w, rounded[i][1])]);
    const shown = await page.$$eval("#rule-rows tr", (rows) => rows.map((row) =>
      [row.cells[3].textContent, row.cells[4].textContent]));
    const asText = (ulps) => (ulps === 0 ? "0" : `${ulps > 0 ? "+" : "\u2212"}${Math.round(Math.abs(ulps) * 100) / 100}`);
    assert.deepEqual(shown, want.map((row) => row.map(asText)), `order ${order}`);
    const largest = (column) => Math.max(...want.map((row) => Math.abs(row[column])));
    assert.match(await text(page, "#largest-error"),
      new RegExp(`: ${largest(0)} ulp in a node, ${largest(1)} ulp in a weight;`), `order ${order}`);
  }
  await page.close();
});

test("no console error or page error", () => {
  assert.deepEqual(errors, []);
});
