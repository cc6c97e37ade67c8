// The control under a script host (no web browser, so no page address):
// the built-in members and "version" answer, every other member is refused
// with the untrusted-site message, errors reach e.message and
// getLastException, events attach and detach, and the object keeps working
// through many calls. Exit code 0 when every check passed.
var failures = 0;
function check(ok, what) {
  if (!ok) {
    WScript.Echo("FAIL " + what);
    failures++;
  }
}
function errorOf(f) {
  try {
    f();
  } catch (e) {
    return e.message;
  }
  return "<no error>";
}

try {
  var untrusted = "This site is not trusted by Norvell Zephel";
  var o = new ActiveXObject("Norvell.NorvellZephel");

  check(o.version === "1.0.7", "version reads 1.0.7, got " + o.version);
  check(o.valid === true, "valid is true");
  check(typeof o.toString() === "string", "toString answers text");
  check(typeof o.getLastException() === "undefined", "no error yet");

  // Enumeration lists the members (names are not refused) and the built-ins.
  var listed = {};
  for (var name in o) listed[name] = true;
  var expected = ["version", "loggingLevel", "saveStreamToFile", "attachEvent", "detachEvent", "getLastException"];
  for (var e = 0; e < expected.length; e++) check(listed[expected[e]] === true, "enumeration lists " + expected[e]);

  var members = ["loggingLevel", "showOpenDialog", "showSaveDialog", "showSelectFolderDialog",
                 "showSelectFolderDialogWithTitle", "createFileInFolder", "saveStreamToFile",
                 "registerWriteHandler", "registerQueryHandler", "unregisterWriteHandler",
                 "unregisterQueryHandler", "crash", "acquireRecoveryFile", "releaseRecoveryFile",
                 "fileFromPermanentHandle", "updatePlugin", "registerPlugin", "unregisterPlugin",
                 "initialize", "unInitialize"];
  for (var i = 0; i < members.length; i++) {
    var name = members[i];
    check(errorOf(function () { return o[name]; }) === untrusted, "reading " + name + " is refused");
    if (name !== "loggingLevel") {
      check(errorOf(function () { o[name]("a", "b"); }) === untrusted, "calling " + name + " is refused");
    }
  }
  check(errorOf(function () { o.loggingLevel = 5; }) === untrusted, "writing loggingLevel is refused");
  check(o.getLastException() === untrusted, "getLastException holds the refusal");

  // Unknown names are the script engine's own error.
  check(errorOf(function () { o.noSuchMember(); }) !== "<no error>", "an unknown member fails");

  // Events: exactly a name and a handler.
  var handler = function () {};
  check(errorOf(function () { o.attachEvent("onload", handler); }) === "<no error>", "attachEvent");
  check(errorOf(function () { o.detachEvent("onload", handler); }) === "<no error>", "detachEvent");
  check(errorOf(function () { o.attachEvent("onload"); }) === "Invalid Arguments", "attachEvent with one argument");
  check(o.getLastException() === "Invalid Arguments", "getLastException after a bad call");

  // A second control is another instance: it has not seen those errors.
  var other = new ActiveXObject("Norvell.NorvellZephel");
  check(typeof other.getLastException() === "undefined", "the second control's last exception is its own");

  // Many calls through the same object.
  var read = "";
  for (var n = 0; n < 100000; n++) read = o.version;
  check(read === "1.0.7", "still answering after 100000 calls");
} catch (e) {
  WScript.Echo("FAIL uncaught: " + e.message);
  WScript.Quit(1);
}
WScript.Quit(failures === 0 ? 0 : 1);
