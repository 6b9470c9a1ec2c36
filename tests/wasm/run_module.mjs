// Runs the WebAssembly module through web/wasi.js, as the web page runs it;
// the wasm preset's CMAKE_CROSSCOMPILING_EMULATOR, with which
// tests/lock/check_program.cmake compares the module with the lock
// (tests/lock/program_tests.cmake, ctest --preset wasm):
//
//   node tests/wasm/run_module.mjs SITE_DIR/zemta.wasm [ARGUMENT...]
//     runs it once and passes on its two streams and exit status;
//   node tests/wasm/run_module.mjs --runs SITE_DIR/zemta.wasm DIR ORDER...
//     runs it for each order and writes each run's streams and exit status
//     to DIR/<n>.out, <n>.err and <n>.status, in one Node process: a
//     process per run would start Node and compile the module each time,
//     which costs far more than the run.
//
// wasi.js is taken from the folder of zemta.wasm (build/wasm/site).
import { readFileSync, writeFileSync, writeSync } from "node:fs";
import path from "node:path";
import { pathToFileURL } from "node:url";

let argv = process.argv.slice(2);
const batch = argv[0] === "--runs";
if (batch) {
  argv = argv.slice(1);
}
const [wasm, ...args] = argv;
const { runZemta } = await import(
  pathToFileURL(path.resolve(path.dirname(wasm), "wasi.js")).href
);
const module = await WebAssembly.compile(readFileSync(wasm));

if (!batch) {
  const run = await runZemta(module, args);
  for (const [fd, bytes] of [[1, run.stdout], [2, run.stderr]]) {
    for (let at = 0; at < bytes.length; ) {
      at += writeSync(fd, bytes, at);
    }
  }
  process.exitCode = run.status;
} else {
  const [dir, ...orders] = args;
  for (const n of orders) {
    const run = await runZemta(module, [n]);
    writeFileSync(path.join(dir, `${n}.out`), run.stdout);
    writeFileSync(path.join(dir, `${n}.err`), run.stderr);
    writeFileSync(path.join(dir, `${n}.status`), String(run.status));
  }
}
