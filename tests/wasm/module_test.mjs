// The WebAssembly module run through web/wasi.js, as the web page runs it,
// against the native program:
//   - every order 2..999: the SHA-256 of standard output and standard error
//     and exit status 0, against tests/lock/output_digests.txt;
//   - the usage errors: both streams and the exit status, byte for byte
//     against the native program run here.
//
//   node tests/wasm/module_test.mjs SITE_DIR NATIVE_PROGRAM
//
// SITE_DIR holds zemta.wasm and wasi.js (build/wasm/site). Ends with the
// line "module_test: N passed, M failed"; exits 1 on any failure.
import { spawnSync } from "node:child_process";
import { createHash } from "node:crypto";
import { readFileSync } from "node:fs";
import path from "node:path";
import { pathToFileURL } from "node:url";

const [siteDir, native] = process.argv.slice(2);
if (!siteDir || !native) {
  console.error("usage: module_test.mjs SITE_DIR NATIVE_PROGRAM");
  process.exit(2);
}
const root = path.resolve(path.dirname(new URL(import.meta.url).pathname), "../..");
const { runZemta } = await import(
  pathToFileURL(path.resolve(siteDir, "wasi.js")).href
);
const module = await WebAssembly.compile(
  readFileSync(path.resolve(siteDir, "zemta.wasm")),
);

let passed = 0;
let failed = 0;
function check(ok, what) {
  if (ok) {
    passed++;
  } else {
    failed++;
    if (failed <= 10) console.error(`module_test: FAIL ${what}`);
  }
}

const sha256 = (bytes) => createHash("sha256").update(bytes).digest("hex");

const start = performance.now();
const lock = readFileSync(path.join(root, "tests/lock/output_digests.txt"), "utf8")
  .split("\n")
  .filter((line) => line !== "" && !line.startsWith("#"))
  .map((line) => line.split(" "));
check(lock.length === 998, `the lock table has ${lock.length} orders, not 998`);
for (const [order, stdoutDigest, stderrDigest] of lock) {
  const run = await runZemta(module, [order]);
  const got = [sha256(run.stdout), sha256(run.stderr), run.status];
  const want = [stdoutDigest, stderrDigest, 0];
  check(
    got.every((g, i) => g === want[i]),
    `order ${order}: got ${got.join(" ")}, want ${want.join(" ")}`,
  );
}
const ordersMs = performance.now() - start;

const usageErrors = [[], ["20", "30"], ["abc"], ["1"], ["1000"]];
for (const args of usageErrors) {
  const run = await runZemta(module, args);
  const want = spawnSync(native, args);
  const same = (a, b) => Buffer.compare(Buffer.from(a), Buffer.from(b)) === 0;
  check(
    same(run.stdout, want.stdout) && same(run.stderr, want.stderr) &&
      run.status === want.status && want.status === 1,
    `usage error for [${args.join(", ")}]: status ${run.status}, native ` +
      `${want.status}; stdout ${run.stdout.length} vs ${want.stdout.length} ` +
      `bytes; stderr ${run.stderr.length} vs ${want.stderr.length} bytes`,
  );
}

console.error(
  `module_test: orders 2..999 in ${(ordersMs / 1000).toFixed(1)} s`,
);
console.log(`module_test: ${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
