// The control embedded in a trusted page: the page's <param onload>
// function, found through the property bag, is called by a setTimeout that
// the host set up through the window's execScript; errors reach e.message
// and getLastException; events attach and detach; trace lines reach the
// page's console only at logging levels above 3.
var root = plugin;
var description = "<JSAPI-Auto Javascript Object>";

nz.equal("version", root.version, "1.0.7");
nz.equal("valid", root.valid, true);
nz.equal("toString", root.toString(), description);
nz.equal("the page is trusted: loggingLevel reads", root.loggingLevel, 0);

// Enumeration lists the members and the bridge's own functions.
var listed = {};
for (var member in root) listed[member] = true;
var wanted = ["loggingLevel", "crash", "fileFromPermanentHandle", "acquireRecoveryFile", "version", "toString",
              "valid", "attachEvent", "detachEvent", "getLastException"];
for (var w = 0; w < wanted.length; w++) nz.check("enumeration lists " + wanted[w], listed[wanted[w]] === true);
nz.check("a method read twice is the same object", root.fileFromPermanentHandle === root.fileFromPermanentHandle);

// runScript: the helper the host defines on the window through execScript
// schedules the onload call with the page's setTimeout.
nz.check("the host defined its call helper on the window", (function () {
  for (var name in window) if (name.indexOf("__FB_CALL_") === 0) return true;
  return false;
})());
nz.equal("one timer set for onload", container.runTimers(), 1);
nz.check("onload received the root object", nzLoadedWith !== null && nzLoadedWith.version === "1.0.7");
root.nzMark = "marked";
nz.equal("the control and the onload argument share one root object", nzLoadedWith && nzLoadedWith.nzMark, "marked");

// Errors: message, getLastException, and nothing changed.
var errors = [
  ["crash without argument", function () { root.crash(); }, "Error: Argument 1 is not optional."],
  ["crash with two arguments", function () { root.crash("a", "b"); }, "Too many arguments, expected 1."],
  ["a number where a file object is expected", function () { root.releaseRecoveryFile(5); }, null],
  ["loggingLevel set to text", function () { root.loggingLevel = "high"; }, null],
  ["attachEvent with one argument", function () { root.attachEvent("onload"); }, "Invalid Arguments"],
  ["detachEvent with three arguments", function () { root.detachEvent("onload", root, 1); }, "Invalid Arguments"]
];
for (var i = 0; i < errors.length; i++) {
  var message = nz.errorOf(errors[i][1]);
  if (errors[i][2] !== null) nz.equal(errors[i][0], message, errors[i][2]);
  else nz.check(errors[i][0] + " fails", message !== "<no error>");
  nz.equal(errors[i][0] + ": getLastException", root.getLastException(), message);
}
nz.equal("loggingLevel unchanged by the failed writes", root.loggingLevel, 0);
nz.check("crash with another code returns nothing", root.crash("marblecanyon") === undefined);

// Events: a name and a handler, attached and detached.
var handler = function () {};
nz.equal("attachEvent", nz.errorOf(function () { root.attachEvent("onload", handler); }), "<no error>");
nz.equal("detachEvent", nz.errorOf(function () { root.detachEvent("onload", handler); }), "<no error>");
nz.equal("detaching again", nz.errorOf(function () { root.detachEvent("onload", handler); }), "<no error>");
nz.equal("attachEvent read as a property is a function object", typeof root.attachEvent, "object");

// Trace lines: [what, call, console line it writes or null].
root.loggingLevel = 5;
nz.equal("raising the level writes no line", nzConsole.length, 0);
var traced = [
  ["get_loggingLevel", function () { return root.loggingLevel; }, "log: get_loggingLevel"],
  ["createFileInFolder", function () { root.createFileInFolder(null, "x"); }, "log: createFileInFolder"],
  ["saveStreamToFile", function () { root.saveStreamToFile(null, "x", ""); }, "log: saveStreamToFile"],
  ["registerWriteHandler", function () { root.registerWriteHandler(null); }, "log: registerWriteHandler"],
  ["registerQueryHandler", function () { root.registerQueryHandler(null); }, "log: registerQueryHandler"],
  ["unregisterWriteHandler", function () { root.unregisterWriteHandler(99); }, "log: unregisterWriteHandler"],
  ["unregisterQueryHandler", function () { root.unregisterQueryHandler(99); }, "log: unregisterQueryHandler"],
  ["crash", function () { root.crash("x"); }, null],
  ["releaseRecoveryFile", function () { root.releaseRecoveryFile(null); }, null],
  ["fileFromPermanentHandle", function () { root.fileFromPermanentHandle(""); }, null],
  ["set_loggingLevel", function () { root.loggingLevel = 0; }, "log: set_loggingLevel"],
  ["get_loggingLevel at level 0", function () { return root.loggingLevel; }, null]
];
for (var t = 0; t < traced.length; t++) {
  var lines = nzConsole.length;
  traced[t][1]();
  if (traced[t][2] === null) {
    nz.equal(traced[t][0] + " writes no line", nzConsole.length, lines);
  } else {
    nz.equal(traced[t][0] + " writes one line", nzConsole.length, lines + 1);
    nz.equal(traced[t][0] + " line", nzConsole[nzConsole.length - 1], traced[t][2]);
  }
}
container.done();
