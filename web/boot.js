// Compiles the program's module as the page begins to load, so that it is
// ready by the time app.js asks for the first rule (or once the first frame
// is on the screen, when the page holds the rule asked for: zemtaDrawn),
// and runs the program for app.js. The module is in the page as base64
// text, as a page opened from disk may not fetch a file. The runs are on the page's own
// thread and synchronous: order 999 takes a few milliseconds, less than a
// worker takes to start, and a rule asked for is drawn in the same task.
//
//   const reply = zemtaRun(["20"]);
//
// gives { stdout, stderr, status } (the texts decoded), { failure }, a
// sentence, when the module could not run at all, or null while the module
// is still being compiled; zemtaReady then resolves when it is. zemta-rule
// runs the same way (zemtaRuleLoad, at the end).

let zemtaModule = null; // the compiled module, or { failure }

// The order whose rule the build drew into the page
// (cmake/zemta_web_draw.mjs), when the page opens on it: when the address
// asks for that order, or for none, and for no part or scroll position.
// The browser then shows it in its first frame, and the module is compiled
// and the program run only once that frame is on the screen. Otherwise
// null, and the rule drawn stays out of sight (the class "redrawing")
// until app.js has drawn what the address asks for.
const zemtaDrawn = (() => {
  const order = document.querySelector('meta[name="zemta-drawn"]')?.content;
  if (!order) return null;
  const asked = new URLSearchParams(location.search).get("n") ?? order;
  if (asked === order && !location.hash && !history.state?.scroll) return order;
  document.documentElement.classList.add("redrawing");
  return null;
})();

// Resolves once the page's first frame is on the screen (the browser's
// first contentful paint), or after three seconds where no paint is
// reported (a tab opened in the background).
const zemtaPainted = new Promise((resolve) => {
  new PerformanceObserver((list, observer) => {
    if (list.getEntriesByName("first-contentful-paint").length === 0) return;
    observer.disconnect();
    setTimeout(resolve);
  }).observe({ type: "paint", buffered: true });
  setTimeout(resolve, 3000);
});

// The bytes of a module the page holds as base64 in the element of that id.
function moduleBytes(id) {
  const base64 = document.getElementById(id).textContent;
  if (Uint8Array.fromBase64) return Uint8Array.fromBase64(base64);
  const text = atob(base64);
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
  return bytes;
}

function zemtaCompile() {
  const bytes = moduleBytes("zemta-module");
  // At once where the browser allows it (a millisecond or two, as the
  // functions are compiled when first called); an asynchronous compile
  // would finish only when the page's thread is free, after the page's
  // first frame.
  try {
    zemtaModule = new WebAssembly.Module(bytes);
    return Promise.resolve();
  } catch {
    return WebAssembly.compile(bytes).then(
      (module) => { zemtaModule = module; },
      (error) => { zemtaModule = { failure: String(error) }; });
  }
}
const zemtaReady = zemtaDrawn ? zemtaPainted.then(zemtaCompile) : zemtaCompile();

function zemtaRun(args, module = zemtaModule) {
  if (!module) return null;
  if (module.failure) return { failure: module.failure };
  try {
    const { stdout, stderr, status } = runZemtaNow(module, args);
    const decoder = new TextDecoder();
    return { stdout: decoder.decode(stdout), stderr: decoder.decode(stderr), status };
  } catch (error) {
    return { failure: String(error) };
  }
}

// zemta-rule's module, which stands at the end of the page compressed
// with gzip, and is decompressed and compiled only when app.js asks, once
// the page's first frame is on the screen, so that it costs that frame
// nothing. zemtaRuleLoad() does both (off the page's thread) and resolves
// to { module } or { failure }; zemtaRun(args, module) then runs
// zemta-rule as zemtaRun runs zemta.
function zemtaRuleLoad() {
  return Promise.resolve()
    .then(() => {
      const bytes = moduleBytes("zemta-rule-module");
      if (typeof DecompressionStream !== "function") {
        throw new Error("this browser cannot decompress zemta-rule's module (no DecompressionStream)");
      }
      const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream("gzip"));
      return new Response(stream).arrayBuffer();
    })
    .then((bytes) => WebAssembly.compile(bytes))
    .then(
      (module) => ({ module }),
      (error) => ({ failure: String(error) }));
}
