// The page: reads the order, runs the program (boot.js), and shows its
// output cut into the C function, the FORTRAN function and the raw arrays,
// with the rule on [-1, 1] as a table and a plot, both taken from the C
// function's arrays.
//
// What the user asked for last wins: the field is the user's alone (a
// result never writes into it), and a result for anything but the latest
// request is dropped.

const $ = (id) => document.getElementById(id);
const form = $("order-form");
const field = $("order");
const errorLine = $("order-error");
const statusLine = $("status");
const result = $("result");
const diagnostics = $("diagnostics-text");
const panels = { c: $("text-c"), fortran: $("text-fortran"), raw: $("text-raw") };
const fileSuffixes = { c: ".c", fortran: ".f", raw: "_raw.h", csv: ".csv", all: ".txt" };

// The output of the last successful run: { order, all, c, fortran, raw, csv }.
let shown = null;

// Cuts the program's output as the build's zemta_generate() does: the C
// function, then the FORTRAN function from "      FUNCTION GQ<n>(F,A,B)" to
// the first "      END" line, then the rest, which opens with a blank line
// and gets the typedef its arrays use. Null when the output lacks that shape.
function splitOutput(text, order) {
  const head = text.indexOf(`\n      FUNCTION GQ${order}(F,A,B)\n`);
  const tail = text.indexOf("\n      END\n");
  if (head === -1 || tail < head) return null;
  const fortranAt = head + 1;
  const rawAt = tail + "\n      END\n".length;
  return {
    c: text.slice(0, fortranAt),
    fortran: text.slice(fortranAt, rawAt),
    raw: "typedef long double DBL;\n" + text.slice(rawAt),
  };
}

// The order the program computed, from the C function's first line.
function orderOf(text) {
  const match = /^DBL GQ(\d+)\(/m.exec(text);
  return match ? match[1] : null;
}

// What the page sends for the field's text: { argument } for a whole number
// in decimal digits, without a plus sign or leading zeros (the program would
// read "020" as octal), which the program then judges; or { error }, a
// sentence, for text the program would read otherwise than the user meant
// ("20.5" and "20 points" as 20, "1e3" and "1,000" as 1), which is not sent.
function readOrder(text) {
  const typed = text.trim();
  const shownTyped = typed.length > 24 ? typed.slice(0, 24) + "\u2026" : typed;
  let match = /^([+-]?)(\d+)$/.exec(typed);
  if (match) {
    const digits = match[2].replace(/^0+(?=\d)/, "");
    return { argument: (match[1] === "-" && digits !== "0" ? "-" : "") + digits };
  }
  if (typed === "") return { error: "Type an order: a whole number from 2 to 999." };
  if (/^[+-]?\d*\.\d+$|^[+-]?\d+\.$/.test(typed)) {
    return { error: `${shownTyped} is not a whole number: the order counts points, from 2 to 999.` };
  }
  if (/^[+-]?(\d+\.?\d*|\.\d+)e[+-]?\d+$/i.test(typed)) {
    return { error: `Write the order in plain digits: ${shownTyped} is not read as a power of ten.` };
  }
  match = /^\d{1,3}(?:([,\u00a0\u202f '_])\d{3})+$/.exec(typed);
  if (match) {
    const plain = typed.replace(/\D/g, "");
    return { error: `Write the order without separators: ${plain}, not ${shownTyped}.` };
  }
  match = /^([+-]?\d+)\s*[^\d\s.,].*$/.exec(typed);
  if (match) {
    return { error: `Type the order alone, in digits: ${match[1]}, not \u201c${shownTyped}\u201d.` };
  }
  return { error: `\u201c${shownTyped}\u201d is not an order: type a whole number from 2 to 999.` };
}

// Progress lines are rewritten in place with carriage returns; show each
// line as a terminal leaves it.
function asTerminalShows(text) {
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
function seventeenDigits(text) {
  const [whole, places = ""] = text.split(".");
  const first = (whole + places).search(/[1-9]/);
  const decimals = Math.max(Math.max(first, 0) + 17 - whole.length, 0);
  return decimals ? `${whole}.${places.padEnd(decimals, "0").slice(0, decimals)}` : whole;
}

// The rule on [-1, 1] from the C function: its X and W arrays (or, for
// orders 2 and 3, its X0, X1, W0 and W1) hold the non-negative nodes in
// ascending order and their weights; the other half is their mirror image.
// Returns [{ node, weight }] in ascending node order, as text.
function ruleOf(c, order) {
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

function csvOf(rule) {
  return "node,weight\r\n" + rule.map(({ node, weight }) => `${node},${weight}\r\n`).join("");
}

function fillTable(rule) {
  $("rule-rows").innerHTML = rule
    .map(({ node, weight }, i) => `<tr><td>${i + 1}</td><td>${node}</td><td>${weight}</td></tr>`)
    .join("");
}

// A part below the C function gets its text or its rows only when it comes
// near the screen, or the page is printed: at order 999 laying out the parts
// below the screen would take longer than the program's run. Until then it
// is empty.
const partFills = new Map(); // part -> what fills it, while it waits
const partsNear = new Set();

function fillPart(part) {
  const fill = partFills.get(part);
  partFills.delete(part);
  fill?.();
}

function setPart(id, fill, empty) {
  const part = $(id);
  if (partsNear.has(part)) {
    partFills.delete(part);
    fill();
  } else {
    partFills.set(part, fill);
    empty();
  }
}

const partObserver = new IntersectionObserver((entries) => {
  for (const { target, isIntersecting } of entries) {
    if (isIntersecting) {
      partsNear.add(target);
      fillPart(target);
    } else {
      partsNear.delete(target);
    }
  }
}, { rootMargin: "50% 0px" });
for (const part of document.querySelectorAll(".part")) partObserver.observe(part);
const fillAllParts = () => [...partFills.keys()].forEach(fillPart);
window.addEventListener("beforeprint", fillAllParts);
matchMedia("print").addEventListener("change", fillAllParts);

const SVG = "http://www.w3.org/2000/svg";

function svgElement(name, attributes, text) {
  const element = document.createElementNS(SVG, name);
  for (const [key, value] of Object.entries(attributes)) {
    element.setAttribute(key, value);
  }
  if (text !== undefined) element.textContent = text;
  return element;
}

// Plots the rule on [-1, 1]: a stem per node, as high as its weight.
function drawRule(rule) {
  const nodes = rule.map(({ node }) => Number(node));
  const weights = rule.map(({ weight }) => Number(weight));
  const svg = $("plot-svg");
  svg.replaceChildren();
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

  svg.append(
    svgElement("path", { class: "axis", d: `M${left} ${base}H${width - right}M${left} ${top}V${base}` }),
    svgElement("path", { class: "stems", d: stems }),
    svgElement("path", { class: "heads", d: heads }),
  );
  for (const t of [-1, -0.5, 0, 0.5, 1]) {
    svg.append(
      svgElement("path", { class: "axis", d: `M${x(t)} ${base}v4` }),
      svgElement("text", { x: x(t), y: height - 10, "text-anchor": "middle" }, String(t).replace("-", "\u2212")),
    );
  }
  const label = String(Number(highest.toPrecision(4)));
  svg.append(
    svgElement("path", { class: "axis", d: `M${left - 4} ${top}h4` }),
    svgElement("text", { x: left - 7, y: top + 4, "text-anchor": "end" }, label),
    svgElement("text", { x: left - 7, y: Number(base) + 4, "text-anchor": "end" }, "0"),
  );
  $("plot-caption").textContent =
    `The ${nodes.length} nodes of the rule on [\u22121, 1] and their weights ` +
    `(the largest ${label}), drawn from the table below.`;
}

function show(order, stdout, parts) {
  const rule = ruleOf(parts.c, Number(order));
  shown = { order, all: stdout, ...parts, csv: csvOf(rule) };
  // The C function, at the top, is filled at once; the parts below it when
  // they come near.
  panels.c.textContent = parts.c;
  for (const key of ["fortran", "raw"]) {
    const code = panels[key];
    setPart(`part-${key}`, () => { code.textContent = parts[key]; }, () => { code.textContent = ""; });
  }
  for (const span of document.querySelectorAll(".file-name")) {
    span.textContent = `gq${order}${span.dataset.suffix}`;
  }
  for (const span of document.querySelectorAll(".function-name")) {
    span.textContent = `GQ${order}`;
  }
  for (const span of document.querySelectorAll(".copied")) span.textContent = "";
  const rows = $("rule-rows");
  setPart("part-table", () => fillTable(rule), () => rows.replaceChildren());
  drawRule(rule);
  result.hidden = false;
  result.classList.remove("stale");
  document.title = `zemta: ${order}-point Gauss\u2013Legendre rule`;
  statusLine.textContent = `The ${order}-point rule.`;
}

// An error in one line beside the field; the last good result stays, greyed.
function showError(sentence) {
  errorLine.textContent = sentence;
  field.setAttribute("aria-invalid", "true");
  result.classList.add("stale");
  statusLine.textContent = shown ? `Below: the ${shown.order}-point rule from before.` : "";
  document.body.dataset.state = "failed";
}

function clearError() {
  errorLine.textContent = "";
  field.removeAttribute("aria-invalid");
}

// The program runs one request at a time; a request made meanwhile waits,
// and a newer one takes its place.
let latest = 0;
let latestArgument = "";
let busy = false;
let waiting = null;

function send(job) {
  if (busy) {
    waiting = job;
    return;
  }
  busy = true;
  zemtaRun(job.args).then((reply) => received(job.id, reply));
}

function received(id, reply) {
  busy = false;
  if (waiting) {
    const job = waiting;
    waiting = null;
    send(job);
  }
  if (id !== latest) return; // overtaken by a later request
  if (reply.failure) {
    showError(`The program could not run in this browser: ${reply.failure}`);
    return;
  }
  diagnostics.textContent = asTerminalShows(reply.stderr);
  if (reply.status !== 0) {
    const reason = /^Error: (.*)$/m.exec(reply.stderr);
    showError(reason
      ? `The program did not take ${latestArgument}: ${reason[1]}.`
      : "The program stopped; see Program messages.");
    return;
  }
  const order = orderOf(reply.stdout);
  const parts = order && splitOutput(reply.stdout, order);
  if (!parts) {
    showError("The program's output has no FORTRAN function.");
    return;
  }
  show(order, reply.stdout, parts);
  document.body.dataset.state = "done";
  requestAnimationFrame(() => {
    setTimeout(() => {
      performance.measure("zemta: order to painted text", "zemta: order");
      if (performance.getEntriesByName("zemta: opening to painted text").length === 0) {
        performance.measure("zemta: opening to painted text", { start: 0 });
      }
    });
  });
}

// Runs the order in the field. `entry` says what the address bar does:
// "push" a new history entry for a new order, or "keep" it (on opening the
// page, and on Back and Forward, which have set it already).
function generate(entry) {
  performance.mark("zemta: order");
  latest += 1;
  const { argument, error } = readOrder(field.value);
  if (error) {
    showError(error);
    return;
  }
  clearError();
  latestArgument = argument;
  if (entry === "push" && new URLSearchParams(location.search).get("n") !== argument) {
    history.pushState(null, "", `?n=${encodeURIComponent(argument)}`);
  }
  document.body.dataset.state = "running";
  statusLine.textContent = "Computing\u2026";
  send({ id: latest, args: [argument] });
}

form.addEventListener("submit", (event) => {
  event.preventDefault();
  generate("push");
});

// Back and Forward: the field shows the order of the entry, as the user
// went there.
function openAddress() {
  const requested = new URLSearchParams(location.search).get("n");
  field.value = requested ?? field.defaultValue;
  generate("keep");
}
window.addEventListener("popstate", openAddress);

function download(key) {
  const type = key === "csv" ? "text/csv" : "text/plain";
  const url = URL.createObjectURL(new Blob([shown[key]], { type }));
  const link = document.createElement("a");
  link.href = url;
  link.download = `gq${shown.order}${fileSuffixes[key]}`;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(url), 60000);
}

document.addEventListener("click", async (event) => {
  const button = event.target.closest("button[data-copy], button[data-download], #download-all");
  if (!button || !shown) return;
  if (button.id === "download-all") {
    download("all");
  } else if (button.dataset.download) {
    download(button.dataset.download);
  } else {
    const confirmation = button.nextElementSibling;
    try {
      await navigator.clipboard.writeText(shown[button.dataset.copy]);
      confirmation.textContent = `Copied (order ${shown.order}).`;
    } catch {
      confirmation.textContent = "The browser did not allow the copy; select the text instead.";
    }
  }
});

openAddress();
