// Draws the rule the page opens on (the order field's own value, 20) into
// the page as the build writes it, so that the browser shows its code in
// the first frame, before any script has run; app.js then runs the
// program once that frame is on the screen and draws the same again. Run
// by the build rule in zemta_web.cmake, after zemta_web_page.cmake:
//
//   node zemta_web_draw.mjs <site/index.html> <web/> <zemta.wasm>
//        <rule/emit/rule_formats.h> <zemta-rule.wasm>
//        <rule/quadrature/families.h>
//
// It also fills the correctly rounded rule's menus with zemta-rule's
// formats and families, from their one lists in rule/emit/rule_formats.h
// and rule/quadrature/families.h; a family's option says that it takes
// --half when zemta-rule, the module the page holds, writes its half table
// for the order drawn (jacobi's with alpha = beta = 0). The page is
// rewritten in place. The texts come from the module that the
// page holds, run through web/wasi.js, and are drawn with web/texts.js's
// functions, as app.js draws them; each element filled must stand in the
// page exactly once (the file names and function names at least once).
import { readFileSync, writeFileSync } from "node:fs";
import path from "node:path";
import { pathToFileURL } from "node:url";

const [pagePath, webDir, modulePath, formatsPath, ruleModulePath, familiesPath] = process.argv.slice(2);
const load = (name) => import(pathToFileURL(path.resolve(webDir, name)).href);
const { runZemta } = await load("wasi.js");
const texts = await load("texts.js");

let page = readFileSync(pagePath, "utf8");
const order = /<input id="order"[^>]*\svalue="(\d+)"/.exec(page)?.[1];
if (!order) throw new Error(`${pagePath}: no order field with a value`);

const module = await WebAssembly.compile(readFileSync(modulePath));
const run = await runZemta(module, [order]);
const decoder = new TextDecoder();
const result = run.status === 0 ? texts.resultOf(decoder.decode(run.stdout)) : null;
if (!result) throw new Error(`zemta ${order} ran with status ${run.status}, without its parts`);

const escaped = (text) => text.replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;");

// Replaces the one match of `pattern` (or, with `many`, each of at least
// one) by `replacement`, a string or a function as String.replace takes.
function fill(pattern, replacement, many = false) {
  const global = new RegExp(pattern.source, "g");
  const count = [...page.matchAll(global)].length;
  if (many ? count === 0 : count !== 1) {
    throw new Error(`${pagePath}: ${pattern} stands ${count} times`);
  }
  page = page.replace(global, replacement);
}

const blocks = (text) => texts.lineBlocks(text).map(({ lines, text }) =>
  `<span class="lines" style="--lines: ${lines}">${escaped(text)}</span>`).join("");
const rows = result.rule.map((row, i) => texts.ruleRow(i, row)).join("");
const plot = texts.plotOf(result.rule);
const shapes = plot.shapes.map(({ name, attributes, text }) => {
  const list = Object.entries(attributes).map(([key, value]) => ` ${key}="${value}"`).join("");
  return `<${name}${list}>${text === undefined ? "" : escaped(text)}</${name}>`;
}).join("");

// The content of the one element whose opening tag `open` matches: the
// text of `content`, whatever dollar signs it holds.
const inside = (open, content) => fill(new RegExp(`(${open.source}[^>]*>)(</)`),
  (_, start, end) => start + content + end);

const formats = texts.ruleFormatsOf(readFileSync(formatsPath, "utf8"));
if (!formats.some(({ name }) => name === "csv")) throw new Error(`${formatsPath}: no csv in rule_format_names`);
inside(/<select id="rounded-format"/, texts.formatOptions(formats));

const families = texts.ruleFamiliesOf(readFileSync(familiesPath, "utf8"));
if (families[0]?.name !== texts.defaultChoice.rule) {
  throw new Error(`${familiesPath}: rule_family_names does not open with ${texts.defaultChoice.rule}`);
}
const ruleModule = await WebAssembly.compile(readFileSync(ruleModulePath));
for (const family of families) {
  const choice = { ...texts.defaultChoice, rule: family.name, half: true };
  family.half = (await runZemta(ruleModule, texts.ruleArguments(order, choice, { ...family, half: true }))).status === 0;
}
const minOrder = /<input id="order"[^>]*\sdata-min="(\d+)"/.exec(page)?.[1];
inside(/<select id="rounded-family"/, texts.familyOptions(families, Number(minOrder)));

// boot.js reads which order the page holds before the body is there.
fill(/<meta charset="utf-8">\n/, (tag) => `${tag}<meta name="zemta-drawn" content="${order}">\n`);
fill(/<div id="result" hidden>/, () => '<div id="result">');
inside(/<p id="status"/, escaped(texts.ruleStatus(order)));
for (const key of ["c", "fortran", "raw"]) {
  inside(new RegExp(`<code id="text-${key}"`), blocks(result.texts[key]));
}
fill(/(<span class="file-name" data-suffix="([^"]*)">)(<\/span>)/,
  (_, open, suffix, close) => `${open}gq${order}${suffix}${close}`, true);
fill(/(<span class="function-name">)[^<]*(<\/span>)/,
  (_, open, close) => `${open}GQ${order}${close}`, true);
fill(/<div class="table-box"/, (tag) => `${tag} style="--rows: ${result.rule.length}"`);
inside(/<tbody id="rule-rows"/, rows);
inside(/<svg id="plot-svg"/, shapes);
inside(/<p id="plot-caption"/, escaped(plot.caption));
inside(/<p id="largest-error"/, escaped(texts.errorsPending(order)));
inside(/<p id="rounded-status"/, escaped(texts.roundedPending));
// The correctly rounded rule has no text yet, so nothing to copy.
fill(/<button type="button" data-copy="rounded"/, (tag) => `${tag} disabled`);
fill(/<button type="button" data-download="rounded"/, (tag) => `${tag} disabled`);
inside(/<pre id="diagnostics-text"/, escaped(texts.asTerminalShows(decoder.decode(run.stderr))));

writeFileSync(pagePath, page);
