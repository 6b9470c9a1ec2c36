// Runs the program off the page's thread. The page makes this worker from
// its own text (wasi.js, then this file, joined by the build), so nothing
// is loaded from a file. The first message { module } carries zemta.wasm in
// base64; each message { id, args } then runs the program afresh and is
// answered with { id, stdout, stderr, status } (the texts decoded), or
// { id, failure } when the module could not run at all. A run may come
// before the module: it waits for it.

let receiveModule;
const module = new Promise((resolve) => {
  receiveModule = resolve;
}).then((base64) => {
  const text = atob(base64);
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
  return WebAssembly.compile(bytes);
});
module.catch(() => {}); // reported with the first run
const decoder = new TextDecoder();

self.addEventListener("message", async (event) => {
  const { id, args, module: base64 } = event.data;
  if (base64 !== undefined) {
    receiveModule(base64);
    return;
  }
  try {
    const { stdout, stderr, status } = await runZemta(await module, args);
    self.postMessage({
      id,
      stdout: decoder.decode(stdout),
      stderr: decoder.decode(stderr),
      status,
    });
  } catch (error) {
    self.postMessage({ id, failure: String(error) });
  }
});
