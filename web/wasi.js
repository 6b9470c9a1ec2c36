// The few WASI (preview 1) calls the program's module makes, for Node (20 and
// later) and for the web page. A run gets its own instance, with
// the program's arguments, collects what it writes to standard output and
// standard error, and ends at proc_exit or when _start returns.
//
//   const { stdout, stderr, status } = await runZemta(module, ["20"]);
//   const { stdout, stderr, status } = runZemtaNow(module, ["20"]);
//
// runZemtaNow instantiates the module synchronously, so that the page can
// show a rule in the task that asked for it.
//
// Standard output and standard error are reported as neither a terminal nor
// seekable, as a pipe is. The program writes its output unbuffered, through
// its own buffer, and has the C library hold its messages on standard error
// until it exits, as the native program does when its standard error goes
// to a pipe or a file.

const ERRNO_SUCCESS = 0;
const ERRNO_BADF = 8;
const ERRNO_SPIPE = 70;
const FILETYPE_UNKNOWN = 0;
const RIGHTS_FD_WRITE = 1n << 6n;

// Thrown by proc_exit to unwind the module's stack up to runZemta.
class ProcessExit {
  constructor(status) {
    this.status = status;
  }
}

const encoder = new TextEncoder();

function concat(chunks) {
  let length = 0;
  for (const chunk of chunks) length += chunk.length;
  const bytes = new Uint8Array(length);
  let at = 0;
  for (const chunk of chunks) {
    bytes.set(chunk, at);
    at += chunk.length;
  }
  return bytes;
}

// Runs the program once. `module` is the compiled zemta.wasm, `args` the
// program's arguments without the program name.
export async function runZemta(module, args) {
  const run = prepare(args);
  return run.finish(await WebAssembly.instantiate(module, run.imports));
}

export function runZemtaNow(module, args) {
  const run = prepare(args);
  return run.finish(new WebAssembly.Instance(module, run.imports));
}

// The imports of one run, and what turns its instance into the run's
// outcome.
function prepare(args) {
  const argv = ["zemta", ...args].map((arg) => encoder.encode(arg + "\0"));
  const streams = { 1: [], 2: [] };
  let memory = null;
  const view = () => new DataView(memory.buffer);
  const bytes = () => new Uint8Array(memory.buffer);

  const wasi = {
    args_sizes_get(argcPtr, bufSizePtr) {
      const v = view();
      v.setUint32(argcPtr, argv.length, true);
      v.setUint32(bufSizePtr, argv.reduce((n, a) => n + a.length, 0), true);
      return ERRNO_SUCCESS;
    },
    args_get(argvPtr, bufPtr) {
      const v = view();
      const b = bytes();
      argv.forEach((arg, i) => {
        v.setUint32(argvPtr + 4 * i, bufPtr, true);
        b.set(arg, bufPtr);
        bufPtr += arg.length;
      });
      return ERRNO_SUCCESS;
    },
    fd_write(fd, iovsPtr, iovsLen, nwrittenPtr) {
      const stream = streams[fd];
      if (!stream) return ERRNO_BADF;
      const v = view();
      let written = 0;
      for (let i = 0; i < iovsLen; i++) {
        const ptr = v.getUint32(iovsPtr + 8 * i, true);
        const len = v.getUint32(iovsPtr + 8 * i + 4, true);
        stream.push(bytes().slice(ptr, ptr + len));
        written += len;
      }
      v.setUint32(nwrittenPtr, written, true);
      return ERRNO_SUCCESS;
    },
    fd_fdstat_get(fd, statPtr) {
      if (!streams[fd]) return ERRNO_BADF;
      const v = view();
      v.setUint8(statPtr, FILETYPE_UNKNOWN);
      v.setUint16(statPtr + 2, 0, true);
      v.setBigUint64(statPtr + 8, RIGHTS_FD_WRITE, true);
      v.setBigUint64(statPtr + 16, 0n, true);
      return ERRNO_SUCCESS;
    },
    fd_seek(fd) {
      return streams[fd] ? ERRNO_SPIPE : ERRNO_BADF;
    },
    fd_close(fd) {
      return streams[fd] ? ERRNO_SUCCESS : ERRNO_BADF;
    },
    proc_exit(status) {
      throw new ProcessExit(status);
    },
  };

  const finish = (instance) => {
    memory = instance.exports.memory;
    let status = 0;
    try {
      instance.exports._start();
    } catch (e) {
      if (!(e instanceof ProcessExit)) throw e;
      status = e.status;
    }
    return {
      stdout: concat(streams[1]),
      stderr: concat(streams[2]),
      status,
    };
  };
  return { imports: { wasi_snapshot_preview1: wasi }, finish };
}
