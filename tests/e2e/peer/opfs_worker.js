// The worker half of opfs.html: appends and small reads through a
// synchronous access handle, timed here (best of the rounds) and answered
// to the page as {ms, text}.
importScripts("peer_common.js");

var chunk = new TextEncoder().encode(peer.text(1024));

onmessage = async function (event) {
  var request = event.data;
  var access = null;
  try {
    var root = await navigator.storage.getDirectory();
    var handle = await root.getFileHandle(request.name);
    access = await handle.createSyncAccessHandle();
    var fastest = Infinity;
    var text = "";
    for (var round = 0; round < request.rounds; round++) {
      if (request.operation === "append100") {
        access.truncate(request.size);
        access.flush();
        var start = peer.now();
        for (var i = 0; i < 100; i++) {
          access.write(chunk, { at: access.getSize() });
          access.flush();  // the plug-in makes every append durable too
        }
        fastest = Math.min(fastest, peer.now() - start);
      } else {
        var buffer = new Uint8Array(1024);
        var decoder = new TextDecoder();
        var parts = [];
        var begin = peer.now();
        for (var j = 0; j < request.offsets.length; j++) {
          var got = access.read(buffer, { at: request.offsets[j] });
          var part = decoder.decode(buffer.subarray(0, got));
          if (round === 0) parts.push(part);
        }
        fastest = Math.min(fastest, peer.now() - begin);
        if (round === 0) text = parts.join("");
      }
    }
    access.close();
    postMessage({ ms: fastest, text: text });
  } catch (e) {
    if (access) access.close();
    postMessage({ error: String(e && e.message ? e.message : e) });
  }
};
