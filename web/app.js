// The page: reads the order, has the worker run the program, and shows its
// output cut into the C function, the FORTRAN function and the raw arrays,
// with a plot of the rule drawn from the raw arrays.

const $ = (id) => document.getElementById(id);
const form = $("order-form");
const field = $("order");
const statusLine = $("status");
const failure = $("failure");
const failureText = $("failure-text");
const result = $("result");
const diagnostics = $("diagnostics-text");
const panels = { c: $("text-c"), fortran: $("text-fortran"), raw: $("text-raw") };
const fileSuffixes = { c: ".c", fortran: ".f", raw: "_raw.h", all: ".txt" };
const partNames = { c: "C function", fortran: "FORTRAN function", raw: "raw arrays" };

// The output of the last successful run: { order, all, c, fortran, raw }.
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

// A plain decimal order goes to the program without a sign or leading zeros
// (the program would read "020" as octal); anything else goes as typed, for
// the program to judge.
function argumentOf(text) {
  const trimmed = text.trim();
  return /^\+?\d+$/.test(trimmed) ? trimmed.replace(/^\+?0*(?=\d)/, "") : text;
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

// The values of the C array `name` in the raw list.
function rawArray(raw, name) {
  const match = new RegExp(`^DBL ${name}\\[\\d+\\]=\\{([^}]*)\\}`, "m").exec(raw);
  return match ? match[1].split(",").map(Number) : [];
}

const SVG = "http://www.w3.org/2000/svg";

function svgElement(name, attributes, text) {
  const element = document.createElementNS(SVG, name);
  for (const [key, value] of Object.entries(attributes)) {
    element.setAttribute(key, value);
  }
  if (text !== undefined) element.textContent = text;
  return element;
}

// Plots the rule on [-1, 1]: a stem per node, as high as its weight. The
// raw arrays hold the rule on [0, 1]; node a there is 2a - 1 on [-1, 1],
// and weights double.
function drawRule(order, raw) {
  const nodes = rawArray(raw, `A${order}`).map((a) => 2 * a - 1);
  const weights = rawArray(raw, `W${order}`).map((w) => 2 * w);
  const svg = $("plot-svg");
  svg.replaceChildren();
  if (nodes.length === 0 || nodes.length !== weights.length) {
    $("plot-caption").textContent = "";
    return;
  }
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
    `(the largest ${label}), drawn from the raw arrays.`;
}

function showFailure(message) {
  shown = null;
  for (const code of Object.values(panels)) code.textContent = "";
  $("plot-svg").replaceChildren();
  result.hidden = true;
  failureText.textContent = message;
  failure.hidden = false;
  document.body.dataset.state = "failed";
}

function show(order, stdout, parts) {
  shown = { order, all: stdout, ...parts };
  for (const [key, code] of Object.entries(panels)) code.textContent = parts[key];
  for (const span of document.querySelectorAll(".file-name")) {
    span.textContent = `gq${order}${span.dataset.suffix}`;
  }
  drawRule(order, parts.raw);
  failure.hidden = true;
  result.hidden = false;
  document.body.dataset.state = "done";
}

const worker = new Worker("worker.js", { type: "module" });
let latest = 0;
let latestArgument = "";

worker.addEventListener("message", (event) => {
  const reply = event.data;
  if (reply.id !== latest) return;  // an older run, overtaken
  if (reply.failure) {
    statusLine.textContent = "The program could not run in this browser.";
    showFailure(reply.failure);
    return;
  }
  diagnostics.textContent = asTerminalShows(reply.stderr);
  if (reply.status !== 0) {
    statusLine.textContent = "That is not an order the program takes.";
    showFailure(reply.stderr);
    history.replaceState(null, "", `?n=${encodeURIComponent(latestArgument)}`);
    return;
  }
  const order = orderOf(reply.stdout);
  const parts = order && splitOutput(reply.stdout, order);
  if (!parts) {
    statusLine.textContent = "The program's output has no FORTRAN function.";
    showFailure(reply.stdout);
    return;
  }
  show(order, reply.stdout, parts);
  field.value = order;
  history.replaceState(null, "", `?n=${order}`);
  statusLine.textContent = `The ${order}-point rule.`;
  requestAnimationFrame(() => {
    setTimeout(() => performance.measure("zemta: order to painted text", "zemta: order"));
  });
});

worker.addEventListener("error", () => {
  statusLine.textContent = "The program could not start in this browser.";
  showFailure("The page's worker failed to start.");
});

function generate() {
  const argument = argumentOf(field.value);
  performance.mark("zemta: order");
  latest += 1;
  latestArgument = argument;
  document.body.dataset.state = "running";
  statusLine.textContent = "Computing\u2026";
  worker.postMessage({ id: latest, args: [argument] });
}

form.addEventListener("submit", (event) => {
  event.preventDefault();
  generate();
});

function download(key) {
  const url = URL.createObjectURL(new Blob([shown[key]], { type: "text/plain" }));
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
    const key = button.dataset.copy;
    try {
      await navigator.clipboard.writeText(shown[key]);
      statusLine.textContent = `Copied the ${partNames[key]} of the ${shown.order}-point rule.`;
    } catch {
      statusLine.textContent = "The browser did not allow the copy; select the text instead.";
    }
  }
});

const requested = new URLSearchParams(location.search).get("n");
if (requested !== null) field.value = requested;
generate();
