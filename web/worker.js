// Runs the program off the page's thread. The module is fetched and
// compiled once; each message { id, args } runs it afresh and is answered
// with { id, stdout, stderr, status } (the texts decoded), or { id, failure }
// when the module could not run at all.

import { runZemta } from "./wasi.js";

async function compile() {
  const response = await fetch("zemta.wasm");
  if (!response.ok) {
    throw new Error(`zemta.wasm: ${response.status} ${response.statusText}`);
  }
  if (response.headers.get("Content-Type") === "application/wasm") {
    return WebAssembly.compileStreaming(response);
  }
  // A server that sends some other type: compile from the bytes.
  return WebAssembly.compile(await response.arrayBuffer());
}

const module = compile();
module.catch(() => {}); // reported with the first run
const decoder = new TextDecoder();

self.addEventListener("message", async (event) => {
  const { id, args } = event.data;
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
