// js/norvell-zephel.js in wine's JScript with the control embedded in a
// trusted page (the library is put ahead of this script): the ready wait on
// a given object and without one, wrapped root and file members, errors
// carrying the plug-in's text, and the callback forms of the registries and
// of "updatePlugin" (no Promise here), also without a callback.
var noError = "<no error>";
function errorOf(f) {
  try {
    f();
  } catch (e) {
    return (e instanceof Error ? "" : "(not an Error) ") + e.message;
  }
  return noError;
}

var zephel = null;
NorvellZephel.ready({plugin: plugin}, function (error, root) { zephel = root; });
nz.check("ready with an object calls back at once with the wrapped root", zephel !== null && zephel.raw === plugin);
nz.equal("without a callback or Promise ready answers the root", NorvellZephel.ready({plugin: plugin}).get("version"),
         "1.0.7");
var noPage = null;
NorvellZephel.ready(function (error) { noPage = error.message; });
nz.equal("ready without a page or an object", noPage,
         "There is no page here: give the plug-in object as options.plugin");

// Errors: thrown as Error with the plug-in's own text.
var errors = [
  ["a missing argument", function () { zephel.crash(); }, "Error: Argument 1 is not optional."],
  ["a plug-in's own refusal", function () { zephel.acquireRecoveryFile("txt", ".."); }, "Invalid recovery folder"],
  ["a bad property value", function () { zephel.set("loggingLevel", "high"); }, null],
  ["a read-only file property", function () { zephel.fileFromPermanentHandle("eA==").set("name", "x"); }, null]
];
for (var i = 0; i < errors.length; i++) {
  var message = errorOf(errors[i][1]);
  nz.check(errors[i][0] + " fails", message !== noError);
  nz.equal(errors[i][0] + ": the Error's message is the plug-in's", message,
           errors[i][2] !== null ? errors[i][2] : plugin.getLastException());
}

// Files come back wrapped and go back unwrapped.
var file = zephel.acquireRecoveryFile("txt", "nz-library");
zephel.saveStreamToFile(file, "hello", "");
var again = zephel.fileFromPermanentHandle(file.get("permanentHandle"));
nz.equal("a wrapped file reads", again.contentsAsTextStream(1, 3) + " " + again.contentsAsBinaryStream(),
         "ell aGVsbG8=");
zephel.releaseRecoveryFile(again);
nz.equal("releaseRecoveryFile takes a wrapped file", file.get("fileExists"), false);

// Registries: callback form, and the plain answer without a callback.
var heard = [];
zephel.registerWriteHandler(function () {}, function (error, id) {
  heard.push(error === null && typeof id === "number");
});
zephel.registerQueryHandler("text", function (error) { heard.push(error.message === plugin.getLastException()); });
nz.equal("registries, callback form", heard.join(), "true,true");
nz.equal("registries without a callback answer the id", typeof zephel.registerQueryHandler(function () {}), "number");
nz.check("registries without a callback throw",
         errorOf(function () { zephel.unregisterQueryHandler("one"); }) !== noError);

// updatePlugin with a descriptor object: downloads, then answers at once.
var installFolder = "NzAxTest641.0.0";
container.removeFromPluginsFolder(installFolder);
var packageUrl = container.serveFile("/pkg/test.zip", container.environment("NZ_TEST_PACKAGE"));
var descriptor = {PluginName: "NzAxTest", PluginBit: "64", PluginVersion: "1.0.0", ZipPackageURL: packageUrl,
                  Siteversion: "ax"};
var download = null;
var chunks = 0;
zephel.updatePlugin(descriptor, function (bytes) { chunks += bytes > 0 ? 1 : 0; }, function (error, installed) {
  download = [error, installed];
});
nz.check("the download ends", container.waitFor(function () { return download !== null; }));
nz.equal("updatePlugin calls back with (null, true), with progress", download && download.join() + " " + (chunks > 0),
         ",true true");
var order = [];
zephel.updatePlugin(descriptor, null, function (error, installed) { order.push(installed); });
order.push("returned");
zephel.updatePlugin(null, null, function (error) { order.push(error.message === plugin.getLastException()); });
nz.equal("updatePlugin: installed at once, after the plug-in's call; an error", order.join(), "true,returned,true");
container.removeFromPluginsFolder(installFolder);
container.done();
