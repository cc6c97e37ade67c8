// The page goes away: the container clears the control's site
// (SetClientSite(NULL), then SetSite(NULL), each twice). Afterwards the
// control and the objects it handed out have no members: reads answer
// undefined (the engine's answer for a missing member), calls and writes
// throw, a call from another thread answers an error instead of hanging,
// and nothing crashes.
var root = plugin;
var file = root.acquireRecoveryFile("txt", "nz-container");
root.saveStreamToFile(file, "kept", "replace");
nz.equal("the file object works before", file.contentsAsTextStream(), "kept");
root.releaseRecoveryFile(file);
var method = root.fileFromPermanentHandle;
nz.equal("the method object works before", method("").permanentHandle, "");

container.clearSite();
container.clearSite();

function outcome(f) {
  var value;
  if (nz.errorOf(function () { value = f(); }) !== "<no error>") return "throws";
  return typeof value === "undefined" ? "undefined" : "answers " + nz.describe(value);
}
var calls = [
  ["reading version", function () { return root.version; }, "undefined"],
  ["reading loggingLevel", function () { return root.loggingLevel; }, "undefined"],
  ["writing loggingLevel", function () { root.loggingLevel = 3; }, "throws"],
  ["acquireRecoveryFile", function () { return root.acquireRecoveryFile("txt", "nz-container"); }, "throws"],
  ["getLastException", function () { return root.getLastException(); }, "throws"],
  ["attachEvent", function () { root.attachEvent("onload", function () {}); }, "throws"],
  ["a file object's name", function () { return file.name; }, "undefined"],
  ["a file object's reader", function () { return file.contentsAsTextStream(); }, "throws"],
  ["a method object kept from before", function () { return method(""); }, "throws"],
  ["enumerating the control", function () { var n = 0; for (var k in root) n++; return n; }, "answers 0"]
];
for (var i = 0; i < calls.length; i++) {
  nz.equal(calls[i][0] + " after shutdown", outcome(calls[i][1]), calls[i][2]);
}
nz.equal("a worker's read after shutdown", container.readOnWorker("loggingLevel"), "error 0x80020006");
container.done();
