// "updatePlugin" through the control's URL-moniker streams against a
// loopback site: the package downloads with one progress call per chunk
// (its size), installs, registers and unregisters through the test
// secondary module; a 404 and a corrupt package end with false and leave no
// temporary folder behind.
var root = plugin;
var installFolder = "NzAxTest641.0.0";
var uuidName = /^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$/;

function descriptor(name, url) {
  return "{\"PluginName\":\"" + name + "\",\"PluginBit\":\"64\",\"PluginVersion\":\"1.0.0\"," +
         "\"PluginRequiredVersion\":\"1.0.0\",\"PluginLatestVersion\":\"1.9\"," +
         "\"ZipPackageURL\":\"" + url + "\",\"Siteversion\":\"ax\"}";
}

function noTemporaryFolder(when) {
  var names = container.pluginsFolderEntries().split("\n");
  for (var i = 0; i < names.length; i++) {
    nz.check(when + ": a temporary folder is left: " + names[i], !uuidName.test(names[i]));
  }
}

// Runs one "updatePlugin"; answers [outcome, chunk sizes].
function update(name, url) {
  var outcome = null, chunks = [];
  root.updatePlugin(descriptor(name, url), function (ok) { outcome = ok; },
                    function (size) { chunks.push(size); });
  nz.check(name + " from " + url + " ends", container.waitFor(function () { return outcome !== null; }));
  return [outcome, chunks];
}

// A previous run's installation would answer at once.
container.removeFromPluginsFolder(installFolder);

var packageFile = container.environment("NZ_TEST_PACKAGE");
var packageSize = container.fileSize(packageFile);
var packageUrl = container.serveFile("/pkg/test.zip", packageFile);
nz.check("the test package is served", packageUrl !== "" && packageSize > 0);

var installed = update("NzAxTest", packageUrl);
nz.equal("the package installs", installed[0], true);
var total = 0;
for (var c = 0; c < installed[1].length; c++) {
  nz.check("progress #" + c + " is a chunk size, got " + installed[1][c],
           typeof installed[1][c] === "number" && installed[1][c] > 0);
  total += installed[1][c];
}
nz.equal("the chunk sizes add up to the package", total, packageSize);
nz.check("the install folder exists",
         ("\n" + container.pluginsFolderEntries()).indexOf("\n" + installFolder + "\n") >= 0);
noTemporaryFolder("after the installation");

var again = update("NzAxTest", packageUrl);
nz.equal("an installed plug-in answers at once", again[0], true);
nz.equal("without downloading", again[1].length, 0);

nz.equal("registerPlugin", root.registerPlugin(descriptor("NzAxTest", "")), true);
nz.check("the module's DllRegisterServer ran", container.moduleLog().indexOf("DllRegisterServer") === 0);
nz.equal("unregisterPlugin", root.unregisterPlugin(descriptor("NzAxTest", "")), true);
nz.check("the module's DllUnregisterServer ran", container.moduleLog().indexOf("\nDllUnregisterServer") > 0);

// Failures: [what, address, whether data arrives]. A 404 page is never
// passed on as package data.
var failures = [
  ["404", packageUrl.replace("/pkg/test.zip", "/pkg/missing.zip"), false],
  ["corrupt package", container.serveText("/pkg/corrupt.zip", "PK\u0003\u0004 this is no zip archive"), true]
];
for (var f = 0; f < failures.length; f++) {
  var failed = update("NzAxBroken", failures[f][1]);
  nz.equal(failures[f][0] + " ends with false", failed[0], false);
  nz.equal(failures[f][0] + ": data arrived", failed[1].length > 0, failures[f][2]);
  noTemporaryFolder("after the " + failures[f][0]);
}

container.removeFromPluginsFolder(installFolder);
container.done();
