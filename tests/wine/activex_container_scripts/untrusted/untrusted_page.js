// The control on a page whose address is not trusted (a host that only
// starts like the maker's): the built-in members and "version" answer,
// every other member is refused with the untrusted-site message.
var untrusted = "This site is not trusted by Norvell Zephel";
var root = plugin;
nz.equal("version", root.version, "1.0.7");
nz.equal("valid", root.valid, true);
var members = ["loggingLevel", "createFileInFolder", "saveStreamToFile", "registerWriteHandler",
               "registerQueryHandler", "unregisterWriteHandler", "unregisterQueryHandler", "crash",
               "acquireRecoveryFile", "releaseRecoveryFile", "fileFromPermanentHandle", "updatePlugin"];
for (var i = 0; i < members.length; i++) {
  var name = members[i];
  nz.equal("reading " + name, nz.errorOf(function () { return root[name]; }), untrusted);
}
nz.equal("calling acquireRecoveryFile", nz.errorOf(function () { root.acquireRecoveryFile("txt", "x"); }), untrusted);
nz.equal("writing loggingLevel", nz.errorOf(function () { root.loggingLevel = 5; }), untrusted);
nz.equal("getLastException", root.getLastException(), untrusted);
container.done();
