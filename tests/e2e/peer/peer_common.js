// Shared by the two pages of the file benchmark against the browser's own
// file API (plugin.html in nz_browser with the plug-in, opfs.html in
// headless Chromium with the Origin Private File System). Both pages make
// the same text, run the same operations on it, and print one line per
// operation and size:
//   PEER <operation> <MiB> <best ms> <result length> <checksum>
// and "PEER done" at the end. scripts/bench_peer.sh reads the lines of both
// browsers, checks that lengths and checksums agree and prints the table.
// ES5 only: QtWebKit runs it too.
var peer = (function () {
  "use strict";

  var MiB = 1024 * 1024;

  function parameter(name, fallback) {
    var found = new RegExp("[?&]" + name + "=([^&]*)").exec(location.search);
    return found ? decodeURIComponent(found[1]) : fallback;
  }

  // `size` characters of ASCII text in lines of 64, the same in every
  // browser; built from one line pattern by doubling, so 64 MiB is quick.
  function text(size) {
    var line = "";
    for (var i = 0; i < 63; i++) line += String.fromCharCode(97 + (i * 7) % 26);
    line += "\n";
    var out = line;
    while (out.length < size) out += out;
    return out.substring(0, size);
  }

  // FNV-1a over the character codes: equal text gives equal sums in both
  // browsers.
  function checksum(value) {
    var hash = 0x811c9dc5;
    for (var i = 0; i < value.length; i++) {
      hash ^= value.charCodeAt(i);
      hash = (hash + ((hash << 1) + (hash << 4) + (hash << 7) + (hash << 8) + (hash << 24))) >>> 0;
    }
    return ("0000000" + hash.toString(16)).slice(-8);
  }

  // The offsets of the 1,000 small reads: spread over the middle half of
  // the file, the same in both browsers.
  function middleOffsets(size, count, length) {
    var offsets = [];
    var span = Math.max(1, Math.floor(size / 2) - length);
    for (var i = 0; i < count; i++) offsets.push(Math.floor(size / 4) + (i * 7919 * 64) % span);
    return offsets;
  }

  // Workers load this file too: they have `self`, not `window`.
  var scope = typeof window !== "undefined" ? window : self;
  var now = scope.performance && performance.now ? function () { return performance.now(); } : Date.now;

  return {
    MiB: MiB,
    sizes: parameter("sizes", "1,16,64").split(",").map(Number),
    rounds: Math.max(1, Number(parameter("rounds", "5"))),
    text: text,
    checksum: checksum,
    middleOffsets: middleOffsets,
    now: now,
    line: function (operation, mib, ms, length, sum) {
      return "PEER " + operation + " " + mib + " " + ms.toFixed(2) + " " + length + " " + sum;
    }
  };
})();
