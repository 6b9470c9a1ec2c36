// The page's pure functions (web/texts.js) under Node, without a browser:
// what it sends for typed text, how it cuts and reads the program's output,
// and the header it offers for the raw arrays. Run by CTest (WebTexts) with
// the native program as ZEMTA; the page test (page.test.mjs) checks the
// same functions' results in Chromium against the program's bytes.

import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { readFileSync } from "node:fs";
import { resolve } from "node:path";
import { test } from "node:test";
import {
  asTerminalShows, readOrder, refusal, resultOf, seventeenDigits,
} from "../../web/texts.js";

const top = resolve(import.meta.dirname, "../..");

// The orders the program accepts, from their one definition.
const header = readFileSync(resolve(top, "quadrature/coefficients.h"), "utf8");
const orders = {
  min: Number(/min_order = (\d+);/.exec(header)[1]),
  max: Number(/max_order = (\d+);/.exec(header)[1]),
};

test("readOrder sends whole decimal numbers and explains the rest", () => {
  const sent = [
    ["20", "20"], [" 020 ", "20"], ["+7", "7"], ["-5", "-5"], ["-0", "0"], ["0", "0"],
    ["9".repeat(400), "9".repeat(400)],
  ];
  for (const [typed, argument] of sent) assert.deepEqual(readOrder(typed, orders), { argument }, typed);

  // Each sentence must hold what it says, and suggest only an order the
  // program takes.
  const refused = [
    ["", /^Type an order: a whole number from 2 to 999\.$/],
    ["20.5", /^20\.5 is not a whole number/],
    ["1e3", /not read as a power of ten/],
    ["1,000", /without separators: 1000, not 1,000/],
    ["20 points", /: 20, not \u201c20 points\u201d/],
    ["0x10", /0x10 is 16, so type 16\./],
    ["0x3e8", /^Write the order in decimal digits, a whole number from 2 to 999/],
    ["0 points", /^\u201c0 points\u201d is not an order/],
    ["abc", /^\u201cabc\u201d is not an order/],
    ["x".repeat(100), /^\u201cx{24}\u2026\u201d is not an order/],
  ];
  for (const [typed, sentence] of refused) {
    const { error, argument } = readOrder(typed, orders);
    assert.equal(argument, undefined, typed);
    assert.match(error, sentence, typed);
  }
  assert.equal(`${orders.min} to ${orders.max}`, "2 to 999", "the sentences above assume this range");
});

test("refusal gives the program's reason and cuts a long order short", () => {
  const stderr = "ZEMTA/V2.02\n\nError: order must not exceed 999\n";
  assert.equal(refusal("1000", stderr), "The program did not take 1000: order must not exceed 999.");
  assert.match(refusal("9".repeat(400), stderr), /^The program did not take 9{24}\u2026: /);
  assert.equal(refusal("20", "killed\n"), "The program stopped; see Program messages.");
});

test("asTerminalShows and seventeenDigits", () => {
  assert.equal(asTerminalShows("1 root\r2 roots\rdone\nnext"), "doneots\nnext");
  assert.equal(seventeenDigits("0.0765265211334973240"), "0.076526521133497324");
  assert.equal(seventeenDigits("0.0000037140899577952"), "0.0000037140899577952000");
  assert.equal(seventeenDigits("0.5000000000000000000"), "0.50000000000000000");
  assert.equal(seventeenDigits("1.0"), "1.0000000000000000");
});

// The native program's output, when CTest gives its path.
const zemta = process.env.ZEMTA;
test("resultOf cuts the program's output as the splitter does and mirrors the rule",
  { skip: !zemta && "ZEMTA not set" }, () => {
    for (const order of [2, 3, 4, 5, 20]) {
      const stdout = execFileSync(zemta, [String(order)], { encoding: "latin1", stdio: ["ignore", "pipe", "ignore"] });
      const { texts, downloads, rule } = resultOf(stdout);
      assert.equal(texts.c + texts.fortran + texts.raw, stdout);
      assert.match(texts.fortran, new RegExp(`^      FUNCTION GQ${order}\\(F,A,B\\)\n[^]*\n      END\n$`));
      assert.match(texts.raw, /^\nDBL A/);

      // n nodes, ascending, symmetric about 0, weights summing to 2.
      assert.equal(rule.length, order);
      const nodes = rule.map(({ node }) => Number(node));
      nodes.forEach((x, i) => {
        assert.equal(x + nodes[order - 1 - i], 0);
        if (i) assert.ok(x > nodes[i - 1]);
      });
      const sum = rule.reduce((total, { weight }) => total + Number(weight), 0);
      assert.ok(Math.abs(sum - 2) < 1e-15, `order ${order}: weights sum to ${sum}`);
      assert.equal(texts.csv.split("\r\n").length, order + 2);

      // The header: guarded, its arrays static const, the numbers unchanged.
      const lines = downloads.raw.split("\n");
      assert.deepEqual(lines.slice(2, 4), [`#ifndef GQ${order}_RAW_H`, `#define GQ${order}_RAW_H`]);
      assert.equal(lines.at(-2), `#endif /* GQ${order}_RAW_H */`);
      assert.doesNotMatch(downloads.raw, /^DBL|typedef/m);
      assert.deepEqual(downloads.raw.match(/\d\.\d{19}/g), texts.raw.match(/\d\.\d{19}/g));
    }
    assert.equal(resultOf("no function here\n"), null);
  });
