// js/norvell-zephel.js read into a script host (no page, so not trusted):
// the wrapper raises the untrusted-site message as an Error, and passes it
// to a callback. The library's path is in NZ_PAGE_LIBRARY.
var untrusted = "This site is not trusted by Norvell Zephel";
var failures = 0;
function check(ok, what) {
  if (!ok) {
    WScript.Echo("FAIL " + what);
    failures++;
  }
}
try {
  var shell = new ActiveXObject("WScript.Shell");
  var path = "Z:" + shell.ExpandEnvironmentStrings("%NZ_PAGE_LIBRARY%");
  var stream = new ActiveXObject("Scripting.FileSystemObject").OpenTextFile(path, 1);
  eval(stream.ReadAll());
  stream.Close();

  var zephel = NorvellZephel.wrap(new ActiveXObject("Norvell.NorvellZephel"));
  check(zephel.get("version") === "1.0.7", "version reads through the wrapper");
  var message = "<no error>";
  try {
    zephel.crash("x");
  } catch (e) {
    message = (e instanceof Error ? "" : "(not an Error) ") + e.message;
  }
  check(message === untrusted, "a refused call throws the untrusted-site Error, got " + message);
  var heard = "<not called>";
  zephel.registerWriteHandler(function () {}, function (error) { heard = error && error.message; });
  check(heard === untrusted, "a refused registry call reaches the callback, got " + heard);
} catch (e) {
  WScript.Echo("FAIL uncaught: " + e.message);
  WScript.Quit(1);
}
WScript.Quit(failures === 0 ? 0 : 1);
