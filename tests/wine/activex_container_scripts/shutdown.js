// The page goes away: the container clears the control's site
// (SetClientSite(NULL), then SetSite(NULL)). Afterwards every call through
// the control and the objects it handed out fails cleanly or answers,
// nothing hangs and nothing crashes.
var root = plugin;
var file = root.acquireRecoveryFile("txt", "nz-container");
root.saveStreamToFile(file, "kept", "replace");
nz.equal("the file object works before", file.contentsAsTextStream(), "kept");
root.releaseRecoveryFile(file);
var method = root.fileFromPermanentHandle;

container.clearSite();
container.clearSite();

var calls = [
  ["version", function () { return root.version; }],
  ["loggingLevel", function () { return root.loggingLevel; }],
  ["loggingLevel written", function () { root.loggingLevel = 3; }],
  ["acquireRecoveryFile", function () { return root.acquireRecoveryFile("txt", "nz-container"); }],
  ["getLastException", function () { return root.getLastException(); }],
  ["attachEvent", function () { root.attachEvent("onload", function () {}); }],
  ["a file object's name", function () { return file.name; }],
  ["a file object's contents", function () { return file.contentsAsTextStream(); }],
  ["a method object kept from before", function () { return method("x"); }],
  ["enumeration", function () { var n = 0; for (var k in root) n++; return n; }]
];
for (var i = 0; i < calls.length; i++) {
  container.log(calls[i][0] + " after shutdown: " + nz.errorOf(calls[i][1]));
}
nz.check("root members fail after shutdown", nz.errorOf(calls[0][1]) !== "<no error>");
nz.check("a worker's read after shutdown answers an error",
         /^error 0x/.test(container.readOnWorker("loggingLevel")));
nz.equal("no timer was left to run", container.runTimers() >= 0, true);
container.done();
