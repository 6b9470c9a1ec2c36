// The page's pure functions (web/texts.js) under Node, without a browser:
// what it sends for typed text, how it cuts and reads the program's output,
// and the header it offers for the raw arrays. Run by CTest (WebTexts) with
// the native program as ZEMTA; the page test (page.test.mjs) checks the
// same functions' results in Chromium against the program's bytes.

import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { existsSync, readFileSync } from "node:fs";
import { dirname, join, resolve } from "node:path";
import { test } from "node:test";
import {
  asTerminalShows, choiceOf, defaultChoice, hexValue, queryOf, readOrder, refusal, resultOf, ruleArguments,
  ruleFamiliesOf, ruleFileName, ruleFormatsOf, seventeenDigits, takesOf, ulpErrorsOf, ulpsApart,
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

test("hexValue reads hexadecimal floats exactly; ulpsApart counts in the reference's ulps", () => {
  const values = [
    ["0x1p0", 1], ["0x0p0", 0], ["0x1.8p1", 3], ["-0x1p-3", -0.125],
    ["0x1.fffffffffffffp1023", Number.MAX_VALUE], ["0x1p-1022", 2 ** -1022],
    ["0x0.0000000000001p-1022", Number.MIN_VALUE], ["0x0.8p-1022", 2 ** -1023],
    ["0x1.0000000000001p0", 1 + Number.EPSILON], ["0x1.2ep4", 18.875], ["0x1.8", NaN],
  ];
  for (const [text, value] of values) assert.equal(hexValue(text), value, text);

  const apart = [
    [1 + Number.EPSILON, 1, 1], [1 - Number.EPSILON / 2, 1, -0.5], [-1 - 2 * Number.EPSILON, -1, -2],
    [0, 0, 0], [2 * Number.MIN_VALUE, 0, 2], [0.125 + 3 * 2 ** -55, 0.125, 3],
  ];
  for (const [value, reference, ulps] of apart) {
    assert.equal(ulpsApart(value, reference), ulps, `${value} against ${reference}`);
  }
});

// zemta-rule, beside the native program.
const rule = zemta && join(dirname(zemta), "zemta-rule");
test("ulpErrorsOf: the program's rule against zemta-rule's, its hex CSV read as its decimal one",
  { skip: !(rule && existsSync(rule)) && "zemta-rule not built beside ZEMTA" }, () => {
    const run = (command, args) =>
      execFileSync(command, args, { encoding: "latin1", stdio: ["ignore", "pipe", "ignore"] });
    for (const order of [3, 20, 999]) {
      const decimal = run(rule, [String(order)]);
      const hex = run(rule, ruleArguments(order, { ...defaultChoice, hex: true }, { hex: true }));
      const values = (csv) => csv.split("\n").slice(1, -1).map((row) => row.split(","));
      values(hex).forEach((row, i) => assert.deepEqual(row.map(hexValue),
        values(decimal)[i].map(Number), `order ${order}, row ${i + 1}`));
      const { rule: shown } = resultOf(run(zemta, [String(order)]));
      assert.deepEqual(ulpErrorsOf(shown, hex), ulpErrorsOf(shown, decimal), `order ${order}`);
    }
    // Order 3's W1 is 0.55555555555555536 where 5/9 rounds to
    // 0.55555555555555558: two ulps of 2^-53 low. Its nodes and W0 are the
    // nearest doubles.
    const three = ulpErrorsOf(resultOf(run(zemta, ["3"])).rule, run(rule, ["3"]));
    assert.deepEqual(three.rows, [{ node: 0, weight: -2 }, { node: 0, weight: 0 }, { node: 0, weight: -2 }]);
    assert.deepEqual(three.largest, { node: 0, weight: 2 });
    assert.equal(ulpErrorsOf(resultOf(run(zemta, ["3"])).rule, run(rule, ["4"])), null);
  });

test("a choice survives the address; its texts go to zemta-rule as typed and into a safe file name", () => {
  // What the family options of legendre, jacobi and hermite say (the
  // build's drawing writes them), as a dataset holds them.
  const legendre = { interval: "", half: "" };
  const jacobi = { interval: "", alpha: "", beta: "", half: "" };
  const hermite = { scaled: "", half: "" };
  const choices = [
    [{}, legendre, "?n=7", ["--format", "csv"], "gq7_rounded.csv"],
    [{ format: "c", a: "0", b: "1", half: true, hex: true }, legendre, "?n=7&format=c&a=0&half=1&hex=1",
      ["--format", "c", "--interval", "0", "1", "--half", "--hex"], "gq7_rounded_0_1_half.h"],
    [{ format: "rust", a: " -1", b: "1/2&n=3", hex: true }, legendre,
      "?n=7&format=rust&a=+-1&b=1%2F2%26n%3D3&hex=1", ["--format", "rust", "--interval", " -1", "1/2&n=3"],
      "gq7_rounded__-1_1_2_n_3.rs"],
    [{ rule: "jacobi", alpha: "0.5", beta: ".5", a: "0", half: true }, jacobi,
      "?n=7&rule=jacobi&alpha=0.5&beta=.5&a=0&half=1",
      ["--rule", "jacobi", "--alpha", "0.5", "--beta", ".5", "--format", "csv", "--interval", "0", "1"],
      "gq7_jacobi_rounded_alpha0.5_beta.5_0_1.csv"],
    [{ rule: "jacobi", alpha: "-0.5", beta: "-0.5", half: true }, jacobi, "?n=7&rule=jacobi&alpha=-0.5&beta=-0.5&half=1",
      ["--rule", "jacobi", "--alpha", "-0.5", "--beta", "-0.5", "--format", "csv", "--half"],
      "gq7_jacobi_rounded_alpha-0.5_beta-0.5_half.csv"],
    // What a family does not take stays in the choice, and is not sent.
    [{ format: "numpy", rule: "hermite", a: "0", alpha: "2", scaled: true, half: true, hex: true }, hermite,
      "?n=7&format=numpy&rule=hermite&alpha=2&a=0&half=1&hex=1&scaled=1",
      ["--rule", "hermite", "--scaled", "--format", "numpy", "--half"], "gq7_hermite_rounded_scaled_half.py"],
  ];
  for (const [typed, flags, query, args, name] of choices) {
    const choice = { ...defaultChoice, ...typed };
    const takes = takesOf(flags, choice, choice.format !== "rust" && choice.format !== "numpy");
    assert.equal(queryOf(7, choice), query);
    assert.deepEqual(choiceOf(new URLSearchParams(query)), choice, query);
    assert.deepEqual(ruleArguments(7, choice, takes).slice(1), args, query);
    assert.equal(ruleFileName(7, choice, takes), name);
  }
  // The menus' formats and families, from rule/emit/rule_formats.h and
  // rule/quadrature/families.h.
  const formats = ruleFormatsOf(readFileSync(resolve(top, "rule/emit/rule_formats.h"), "utf8"));
  assert.deepEqual(formats.slice(0, 2), [{ name: "csv", hex: true }, { name: "c", hex: true }]);
  assert.ok(formats.length >= 9 && formats.some(({ name, hex }) => name === "rust" && !hex));
  const families = readFileSync(resolve(top, "rule/quadrature/families.h"), "utf8");
  const found = ruleFamiliesOf(families);
  assert.equal(found.length, families.match(/^ +FAMILY\(\w+, /gm).length);
  assert.deepEqual(found.filter(({ name }) => /^(legendre|radau-right|laguerre|jacobi)$/.test(name)), [
    { name: "legendre", interval: true, alpha: false, beta: false, scaled: false, min: 2 },
    { name: "radau-right", interval: true, alpha: false, beta: false, scaled: false, min: 1 },
    { name: "laguerre", interval: false, alpha: true, beta: false, scaled: true, min: 1 },
    { name: "jacobi", interval: true, alpha: true, beta: true, scaled: false, min: 1 },
  ]);
});
