// What the page makes of text: the order the user typed, the program's
// output cut into its parts, the rule on [-1, 1] read from the C function,
// the files the page offers, and what it draws of a result; zemta-rule's
// formats and Gauss families, the user's choice for it as the address
// holds it, and its arguments, which carry the interval's ends, alpha and
// beta as typed: zemta-rule alone reads them, so the page and the command
// never differ. No function
// here touches the page, so tests/web/texts.test.mjs checks them under
// Node (what the page draws, the browser test of the page as built); in
// the page the build drops the word `export` and they are plain functions
// that app.js calls, and the build's drawing (cmake/zemta_web_draw.mjs)
// imports them as they are.
//
// `orders` is { min, max }, the orders the program accepts, which the build
// takes from quadrature/coefficients.h.

// Text the user typed, cut short for a sentence that echoes it.
function echo(typed) {
  return typed.length > 24 ? typed.slice(0, 24) + "\u2026" : typed;
}

const range = ({ min, max }) => `a whole number from ${min} to ${max}`;

// What the page sends for the field's text: { argument } for a whole number
// in decimal digits, without a plus sign or leading zeros (the program would
// read "020" as octal), which the program then judges; or { error }, a
// sentence, for text the program would read otherwise than the user meant
// ("20.5" and "20 points" as 20, "1e3" and "1,000" as 1, "0x10" as 16),
// which is not sent. A sentence suggests another order only when the
// program would take it.
export function readOrder(text, orders) {
  const typed = text.trim();
  const shown = echo(typed);
  const accepted = (digits) =>
    digits.length <= 4 && Number(digits) >= orders.min && Number(digits) <= orders.max;
  let match = /^([+-]?)(\d+)$/.exec(typed);
  if (match) {
    const digits = match[2].replace(/^0+(?=\d)/, "");
    return { argument: (match[1] === "-" && digits !== "0" ? "-" : "") + digits };
  }
  if (typed === "") return { error: `Type an order: ${range(orders)}.` };
  if (/^[+-]?\d*\.\d+$|^[+-]?\d+\.$/.test(typed)) {
    return { error: `${shown} is not a whole number: the order counts points, from ${orders.min} to ${orders.max}.` };
  }
  if (/^[+-]?(\d+\.?\d*|\.\d+)e[+-]?\d+$/i.test(typed)) {
    return { error: `Write the order in plain digits: ${shown} is not read as a power of ten.` };
  }
  match = /^0x([0-9a-f]+)$/i.exec(typed);
  if (match) {
    const value = String(parseInt(match[1], 16));
    return { error: accepted(value)
      ? `Write the order in decimal digits: ${shown} is ${value}, so type ${value}.`
      : `Write the order in decimal digits, ${range(orders)}: ${shown} is not read as hexadecimal.` };
  }
  match = /^\d{1,3}(?:[,\u00a0\u202f '_]\d{3})+$/.exec(typed);
  if (match) {
    const plain = typed.replace(/\D/g, "");
    return { error: `Write the order without separators: ${plain}, not ${shown}.` };
  }
  match = /^([+-]?\d+)\s*[^\d\s.,].*$/.exec(typed);
  if (match && accepted(match[1])) {
    return { error: `Type the order alone, in digits: ${match[1]}, not \u201c${shown}\u201d.` };
  }
  return { error: `\u201c${shown}\u201d is not an order: type ${range(orders)}.` };
}

// The sentence for an order the program refused, from its standard error:
// its own reason ("Error: order must not exceed 999"), and the order as sent,
// cut short when long.
export function refusal(argument, stderr) {
  const reason = /^Error: (.*)$/m.exec(stderr);
  return reason
    ? `The program did not take ${echo(argument)}: ${reason[1]}.`
    : "The program stopped; see Program messages.";
}

// Cuts the program's output as the build's splitter
// (cmake/zemta_split_output.cmake) does: the C function, then the FORTRAN
// function from "      FUNCTION GQ<n>(F,A,B)" to the first "      END"
// line, then the raw arrays, which open with a blank line. Null when the
// output lacks that shape.
export function splitOutput(text, order) {
  const head = text.indexOf(`\n      FUNCTION GQ${order}(F,A,B)\n`);
  const tail = text.indexOf("\n      END\n");
  if (head === -1 || tail < head) return null;
  const fortranAt = head + 1;
  const rawAt = tail + "\n      END\n".length;
  return {
    c: text.slice(0, fortranAt),
    fortran: text.slice(fortranAt, rawAt),
    raw: text.slice(rawAt),
  };
}

// The order the program computed, from the C function's first line.
export function orderOf(text) {
  const match = /^DBL GQ(\d+)\(/m.exec(text);
  return match ? Number(match[1]) : null;
}

// Progress lines are rewritten in place with carriage returns; shows each
// line as a terminal leaves it.
export function asTerminalShows(text) {
  return text
    .split("\n")
    .map((line) => {
      let screen = "";
      for (const piece of line.split("\r")) {
        screen = piece + screen.slice(piece.length);
      }
      return screen;
    })
    .join("\n");
}

// A number of the C function ("0.0765265211334973240") in fixed notation
// with 17 significant digits, its value unchanged: the program writes 17
// significant digits and then zeros, and below 0.001 fewer digits, which
// zeros fill up to 17 here.
export function seventeenDigits(text) {
  const [whole, places = ""] = text.split(".");
  const first = (whole + places).search(/[1-9]/);
  const decimals = Math.max(Math.max(first, 0) + 17 - whole.length, 0);
  return decimals ? `${whole}.${places.padEnd(decimals, "0").slice(0, decimals)}` : whole;
}

// The rule on [-1, 1] from the C function: its X and W arrays (or, for
// orders 2 and 3, its X0, X1, W0 and W1) hold the non-negative nodes in
// ascending order and their weights; the other half is their mirror image.
// Returns [{ node, weight }] in ascending node order, as text.
export function ruleOf(c, order) {
  const array = (name) => {
    const match = new RegExp(`static DBL ${name}\\[\\d+\\]=\\{([^}]*)\\}`).exec(c);
    return match ? match[1].split(",").map((value) => value.trim()) : null;
  };
  const scalar = (name) => {
    const match = new RegExp(`[ ,]${name}=([0-9.]+)[,;]`).exec(c);
    return match ? match[1] : null;
  };
  let nodes = array("X");
  let weights = array("W");
  if (!nodes) {
    // Order 2: X0, weight 1; order 3: the middle node 0, X1, W0 and W1.
    nodes = order === 2 ? [scalar("X0")] : ["0.0", scalar("X1")];
    weights = order === 2 ? ["1.0"] : [scalar("W0"), scalar("W1")];
  }
  const half = nodes.map((node, i) => ({
    node: seventeenDigits(node),
    weight: seventeenDigits(weights[i] ?? ""),
  }));
  const middle = order % 2 === 1 ? 1 : 0;
  const mirrored = half.slice(middle).reverse().map(({ node, weight }) =>
    ({ node: "-" + node, weight }));
  return mirrored.concat(half);
}

export function csvOf(rule) {
  return "node,weight\r\n" + rule.map(({ node, weight }) => `${node},${weight}\r\n`).join("");
}

// The raw arrays as a C header, gq<n>_raw.h: the program declares them as
// `DBL A<n>[n]={...};`, definitions that need the C function's typedef and
// may stand in one source only. The header makes them `static const long
// double`, under an include guard, so that it can be included beside
// gq<n>.c and from any number of sources.
export function rawHeaderOf(raw, order) {
  const guard = `GQ${order}_RAW_H`;
  return `/* gq${order}_raw.h: the ${order}-point Gauss-Legendre rule on [0, 1] as ` +
    `written by zemta,\n   its nodes A${order} in ascending order and their ` +
    `weights W${order}. */\n#ifndef ${guard}\n#define ${guard}\n` +
    raw.replace(/^DBL /gm, "static const long double ") + `\n#endif /* ${guard} */\n`;
}

// The files the page offers, by part: their names and types.
export const files = {
  c: { suffix: ".c", type: "text/x-c" },
  fortran: { suffix: ".f", type: "text/x-fortran" },
  raw: { suffix: "_raw.h", type: "text/x-c" },
  csv: { suffix: ".csv", type: "text/csv" },
  all: { suffix: ".txt", type: "text/plain" },
};

// Everything the page shows of one run of the program that succeeded, or
// null when its output lacks the parts' shape. The copies of a part are
// its text as shown; the downloads, `files`, are what a file of that name
// should hold.
export function resultOf(stdout) {
  const order = orderOf(stdout);
  const parts = order && splitOutput(stdout, order);
  if (!parts) return null;
  const rule = ruleOf(parts.c, order);
  const csv = csvOf(rule);
  return {
    order,
    rule,
    texts: { ...parts, csv, all: stdout },
    downloads: { ...parts, raw: rawHeaderOf(parts.raw, order), csv, all: stdout },
  };
}

// What the page draws of a result, as data that app.js makes into
// elements and the build (cmake/zemta_web_draw.mjs) into the page's markup
// for the order it opens on, so that both draw the same.

// A text that ends in a line end, as blocks of at most 40 lines: { lines,
// text }. A block but the last leaves out its last line end, which the
// block's own end stands for: the text as the user selects and copies it
// is the same.
export function lineBlocks(text) {
  const lines = text.split("\n");
  lines.pop();
  const blocks = [];
  for (let i = 0; i < lines.length; i += 40) {
    const part = lines.slice(i, i + 40);
    blocks.push({ lines: part.length, text: part.join("\n") + (i + 40 >= lines.length ? "\n" : "") });
  }
  return blocks;
}

// Row i (from 0) of the table of the rule, { node, weight }: its number,
// node and weight, and the cells of their errors, empty until they are
// known. The values are digits, a sign and a point, nothing to escape.
export const ruleRow = (i, { node, weight }) =>
  `<tr><td>${i + 1}</td><td>${node}</td><td>${weight}</td><td class="ulps"></td><td class="ulps"></td></tr>`;

// The plot of the rule on [-1, 1], a stem per node as high as its weight,
// in a 400 by 180 box: its shapes ({ name, attributes, text }, SVG
// elements) and its caption.
export function plotOf(rule) {
  const nodes = rule.map(({ node }) => Number(node));
  const weights = rule.map(({ weight }) => Number(weight));
  const [width, height] = [400, 180];
  const [left, right, top, bottom] = [66, 12, 12, 30];
  const highest = Math.max(...weights);
  const x = (t) => (left + ((t + 1) / 2) * (width - left - right)).toFixed(2);
  const y = (w) => (height - bottom - (w / highest) * (height - top - bottom)).toFixed(2);
  const base = y(0);

  let stems = "";
  let heads = "";
  nodes.forEach((t, i) => {
    const [px, py] = [x(t), y(weights[i])];
    stems += `M${px} ${base}V${py}`;
    heads += `M${px} ${py}h0`;
  });
  const path = (kind, d) => ({ name: "path", attributes: { class: kind, d } });
  const label = (at, anchor, text) =>
    ({ name: "text", attributes: { x: at[0], y: at[1], "text-anchor": anchor }, text });

  const shapes = [
    path("axis", `M${left} ${base}H${width - right}M${left} ${top}V${base}`),
    path("stems", stems),
    path("heads", heads),
  ];
  for (const t of [-1, -0.5, 0, 0.5, 1]) {
    shapes.push(path("axis", `M${x(t)} ${base}v4`),
      label([x(t), height - 10], "middle", String(t).replace("-", "\u2212")));
  }
  const highestText = String(Number(highest.toPrecision(4)));
  shapes.push(path("axis", `M${left - 4} ${top}h4`),
    label([left - 7, top + 4], "end", highestText),
    label([left - 7, Number(base) + 4], "end", "0"));
  const caption =
    `The ${nodes.length} nodes of the rule on [\u22121, 1] as stems as high as their ` +
    `weights (the largest ${highestText}), drawn from the table below.`;
  return { shapes, caption };
}

// The page's sentences about the rule it shows.
export const ruleTitle = (order) => `zemta: ${order}-point Gauss\u2013Legendre rule`;
export const ruleStatus = (order) =>
  `The ${order}-point rule, exact up to degree ${2 * order - 1}.`;
// As long as the sentence to come, so that nothing below moves.
export const errorsPending = (order) =>
  `The largest error of GQ${order}'s coefficients against the correctly ` +
  "rounded rule: \u2026 ulp in a node, \u2026 ulp in a weight; from 0.001 up, where the " +
  "program writes 17 significant digits, \u2026 ulp and \u2026 ulp.";
export const roundedPending = "Computing the correctly rounded rule\u2026";

// zemta-rule's formats, as --format names them, and whether each takes
// --hex: read from their one list, rule_format_names in
// rule/emit/rule_formats.h (the build's drawing fills the page's menu from it).
export function ruleFormatsOf(header) {
  const list = /rule_format_names = \{\{([^;]*)\}\};/.exec(header)?.[1] ?? "";
  return [...list.matchAll(/\{"([a-z0-9-]+)", RuleFormat::\w+, (true|false)\}/g)]
    .map(([, name, hex]) => ({ name, hex: hex === "true" }));
}

// What the page says of each format and the file it offers: its name in
// the menu, its file's suffix and type. A format this table lacks is
// offered under its own name, as a .txt file.
const formatTexts = {
  csv: { label: "CSV", suffix: ".csv", type: "text/csv" },
  c: { label: "C", suffix: ".h", type: "text/x-c" },
  cpp: { label: "C++", suffix: ".hpp", type: "text/x-c++" },
  numpy: { label: "NumPy", suffix: ".py", type: "text/x-python" },
  julia: { label: "Julia", suffix: ".jl", type: "text/plain" },
  fortran: { label: "Fortran 90", suffix: ".f90", type: "text/x-fortran" },
  rust: { label: "Rust", suffix: ".rs", type: "text/x-rust" },
  js: { label: "JavaScript", suffix: ".js", type: "text/javascript" },
  matlab: { label: "MATLAB", suffix: ".m", type: "text/plain" },
  json: { label: "JSON", suffix: ".json", type: "application/json" },
  "c-function": { label: "C function (C89)", suffix: ".c", type: "text/x-c" },
};
export const formatText = (name) => formatTexts[name] ?? { label: name, suffix: ".txt", type: "text/plain" };

// The menu's options for the formats of ruleFormatsOf; each says in
// data-hex whether it takes --hex.
export const formatOptions = (formats) => formats.map(({ name, hex }) =>
  `<option value="${name}"${hex ? " data-hex" : ""}>${formatText(name).label}</option>`).join("");

// Why the hexadecimal box is off for a format without --hex.
export const hexOff = (name) => `${formatText(name).label} has no hexadecimal float literals.`;

// zemta-rule's Gauss families, as --rule names them, each with what it
// takes: { name, interval (a finite domain, which --interval maps), alpha,
// beta, scaled, min (its least order) }, read from their one list,
// ZEMTA_RULE_FAMILIES in rule/quadrature/families.h (the build's drawing
// fills the page's menu from it).
export function ruleFamiliesOf(header) {
  const list = /#define ZEMTA_RULE_FAMILIES\(FAMILY\)((?:.*\\\n)*)/.exec(header)?.[1] ?? "";
  const entry = /\{"([a-z0-9-]+)", RuleFamily::\w+, FamilyDomain::(\w+), (\w+), (\w+), (\w+), (\d+),/g;
  return [...list.matchAll(entry)].map(([, name, domain, alpha, beta, scaled, min]) => ({ name,
    interval: domain === "finite", alpha: alpha === "true", beta: beta === "true", scaled: scaled === "true",
    min: Number(min) }));
}

// What a family's option may say of it, each as a data- attribute when
// true: the options zemta-rule takes for it (half where its rule is
// symmetric, which the build's drawing asks zemta-rule itself).
const familyFlags = ["interval", "alpha", "beta", "scaled", "half"];

// The family menu's options for ruleFamiliesOf's families (with half),
// each named as --rule names it, and with its least order where that is
// above the least the page's field takes (minOrder).
export const familyOptions = (families, minOrder) => families.map((family) => {
  const flags = familyFlags.filter((flag) => family[flag]).map((flag) => ` data-${flag}`).join("");
  const least = family.min > minOrder ? ` (n \u2265 ${family.min})` : "";
  return `<option value="${family.name}"${flags}>${family.name}${least}</option>`;
}).join("");

// What zemta-rule is given of a choice: the family's flags as its option
// holds them (a dataset: a key for each flag that is set) and whether the
// format takes --hex. A rule that is symmetric for some parameters only
// (jacobi, for alpha == beta) offers half while alpha and beta are typed
// alike; zemta-rule alone reads their values.
export function takesOf(flags, { alpha, beta }, hex) {
  const takes = Object.fromEntries(familyFlags.map((flag) => [flag, flag in flags]));
  return { ...takes, half: takes.half && (!takes.beta || alpha === beta), hex };
}

// The user's choice for the correctly rounded rule, { format, rule, alpha,
// beta, a, b, half, hex, scaled }, as the address holds it
// (URLSearchParams): the texts by their names and the boxes as 1, each
// left out at its default (the csv of legendre on [-1, 1], alpha and beta
// 0, no box checked).
export const defaultChoice = { format: "csv", rule: "legendre", alpha: "0", beta: "0", a: "-1", b: "1",
  half: false, hex: false, scaled: false };
const choiceTexts = ["format", "rule", "alpha", "beta", "a", "b"];
const choiceBoxes = ["half", "hex", "scaled"];
export const choiceOf = (params) => Object.fromEntries([
  ...choiceTexts.map((key) => [key, params.get(key) ?? defaultChoice[key]]),
  ...choiceBoxes.map((key) => [key, params.get(key) === "1"])]);

// The address's query for the order and the choice: "?n=20&format=c&a=0".
export function queryOf(order, choice) {
  const params = new URLSearchParams({ n: String(order) });
  for (const key of choiceTexts) {
    if (choice[key] !== defaultChoice[key]) params.set(key, choice[key]);
  }
  for (const key of choiceBoxes) if (choice[key]) params.set(key, "1");
  return `?${params}`;
}

// zemta-rule's arguments for the order and the user's choice, with what
// it takes of it (takesOf): --rule but for the default, legendre; alpha,
// beta, a and b exactly as typed, the words after --alpha, --beta and
// --interval, for zemta-rule alone to read; the interval left out when it
// is "-1" and "1", the rule's own.
export function ruleArguments(order, choice, takes) {
  const { format, rule, alpha, beta, a, b, half, hex, scaled } = choice;
  const args = [String(order)];
  if (rule !== defaultChoice.rule) args.push("--rule", rule);
  if (takes.alpha) args.push("--alpha", alpha);
  if (takes.beta) args.push("--beta", beta);
  if (scaled && takes.scaled) args.push("--scaled");
  args.push("--format", format);
  if (takes.interval && (a !== "-1" || b !== "1")) args.push("--interval", a, b);
  if (half && takes.half) args.push("--half");
  if (hex && takes.hex) args.push("--hex");
  return args;
}

// The name of a file of the correctly rounded rule, which says which rule
// it holds, of what zemta-rule is given (ruleArguments): gq20_rounded.csv,
// gq7_rounded_0_1.csv, gq20_rounded_-0x1p-3_3e2_half.rs,
// gq10_jacobi_rounded_alpha0.5_beta0.5_half.jl. The texts typed are cut
// to 40 characters, with any other than a letter, a digit, '.', '+' or
// '-' as '_', so that the name is a file's name on every system.
export function ruleFileName(order, choice, takes) {
  const { rule, alpha, beta, a, b } = choice;
  const end = (text) => text.replace(/[^A-Za-z0-9.+-]/g, "_").slice(0, 40);
  const parts = [`gq${order}`, rule !== defaultChoice.rule && end(rule), "rounded",
    takes.alpha && `alpha${end(alpha)}`, takes.beta && `beta${end(beta)}`,
    choice.scaled && takes.scaled && "scaled",
    takes.interval && (a !== "-1" || b !== "1") && `${end(a)}_${end(b)}`, choice.half && takes.half && "half"];
  return parts.filter(Boolean).join("_") + formatText(choice.format).suffix;
}

// The double a hexadecimal floating literal as zemta-rule writes it stands
// for, exactly: "-0x1.279a74590331cp-1", "0x1p0", "0x0p0",
// "0x0.8p-1022". At most 13 hex digits after the point (53 bits), and a
// value and scale within the doubles, which zemta-rule's never leave.
export function hexValue(text) {
  const match = /^(-?)0x([0-9a-f])(?:\.([0-9a-f]{1,13}))?p(-?\d+)$/.exec(text);
  if (!match) return NaN;
  const [, sign, lead, fraction = "", exponent] = match;
  const significand = parseInt(lead + fraction, 16); // below 2^53: exact
  // Two factors, each a double, so that no power of two on the way is out
  // of range; each product is exact.
  const shift = Number(exponent) - 4 * fraction.length;
  const half = Math.trunc(shift / 2);
  const value = significand * 2 ** half * 2 ** (shift - half);
  return sign ? -value : value;
}

const bits = new DataView(new ArrayBuffer(8));

// The unit in the last place of a finite double: the gap from |value| to
// the next double up (for 0, the smallest subnormal).
export function ulpOf(value) {
  bits.setFloat64(0, Math.abs(value));
  bits.setBigUint64(0, bits.getBigUint64(0) + 1n);
  return bits.getFloat64(0) - Math.abs(value);
}

// How far value lies from reference, in units in the last place of
// reference, signed. The difference of two nearby doubles is exact, and so
// is the division by a power of two.
export function ulpsApart(value, reference) {
  return (value - reference) / ulpOf(reference);
}

// A value of zemta-rule's CSV, decimal or hexadecimal, as the double it
// stands for: the decimal digits are the shortest that read back as it.
export function csvValue(text) {
  return /^-?0x/.test(text) ? hexValue(text) : Number(text);
}

// The error of each coefficient of the rule the page shows (ruleOf) against
// the correctly rounded rule, zemta-rule's CSV of the same order on
// [-1, 1]: { rows, largest, largestFrom }, rows [{ node, weight }] in ulps,
// row by row; largest the largest of each (by magnitude) as { node, weight },
// largestFrom the same over the values from 0.001 up, which the program
// writes with 17 significant digits. Null when the CSV is not that rule's.
export function ulpErrorsOf(rule, csv) {
  const values = csv.split("\n").slice(1, -1).map((row) => row.split(",").map(csvValue));
  if (values.length !== rule.length || values.some((row) => row.length !== 2)) return null;
  const rows = rule.map(({ node, weight }, i) => ({
    node: ulpsApart(Number(node), values[i][0]),
    weight: ulpsApart(Number(weight), values[i][1]),
  }));
  if (rows.some(({ node, weight }) => Number.isNaN(node) || Number.isNaN(weight))) return null;
  const largest = (key, from) => rows.reduce((most, row, i) =>
    Math.abs(values[i][key === "node" ? 0 : 1]) >= from ? Math.max(most, Math.abs(row[key])) : most, 0);
  return {
    rows,
    largest: { node: largest("node", 0), weight: largest("weight", 0) },
    largestFrom: { node: largest("node", 0.001), weight: largest("weight", 0.001) },
  };
}

// An error in ulps as the table shows it: "0", "+13", "\u22122", "+0.5".
export function ulpText(ulps) {
  const rounded = Math.round(ulps * 100) / 100;
  if (rounded === 0) return "0";
  return (rounded > 0 ? "+" : "\u2212") + String(Math.abs(rounded));
}
