// Runs the WebAssembly module through web/wasi.js, as the web page runs it,
// for tests/lock/check_program.cmake to compare with the lock
// (scripts/check-wasm):
//
//   node tests/wasm/run_module.mjs SITE_DIR/zemta.wasm [ARGUMENT...]
//     runs it once and passes on its two streams and exit status;
//   node tests/wasm/run_module.mjs --orders DIR SITE_DIR/zemta.wasm
//     runs it for every order from 2 to 999 and writes each run's streams
//     and exit status to DIR/<n>.out, <n>.err and <n>.status, in one Node
//     process: a process per run would cost 0.3 s of processor time each.
//
// wasi.js is taken from the folder of zemta.wasm (build/wasm/site).
import { mkdirSync, readFileSync, writeFileSync, writeSync } from "node:fs";
import path from "node:path";
import { pathToFileURL } from "node:url";

let argv = process.argv.slice(2);
let dir = null;
if (argv[0] === "--orders") {
  dir = argv[1];
  argv = argv.slice(2);
}
const [wasm, ...args] = argv;
const { runZemta } = await import(
  pathToFileURL(path.resolve(path.dirname(wasm), "wasi.js")).href
);
const module = await WebAssembly.compile(readFileSync(wasm));

if (dir === null) {
  const run = await runZemta(module, args);
  for (const [fd, bytes] of [[1, run.stdout], [2, run.stderr]]) {
    for (let at = 0; at < bytes.length; ) {
      at += writeSync(fd, bytes, at);
    }
  }
  process.exitCode = run.status;
} else {
  mkdirSync(dir, { recursive: true });
  for (let n = 2; n <= 999; n++) {
    const run = await runZemta(module, [String(n)]);
    writeFileSync(path.join(dir, `${n}.out`), run.stdout);
    writeFileSync(path.join(dir, `${n}.err`), run.stderr);
    writeFileSync(path.join(dir, `${n}.status`), String(run.status));
  }
}
