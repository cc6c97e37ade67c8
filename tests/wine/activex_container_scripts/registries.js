// The write and query handler registries: ids come from one counter for
// both kinds, starting at 0 in a fresh module; unregistering is silent
// whatever the id; a handler that is not a script object is refused.
var root = plugin;
var handler = function () {};
var registrations = [
  ["registerWriteHandler", handler, 0],
  ["registerQueryHandler", handler, 1],
  ["registerWriteHandler", null, 2],
  ["registerQueryHandler", handler, 3]
];
for (var i = 0; i < registrations.length; i++) {
  var r = registrations[i];
  nz.equal(r[0] + " #" + i, root[r[0]](r[1]), r[2]);
}
var unregistrations = [
  ["unregisterWriteHandler", 0], ["unregisterWriteHandler", 0], ["unregisterQueryHandler", 0],
  ["unregisterQueryHandler", 1], ["unregisterWriteHandler", 12345], ["unregisterQueryHandler", -1]
];
for (var u = 0; u < unregistrations.length; u++) {
  var name = unregistrations[u][0], id = unregistrations[u][1];
  nz.equal(name + "(" + id + ")", nz.errorOf(function () { root[name](id); }), "<no error>");
}
nz.check("a number as handler is refused", nz.errorOf(function () { root.registerWriteHandler(5); }) !== "<no error>");
nz.check("text as id is refused", nz.errorOf(function () { root.unregisterWriteHandler("one"); }) !== "<no error>");
nz.equal("the counter continues after refusals", root.registerWriteHandler(handler), 4);
container.done();
