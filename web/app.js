// The page: reads the order, runs the program (boot.js), and shows its
// output cut into the C function, the FORTRAN function and the raw arrays,
// with the rule on [-1, 1] as a table and a plot, both taken from the C
// function's arrays (texts.js); then runs zemta-rule for the correctly
// rounded rule of the same order, of the family and its parameters, in
// the format and on the interval the user chose, and for each Legendre
// coefficient's error against it. The address
// holds the order and that choice (queryOf), so a reload or a link gives
// the same page.
//
// The page is one state object. Handlers change it through update(), and
// render() draws every part of the page from it; each view redraws only
// when what it shows has changed. The field is the user's alone: no view
// writes into it, so a result never overwrites what is being typed.

const $ = (id) => document.getElementById(id);
const field = $("order");
const orders = { min: Number(field.dataset.min), max: Number(field.dataset.max) };

// Whether a format of the menu (drawn from zemta-rule's list) takes --hex.
const formatOption = (format) => [...$("rounded-format").options].find((option) => option.value === format);
const takesHex = (format) => Boolean(formatOption(format)?.hasAttribute("data-hex"));
// What zemta-rule is given of a choice (takesOf), from the family's
// option of its menu (drawn from zemta-rule's list).
const familyOption = (rule) => [...$("rounded-family").options].find((option) => option.value === rule);
const takes = (choice) => takesOf(familyOption(choice.rule).dataset, choice, takesHex(choice.format));
// A choice from the address, with a format or a family the menus lack as
// the default's.
const usableChoice = (choice) => ({ ...choice,
  format: formatOption(choice.format) ? choice.format : defaultChoice.format,
  rule: familyOption(choice.rule) ? choice.rule : defaultChoice.rule });

const state = {
  // "running" until the first run is done (while the module is compiled),
  // then "done" or "failed": whether the last order asked for ran.
  phase: "running",
  // What resultOf (texts.js) made of the last run that succeeded.
  result: null,
  // The sentence beside the field when the last order did not run; the
  // result, if any, is then from before and offers no copy or download.
  error: null,
  // The program's standard error of its last run, as a terminal shows it.
  diagnostics: "",
  // The confirmation of the last copy: { key, sentence }.
  copied: null,
  // The order asked for while the module was still being compiled:
  // { text, entry }, the arguments of ask().
  waiting: null,
  // zemta-rule's module: null until it is compiled (after the first
  // rule is drawn), then { module } or { failure }.
  ruleModule: null,
  // The user's choice for the correctly rounded rule, from its form and
  // the address (choiceOf). A box or field the format or the family does
  // not take keeps what the user left in it, and goes to zemta-rule again
  // on one that takes it.
  choice: usableChoice(choiceOf(new URLSearchParams(location.search))),
  // Whether a field (an interval end, alpha or beta) has been typed and
  // not yet run.
  typing: false,
  // zemta-rule's text for the result's order and the choice:
  // { order, args, text, fileName, warning }, or { args, error }, a
  // sentence; null while its module is being compiled.
  rounded: null,
  // The error of each coefficient of the result against the correctly
  // rounded rule: { order, rows, largest } (ulpErrorsOf), or null.
  errors: null,
};

// An interval end runs once typing has paused this long (ms); the timer
// that waits for it.
const typingPause = 300;
let typingTimer = 0;

function update(changes) {
  Object.assign(state, changes);
  render(state);
}

// The views: each draws one part of the page from the state values its
// `from` picks, and is drawn again when one of them is no longer the same.
// A new part of the page is a new view.
const views = [
  {
    from: (s) => [s.phase],
    draw(phase) {
      document.body.dataset.state = phase;
    },
  },
  {
    from: (s) => [s.error],
    draw(error) {
      $("order-error").textContent = error ?? "";
      if (error) field.setAttribute("aria-invalid", "true");
      else field.removeAttribute("aria-invalid");
    },
  },
  {
    // An error is announced from its own line, and the result from before
    // says so itself (the stale note).
    from: (s) => [s.phase, s.result, s.error],
    draw(phase, result, error) {
      $("status").textContent =
        phase === "running" ? "Computing\u2026"
        : error || !result ? ""
        : ruleStatus(result.order);
    },
  },
  {
    // The title names the rule shown; a failed order leaves it.
    from: (s) => [s.result],
    draw(result) {
      if (result) document.title = ruleTitle(result.order);
    },
  },
  {
    from: (s) => [s.result],
    draw(result) {
      $("result").hidden = !result;
      if (!result) return;
      for (const key of ["c", "fortran", "raw"]) drawLines($(`text-${key}`), result.texts[key]);
      $("rule-rows").closest(".table-box").style.setProperty("--rows", result.rule.length);
      for (const span of document.querySelectorAll(".file-name")) {
        span.textContent = `gq${result.order}${span.dataset.suffix}`;
      }
      for (const span of document.querySelectorAll(".function-name")) {
        span.textContent = `GQ${result.order}`;
      }
      drawRows($("rule-rows"), result.rule);
      drawPlot(result.rule);
    },
  },
  {
    from: (s) => [s.result, s.errors],
    draw(result, errors) {
      const shown = result && errors?.order === result.order ? errors : null;
      drawErrors($("rule-rows"), shown?.rows);
      $("largest-error").textContent = !result ? ""
        : shown
          ? `The largest error of GQ${result.order}'s coefficients against the correctly ` +
            `rounded rule: ${ulps(shown.largest.node)} in a node, ${ulps(shown.largest.weight)} ` +
            `in a weight; from 0.001 up, where the program writes 17 significant digits, ` +
            `${ulps(shown.largestFrom.node)} and ${ulps(shown.largestFrom.weight)}.`
          : errorsPending(result.order);
    },
  },
  {
    // A run that failed shows only its failure: no text, no file name,
    // and a sentence that says nothing was written.
    from: (s) => [s.rounded],
    draw(rounded) {
      drawLines($("text-rounded"), rounded?.text ?? "");
      $("text-rounded").parentElement.hidden = Boolean(rounded?.error);
      $("rounded-error").textContent = rounded?.error ?? "";
      // The fields a refusal names (its sentence opens with a capital):
      // the interval's ends, alpha or beta.
      for (const [id, word] of [["a", "interval"], ["b", "interval"], ["alpha", "alpha"], ["beta", "beta"]]) {
        if (rounded?.error?.toLowerCase().includes(word)) $(`rounded-${id}`).setAttribute("aria-invalid", "true");
        else $(`rounded-${id}`).removeAttribute("aria-invalid");
      }
      const command = rounded && `zemta-rule ${rounded.args.map(quoted).join(" ")}`;
      $("rounded-status").textContent = !rounded ? roundedPending
        : rounded.error ? `${command} wrote no rule: nothing to copy or download.`
        : `The output of ${command}.`;
      if (rounded) $("rounded-file-name").textContent = rounded.fileName ?? "";
      $("rounded-warning").hidden = !rounded?.warning;
      $("rounded-warning").textContent = rounded?.warning ?? "";
    },
  },
  {
    // Whether zemta-rule's text is that of the choice in the form, for
    // whoever waits for it (the page's test).
    from: (s) => [s.typing, s.rounded],
    draw(typing, rounded) {
      $("part-rounded").dataset.rule = typing || !rounded ? "pending" : "done";
    },
  },
  {
    // The family's own fields only: alpha, beta, scaled, the interval of a
    // finite domain and half where its rule is symmetric (takesOf).
    from: (s) => [s.choice],
    draw(choice) {
      const offered = takes(choice);
      for (const key of ["alpha", "beta", "scaled", "half"]) $(`rounded-${key}-box`).hidden = !offered[key];
      $("rounded-interval").hidden = !offered.interval;
    },
  },
  {
    // --hex only where the format has hexadecimal floats; elsewhere the
    // box is off, says why, and shows the user's choice again on a format
    // that takes it.
    from: (s) => [s.choice.format, s.choice.hex],
    draw(format, hex) {
      const box = $("rounded-hex");
      box.disabled = !takesHex(format);
      box.checked = hex && takesHex(format);
      $("rounded-hex-note").textContent = takesHex(format) ? "" : hexOff(format);
    },
  },
  {
    // A result from before an error stays in view, but its copies and
    // downloads are off: they would deliver an order other than the one
    // in the field.
    // So are the correctly rounded rule's while zemta-rule has no text.
    from: (s) => [s.result, s.error, s.rounded],
    draw(result, error, rounded) {
      const stale = Boolean(result && error);
      const note = $("stale-note");
      note.hidden = !stale;
      note.textContent = stale
        ? `The ${result.order}-point rule from before; its copies and downloads are off until an order runs.`
        : "";
      for (const button of $("result").querySelectorAll("button")) button.disabled = stale;
      for (const button of $("part-rounded").querySelectorAll("button")) {
        button.disabled = stale || !rounded?.text;
      }
    },
  },
  {
    from: (s) => [s.copied],
    draw(copied) {
      for (const span of document.querySelectorAll(".copied")) {
        span.textContent = copied?.key === span.dataset.part ? copied.sentence : "";
      }
    },
  },
  {
    from: (s) => [s.diagnostics],
    draw(diagnostics) {
      $("diagnostics-text").textContent = diagnostics;
    },
  },
];

// Draws a text as its blocks of lines (lineBlocks). A block that holds its
// text already is left as it is.
function drawLines(code, text) {
  const blocks = lineBlocks(text);
  while (code.children.length > blocks.length) code.lastElementChild.remove();
  while (code.children.length < blocks.length) {
    const block = document.createElement("span");
    block.className = "lines";
    code.append(block);
  }
  blocks.forEach(({ lines, text }, i) => {
    const block = code.children[i];
    block.style.setProperty("--lines", lines);
    setText(block, text);
  });
}

// Draws the rule's rows in the table, keeping the rows it has: a row's
// number stays, and its node and weight change in their text nodes.
function drawRows(body, rule) {
  while (body.rows.length > rule.length) body.lastElementChild.remove();
  let rows = "";
  for (let i = body.rows.length; i < rule.length; i++) rows += ruleRow(i, rule[i]);
  body.insertAdjacentHTML("beforeend", rows);
  rule.forEach(({ node, weight }, i) => {
    const cells = body.rows[i].cells;
    const [x, w] = [cells[1].firstChild, cells[2].firstChild];
    if (x.data !== node) x.data = node;
    if (w.data !== weight) w.data = weight;
  });
}

// An argument as a shell takes it.
const quoted = (arg) => (/^[\w.+-]+$/.test(arg) ? arg : `'${arg.replace(/'/g, "'\\''")}'`);

const ulps = (value) => `${ulpText(value).replace("+", "")} ulp`;

// Draws the errors in ulps of each row's node and weight, in the columns
// after them (on a phone the node and weight fit the screen, and the
// errors are a scroll away), or nothing while they are not known.
function drawErrors(body, rows) {
  for (let i = 0; i < body.rows.length; i++) {
    const cells = body.rows[i].cells;
    setText(cells[3], rows ? ulpText(rows[i].node) : "");
    setText(cells[4], rows ? ulpText(rows[i].weight) : "");
  }
}

function setText(element, text) {
  if (element.textContent !== text) element.textContent = text;
}

const drawn = new Map(); // view -> the values it last drew

function render(s) {
  for (const view of views) {
    const values = view.from(s);
    const last = drawn.get(view);
    if (last && last.every((value, i) => value === values[i])) continue;
    drawn.set(view, values);
    view.draw(...values);
  }
}

const SVG = "http://www.w3.org/2000/svg";

// Draws the plot of the rule (plotOf) and its caption.
function drawPlot(rule) {
  const { shapes, caption } = plotOf(rule);
  $("plot-svg").replaceChildren(...shapes.map(({ name, attributes, text }) => {
    const element = document.createElementNS(SVG, name);
    for (const [key, value] of Object.entries(attributes)) element.setAttribute(key, value);
    if (text !== undefined) element.textContent = text;
    return element;
  }));
  $("plot-caption").textContent = caption;
}

// The handlers.

// zemta-rule's runs for the result's order and the choice: the state's
// rounded and errors. The errors are computed once per order, from the
// CSV on [-1, 1], whose values read back exactly: the text shown when it
// is that CSV, otherwise a run of its own.
function roundedFor(result, choice, ruleModule) {
  if (!result || !ruleModule) return { rounded: null, errors: null };
  if (ruleModule.failure) {
    return { errors: null,
      rounded: { args: [], error: `zemta-rule could not run in this browser: ${ruleModule.failure}` } };
  }
  performance.mark("zemta: rule");
  const order = result.order;
  const run = (args) => zemtaRun(args, ruleModule.module);
  const args = ruleArguments(order, choice, takes(choice));
  const reply = run(args);
  let errors = state.errors?.order === order ? state.errors : null;
  if (!errors) {
    const csv = /^\d+ --format csv( --hex)?$/.test(args.join(" ")) ? reply : run([String(order)]);
    const found = csv.status === 0 ? ulpErrorsOf(result.rule, csv.stdout) : null;
    errors = found && { order, ...found };
  }
  if (reply.failure) return { errors, rounded: { args, error: `zemta-rule stopped: ${reply.failure}` } };
  // zemta-rule's one line on standard error, as a sentence: the reason
  // for a refusal, or a warning beside its text.
  const line = reply.stderr.replace(/^zemta-rule: /, "").trim();
  const sentence = line && line[0].toUpperCase() + line.slice(1) + (/[.!]$/.test(line) ? "" : ".");
  if (reply.status !== 0) {
    return { errors, rounded: { args, error: sentence || `zemta-rule stopped with status ${reply.status}.` } };
  }
  return { errors, rounded: { order, args, text: reply.stdout, fileName: ruleFileName(order, choice, takes(choice)),
    warning: sentence || null } };
}

// The address holds the order shown and the choice, so that a reload or a
// link gives the same rule.
function keepAddress() {
  if (!state.result || state.error) return;
  const query = queryOf(state.result.order, state.choice);
  if (location.search !== query) history.replaceState(history.state, "", query);
}

// Measures from the mark to the first task after the next frame, once.
function measureWhenPainted(name, mark) {
  requestAnimationFrame(() => setTimeout(() => performance.measure(name, mark)));
}

// Runs the order typed in the field. `entry` says what the address bar
// does: "push" a new history entry for an order that ran and differs from
// the address's, or "keep" it (on opening the page, and on Back and
// Forward, which have set it already). An order that does not run leaves
// the address, the history and the title as they were.
function ask(entry, text = field.value) {
  performance.mark("zemta: order");
  const { argument, error } = readOrder(text, orders);
  if (error) {
    update({ phase: "failed", error, copied: null, waiting: null });
    return;
  }
  const reply = zemtaRun([argument]);
  if (!reply) {
    update({ phase: "running", waiting: { text, entry } });
    return;
  }
  if (reply.failure) {
    update({ phase: "failed", error: `The program could not run in this browser: ${reply.failure}`,
      copied: null, waiting: null });
    return;
  }
  const diagnostics = asTerminalShows(reply.stderr);
  const result = reply.status === 0 ? resultOf(reply.stdout) : null;
  if (!result) {
    update({ phase: "failed", diagnostics, copied: null, waiting: null,
      error: reply.status === 0
        ? "The program's output has no FORTRAN function."
        : refusal(argument, reply.stderr) });
    return;
  }
  if (entry === "push" && new URLSearchParams(location.search).get("n") !== String(result.order)) {
    history.replaceState({ scroll: scrollY }, "");
    history.pushState({ scroll: 0 }, "", queryOf(result.order, state.choice));
  }
  // The ends typed so far run with the order, not once more after it.
  clearTimeout(typingTimer);
  update({ phase: "done", result, error: null, diagnostics, copied: null, waiting: null, typing: false,
    ...roundedFor(result, state.choice, state.ruleModule) });
  if (state.rounded) measureWhenPainted("zemta: rule to painted text", "zemta: rule");
  requestAnimationFrame(() => {
    setTimeout(() => {
      performance.measure("zemta: order to painted text", "zemta: order");
      if (performance.getEntriesByName("zemta: opening to painted text").length === 0) {
        performance.measure("zemta: opening to painted text", { start: 0 });
      }
    });
  });
}

$("order-form").addEventListener("submit", (event) => {
  event.preventDefault();
  ask("push");
});

// Back and Forward: the field shows the order of the entry, as the user
// went there, and the page its scroll position.
history.scrollRestoration = "manual";
function openAddress() {
  const params = new URLSearchParams(location.search);
  field.value = params.get("n") ?? field.defaultValue;
  state.choice = usableChoice(choiceOf(params));
  showChoice(state.choice);
  ask("keep");
}

// The form shows a choice from the address (the hex box is a view's).
function showChoice(choice) {
  for (const key of ["format", "family", "alpha", "beta", "a", "b"]) {
    $(`rounded-${key}`).value = choice[key === "family" ? "rule" : key];
  }
  $("rounded-half").checked = choice.half;
  $("rounded-scaled").checked = choice.scaled;
}
window.addEventListener("popstate", (event) => {
  openAddress();
  scrollTo(0, event.state?.scroll ?? 0);
});
// Each entry keeps where the page was scrolled to.
addEventListener("scrollend", () => history.replaceState({ scroll: scrollY }, ""));

// The last order asked for while the module was being compiled runs when
// it is ready.
zemtaReady.then(() => {
  if (state.waiting) ask(state.waiting.entry, state.waiting.text);
});

// The correctly rounded rule's form: each change runs zemta-rule again,
// an interval end once typing pauses (or at once on Enter).
function choose(changes) {
  clearTimeout(typingTimer);
  const choice = { ...state.choice, ...changes };
  update({ choice, typing: false, copied: null, ...roundedFor(state.result, choice, state.ruleModule) });
  keepAddress();
}
$("rounded-form").addEventListener("submit", (event) => event.preventDefault());
$("rounded-form").addEventListener("input", ({ target }) => {
  if (target.type === "text") {
    clearTimeout(typingTimer);
    update({ choice: { ...state.choice, [target.name]: target.value }, typing: true });
    typingTimer = setTimeout(() => choose({}), typingPause);
  } else {
    choose({ [target.name]: target.type === "checkbox" ? target.checked : target.value });
  }
});
for (const id of ["rounded-a", "rounded-b", "rounded-alpha", "rounded-beta"]) {
  $(id).addEventListener("keydown", (event) => {
    if (event.key !== "Enter") return;
    event.preventDefault();
    choose({});
  });
}

// zemta-rule's module is compiled once the page's first frame is on the
// screen (zemtaPainted, boot.js), so that its decoding, compiling and
// first run take nothing from it. Its text stands at the end of the page,
// there once the page is parsed.
let ruleLoading = false;
function loadRule() {
  if (ruleLoading) return;
  if (document.readyState === "loading") {
    addEventListener("DOMContentLoaded", loadRule);
    return;
  }
  ruleLoading = true;
  zemtaRuleLoad().then((ruleModule) => {
    update({ ruleModule, ...roundedFor(state.result, state.choice, ruleModule) });
    if (state.rounded) measureWhenPainted("zemta: rule to painted text", "zemta: rule");
  });
}
zemtaPainted.then(loadRule);

function download(key) {
  const rounded = key === "rounded";
  if (rounded && !state.rounded?.text) return;
  const { order, downloads } = state.result;
  const { suffix, type } = rounded ? formatText(state.choice.format) : files[key];
  const url = URL.createObjectURL(new Blob([rounded ? state.rounded.text : downloads[key]], { type }));
  const link = document.createElement("a");
  link.href = url;
  link.download = rounded ? state.rounded.fileName : `gq${order}${suffix}`;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(url), 60000);
}

async function copy(key) {
  const { order, texts } = state.result;
  if (key === "rounded" && !state.rounded?.text) return;
  try {
    await navigator.clipboard.writeText(key === "rounded" ? state.rounded.text : texts[key]);
    update({ copied: { key, sentence: `Copied (order ${order}).` } });
  } catch {
    update({ copied: { key, sentence: "The browser did not allow the copy; select the text instead." } });
  }
}

document.addEventListener("click", (event) => {
  const button = event.target.closest("button[data-copy], button[data-download]");
  if (!button || !state.result || state.error) return;
  if (button.dataset.download) download(button.dataset.download);
  else copy(button.dataset.copy);
});

showChoice(state.choice);
if (zemtaDrawn) {
  // The page holds the rule asked for, drawn by the build: the program runs
  // once it is on the screen (zemtaReady), and draws the same again, with
  // the state that copies and downloads need.
  document.title = ruleTitle(zemtaDrawn);
  state.waiting = { text: field.value, entry: "keep" };
  requestAnimationFrame(() => setTimeout(() =>
    performance.measure("zemta: opening to painted text", { start: 0 })));
} else {
  openAddress();
  document.documentElement.classList.remove("redrawing");
}
// An address with a part's anchor (#part-table) lands on that part, now
// that it is there; a page loaded again, where it was.
if (location.hash) document.getElementById(location.hash.slice(1))?.scrollIntoView();
else if (history.state?.scroll) scrollTo(0, history.state.scroll);
