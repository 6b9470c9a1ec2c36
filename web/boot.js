// Compiles the program's module as the page begins to load, so that it is
// ready by the time app.js asks for the first rule, and runs the program
// for app.js. The module is in the page as base64 text, as a page
// opened from disk may not fetch a file. The runs are on the page's own
// thread and synchronous: order 999 takes a few milliseconds, less than a
// worker takes to start, and a rule asked for is drawn in the same task.
//
//   const reply = zemtaRun(["20"]);
//
// gives { stdout, stderr, status } (the texts decoded), { failure }, a
// sentence, when the module could not run at all, or null while the module
// is still being compiled; zemtaReady then resolves when it is.

let zemtaModule = null; // the compiled module, or { failure }

const zemtaReady = (() => {
  const base64 = document.getElementById("zemta-module").textContent;
  let bytes;
  if (Uint8Array.fromBase64) {
    bytes = Uint8Array.fromBase64(base64);
  } else {
    const text = atob(base64);
    bytes = new Uint8Array(text.length);
    for (let i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
  }
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
})();

function zemtaRun(args) {
  if (!zemtaModule) return null;
  if (zemtaModule.failure) return { failure: zemtaModule.failure };
  try {
    const { stdout, stderr, status } = runZemtaNow(zemtaModule, args);
    const decoder = new TextDecoder();
    return { stdout: decoder.decode(stdout), stderr: decoder.decode(stderr), status };
  } catch (error) {
    return { failure: String(error) };
  }
}
