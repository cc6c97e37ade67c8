// Files through the control: recovery files, writing in the three modes,
// reading as text and as Base64, file objects, permanent handles and
// "fileFromPermanentHandle", creating files in a folder, releasing.
var root = plugin;
var uuidName = /^[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}\.txt$/;

var file = root.acquireRecoveryFile("txt", "nz-container");
var other = root.acquireRecoveryFile("txt", "nz-container");
nz.check("the recovery file name is a UUID with the extension, got " + file.name, uuidName.test(file.name));
nz.check("two recovery files have different names", file.name !== other.name);
nz.equal("extension", file.extension, ".txt");
nz.equal("type", file.type, "text/plain");
nz.equal("a new recovery file does not exist yet", file.fileExists, false);

// Writing: [data, mode, contents afterwards].
var writes = [
  ["B", "append", "B"],
  ["A", "prepend", "AB"],
  ["C", "append", "ABC"],
  ["line", "replace", "line"],
  ["x", "", "x"],
  ["y", "APPEND", "y"]
];
for (var i = 0; i < writes.length; i++) {
  root.saveStreamToFile(file, writes[i][0], writes[i][1]);
  nz.equal("saveStreamToFile " + writes[i][1] + " " + writes[i][0], file.contentsAsTextStream(), writes[i][2]);
}
nz.equal("the written file exists", file.fileExists, true);
nz.equal("saveStreamToFile with null does nothing", root.saveStreamToFile(null, "x", ""), undefined);

// Base64 of the contents: [contents, whole file, first three bytes].
var encodings = [
  ["", "", ""],
  ["M", "TQ==", "TQ=="],
  ["Ma", "TWE=", "TWE="],
  ["Man", "TWFu", "TWFu"],
  ["Aline one", "QWxpbmUgb25l", "QWxp"],
  ["\u00e9t\u00e9", "w6l0w6k=", "w6l0"]
];
for (var e = 0; e < encodings.length; e++) {
  root.saveStreamToFile(file, encodings[e][0], "replace");
  nz.equal("Base64 of " + nz.describe(encodings[e][0]), file.contentsAsBinaryStream(), encodings[e][1]);
  nz.equal("Base64 of the first three bytes of " + nz.describe(encodings[e][0]),
           file.contentsAsBinaryStream(0, 3), encodings[e][2]);
}
nz.equal("text read back as UTF-8", file.contentsAsTextStream(), "\u00e9t\u00e9");
root.saveStreamToFile(file, "Aline one", "replace");
nz.equal("a text range", file.contentsAsTextStream(1, 4), "line");
nz.equal("a text range clipped at the end", file.contentsAsTextStream(6, 100), "one");

// Permanent handles lead back to the same file.
var handle = file.permanentHandle;
nz.check("a permanent handle is Base64 text", /^[A-Za-z0-9+\/]+=*$/.test(handle));
nz.equal("the handle of a path is always the same", file.permanentHandle, handle);
nz.check("another file has another handle", other.permanentHandle !== handle);
var again = root.fileFromPermanentHandle(handle);
nz.equal("fileFromPermanentHandle keeps the name", again.name, file.name);
nz.equal("fileFromPermanentHandle finds the file", again.fileExists, true);
nz.equal("fileFromPermanentHandle keeps the handle text", again.permanentHandle, handle);
nz.equal("fileFromPermanentHandle reads the same contents", again.contentsAsTextStream(), "Aline one");
var broken = root.fileFromPermanentHandle("ab!d");
nz.equal("an invalid handle gives an empty name", broken.name, "");
nz.equal("an invalid handle names no file", broken.fileExists, false);
nz.equal("an invalid handle reads back", broken.permanentHandle, "ab!d");

// createFileInFolder names a file in a folder and creates nothing.
nz.equal("createFileInFolder with null", root.createFileInFolder(null, "out.txt"), null);
var made = root.createFileInFolder(other, "out.txt");
nz.equal("createFileInFolder names the file", made.name, "out.txt");
nz.equal("createFileInFolder creates nothing", made.fileExists, false);

// Releasing.
root.releaseRecoveryFile(file);
nz.equal("releaseRecoveryFile removes the file", file.fileExists, false);
nz.equal("the other object of that file sees it gone", again.fileExists, false);
var releases = [
  ["releasing twice", file],
  ["releasing null", null],
  ["releasing a file never written", other]
];
for (var r = 0; r < releases.length; r++) {
  var target = releases[r][1];
  nz.equal(releases[r][0], nz.errorOf(function () { root.releaseRecoveryFile(target); }), "<no error>");
}
container.done();
