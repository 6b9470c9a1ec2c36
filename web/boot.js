// Starts the program's worker as the page begins to load, so that it
// compiles the module while the rest of the page is read and painted; app.js
// sends it the runs. The worker is made from the page's own text, as a
// browser runs no worker script from a file:// address.
const zemtaWorker = new Worker(URL.createObjectURL(new Blob(
  [document.getElementById("zemta-worker").textContent], { type: "text/javascript" })));
zemtaWorker.postMessage({ module: document.getElementById("zemta-module").textContent });
