// Calls made on another thread: the control's members run there and reach
// the page (its address for the trust check, its console for trace lines)
// through calls the host posts to the container's thread. Every line the
// console receives arrives on the container's thread, in order.
var root = plugin;

// The first call of all, from a worker: the trust check reads the page's
// address through the container's thread.
nz.equal("a worker's first read", container.readOnWorker("loggingLevel"), 0);
nz.equal("a worker reads the version", container.readOnWorker("version"), "1.0.7");

root.loggingLevel = 5;
var reads = 20;
for (var i = 0; i < reads; i++) {
  nz.equal("worker read #" + i, container.readOnWorker("loggingLevel"), 5);
}
nz.equal("each worker read wrote a trace line", nzConsole.length, reads);
for (var l = 0; l < nzConsole.length; l++) {
  nz.equal("trace line #" + l + " (delivered on the container's thread)", nzConsole[l], "log: get_loggingLevel");
}
root.loggingLevel = 0;
nz.equal("a worker reads what the container's thread wrote", container.readOnWorker("loggingLevel"), 0);
container.done();
