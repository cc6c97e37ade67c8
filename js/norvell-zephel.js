/*
 * norvell-zephel.js: the page library of the Norvell Zephel plug-in.
 *
 * Include it with a plain <script src="norvell-zephel.js"></script>; it
 * defines one global, NorvellZephel, and needs nothing else. It runs in
 * old and new script engines alike (QtWebKit, Internet Explorer 11, and
 * JScript hosts without a page, such as cscript).
 *
 *   NorvellZephel.ready([options], [callback])
 *       Finds the plug-in's <object type="application/x-norvellzephel32">
 *       (or inserts one) and waits until it answers. Gives the wrapped root
 *       object, or an Error: "Norvell Zephel is not installed in this
 *       browser" or "Norvell Zephel did not start within N s".
 *       options.element  the element, or its id (default: the first one)
 *       options.parent   where to insert one when there is none (default: body)
 *       options.timeout  milliseconds to wait (default 10000)
 *       options.plugin   an object already made (new ActiveXObject(...))
 *   NorvellZephel.wrap(rootObject)
 *       The wrapped root object at once, for a plug-in known to be ready.
 *
 * A wrapped object has every member of the plug-in's object under the same
 * name. A failed call throws an Error whose message is the plug-in's own
 * text (also where the browser replaces it by a generic one). Properties
 * read and write through obj.get(name) and obj.set(name, value), and in
 * engines with property accessors also as plain properties (obj.name).
 * File objects come back wrapped and may be passed back wrapped. The
 * plug-in's own object is obj.raw.
 *
 * Members that complete through a function (ready, updatePlugin and the
 * four handler registry members) take a node-style callback as their last
 * argument, callback(error, result), which may run before the call
 * returns. Without a callback they return a Promise where the page has
 * one; where it has none (old JScript), they throw errors at once and
 * return what the plug-in answered at once.
 *   updatePlugin(descriptor, [onProgress], [callback]): descriptor is an
 *   object or its JSON text; the result is true when the plug-in is
 *   installed, false when it could not be; onProgress(bytes) per chunk.
 *   registerWriteHandler(handler, [callback]) and the others: the result
 *   is the plug-in's answer (the handler's id).
 */
var NorvellZephel = (function (global) {
  var TYPE = "application/x-norvellzephel32";
  var COMMON = ["toString", "getAttribute", "setAttribute", "getLastException", "addEventListener",
                "removeEventListener", "attachEvent", "detachEvent"];
  var ROOT_METHODS = COMMON.concat(["showOpenDialog", "showSaveDialog", "showSelectFolderDialog",
                "showSelectFolderDialogWithTitle", "createFileInFolder", "saveStreamToFile", "crash",
                "acquireRecoveryFile", "releaseRecoveryFile", "fileFromPermanentHandle", "registerPlugin",
                "unregisterPlugin", "initialize", "unInitialize"]);
  var ROOT_PROPERTIES = ["version", "loggingLevel", "valid", "value"];
  var FILE_METHODS = COMMON.concat(["contentsAsTextStream", "contentsAsBinaryStream"]);
  var FILE_PROPERTIES = ["name", "extension", "fileExists", "permanentHandle", "type", "lastModifiedDate",
                         "valid", "value"];
  var REGISTRIES = ["registerWriteHandler", "registerQueryHandler", "unregisterWriteHandler",
                    "unregisterQueryHandler"];
  // Members whose result is a file object.
  var FILE_RESULTS = {showOpenDialog: 1, showSaveDialog: 1, showSelectFolderDialog: 1,
                      showSelectFolderDialogWithTitle: 1, createFileInFolder: 1, acquireRecoveryFile: 1,
                      fileFromPermanentHandle: 1};
  // The texts a browser puts in place of the plug-in's message.
  var HIDDEN = /NPObject|^$/;

  var accessors = (function () {
    try {
      var probe = {};
      Object.defineProperty(probe, "x", {get: function () { return 1; }});
      return probe.x === 1;
    } catch (e) {
      return false;
    }
  })();

  function fault(text, number) {
    var error = new Error();
    error.message = text;
    error.description = text;
    if (typeof number === "number") error.number = number;
    return error;
  }

  // The Error for an exception of a call on `target`, with the plug-in's text.
  function pluginError(target, e) {
    var text = e && typeof e === "object" ? e.message || e.description || "" : e === undefined ? "" : String(e);
    if (HIDDEN.test(text)) {
      try {
        var last = target.getLastException();
        if (last !== undefined && last !== null && last !== "") text = String(last);
      } catch (ignored) { /* the object is gone: keep the browser's text */ }
    }
    return fault(String(text), e && typeof e === "object" ? e.number : undefined);
  }

  // A method call with exactly the given arguments (plug-in methods are
  // not always script functions with call/apply).
  function invoke(target, name, a) {
    switch (a.length) {
      case 0: return target[name]();
      case 1: return target[name](a[0]);
      case 2: return target[name](a[0], a[1]);
      case 3: return target[name](a[0], a[1], a[2]);
      case 4: return target[name](a[0], a[1], a[2], a[3]);
      default: return Function.prototype.apply.call(target[name], target, a);
    }
  }

  function unwrap(value) {
    try {
      return value instanceof Wrapped ? value.raw : value;
    } catch (e) {
      return value;
    }
  }

  function call(target, name, args) {
    var a = [];
    for (var i = 0; i < args.length; i++) a.push(unwrap(args[i]));
    var result;
    try {
      result = invoke(target, name, a);
    } catch (e) {
      throw pluginError(target, e);
    }
    return FILE_RESULTS[name] === 1 && result ? new Wrapped(result, FILE_METHODS, FILE_PROPERTIES) : result;
  }

  function read(target, name) {
    try {
      return target[name];
    } catch (e) {
      throw pluginError(target, e);
    }
  }

  function write(target, name, value) {
    try {
      target[name] = value;
    } catch (e) {
      throw pluginError(target, e);
    }
  }

  function method(target, name) {
    return function () { return call(target, name, arguments); };
  }

  function property(target, name) {
    return {
      enumerable: true,
      get: function () { return read(target, name); },
      set: function (value) { write(target, name, value); }
    };
  }

  function Wrapped(raw, methods, properties) {
    var i;
    this.raw = raw;
    for (i = 0; i < methods.length; i++) this[methods[i]] = method(raw, methods[i]);
    for (i = 0; accessors && i < properties.length; i++) {
      Object.defineProperty(this, properties[i], property(raw, properties[i]));
    }
  }
  Wrapped.prototype.get = function (name) { return read(this.raw, name); };
  Wrapped.prototype.set = function (name, value) { write(this.raw, name, value); };

  // Runs start(done); done(error, result) reaches the callback, a Promise,
  // or (with neither) becomes the return value or a thrown error.
  function settle(callback, start) {
    if (typeof callback === "function") {
      start(function (error, result) { callback(error || null, result); });
      return undefined;
    }
    if (typeof global.Promise === "function") {
      return new global.Promise(function (resolve, reject) {
        start(function (error, result) {
          if (error) reject(error); else resolve(result);
        });
      });
    }
    var outcome = null;
    start(function (error, result) { if (!outcome) outcome = {error: error, result: result}; });
    if (outcome && outcome.error) throw outcome.error;
    return outcome ? outcome.result : undefined;
  }

  function quote(text) {
    return "\"" + String(text).replace(/[\\"\u0000-\u001f]/g, function (c) {
      return "\\u" + ("000" + c.charCodeAt(0).toString(16)).slice(-4);
    }) + "\"";
  }

  // A descriptor object as JSON text (its fields are strings; numbers and
  // booleans are kept as they are where the engine has no JSON).
  function descriptorText(descriptor) {
    if (!descriptor || typeof descriptor !== "object") return descriptor;
    if (global.JSON && typeof global.JSON.stringify === "function") return global.JSON.stringify(descriptor);
    var fields = [];
    for (var key in descriptor) {
      if (!Object.prototype.hasOwnProperty.call(descriptor, key)) continue;
      var value = descriptor[key];
      if (typeof value === "number" || typeof value === "boolean") fields.push(quote(key) + ":" + value);
      else if (typeof value === "string") fields.push(quote(key) + ":" + quote(value));
    }
    return "{" + fields.join(",") + "}";
  }

  function updatePlugin(raw) {
    return function (descriptor, onProgress, callback) {
      return settle(callback, function (done) {
        var inside = true;
        var early = null;
        var finished = false;
        function finish(error, result) {
          if (finished) return;
          finished = true;
          // A completion during the plug-in's call reaches the page after it.
          if (inside) early = [error, result]; else done(error, result);
        }
        var progress = typeof onProgress === "function" ? function (bytes) { onProgress(bytes); } : null;
        try {
          call(raw, "updatePlugin", [descriptorText(descriptor), function (installed) {
            finish(null, installed);
          }, progress]);
        } catch (e) {
          finish(e);
        }
        inside = false;
        if (early) done(early[0], early[1]);
      });
    };
  }

  function registry(raw, name) {
    return function () {
      var args = arguments.length ? [arguments[0]] : [];
      return settle(arguments[1], function (done) {
        var result;
        try {
          result = call(raw, name, args);
        } catch (e) {
          done(e);
          return;
        }
        done(null, result);
      });
    };
  }

  function wrap(raw) {
    var root = new Wrapped(raw, ROOT_METHODS, ROOT_PROPERTIES);
    root.updatePlugin = updatePlugin(raw);
    for (var i = 0; i < REGISTRIES.length; i++) root[REGISTRIES[i]] = registry(raw, REGISTRIES[i]);
    return root;
  }

  function answers(element) {
    try {
      return element.valid === true;
    } catch (e) {
      return false;
    }
  }

  // Whether the browser may have the plug-in: Internet Explorer lists no
  // ActiveX controls among its MIME types, other browsers list plug-ins.
  function mayBeInstalled() {
    var navigator = global.navigator;
    if (!navigator || "ActiveXObject" in global) return true;
    return !!(navigator.mimeTypes && navigator.mimeTypes[TYPE]);
  }

  function findElement(document, options) {
    var element = options.element;
    if (typeof element === "string") element = document.getElementById(element);
    if (element) return element;
    if (document.querySelector) return document.querySelector("object[type=\"" + TYPE + "\"]");
    var objects = document.getElementsByTagName("object");
    for (var i = 0; i < objects.length; i++) {
      if (String(objects[i].type).toLowerCase() === TYPE) return objects[i];
    }
    return null;
  }

  function insertElement(document, parent) {
    if (typeof parent === "string") parent = document.getElementById(parent);
    var element = document.createElement("object");
    element.setAttribute("type", TYPE);
    element.setAttribute("width", "1");
    element.setAttribute("height", "1");
    (parent || document.body || document.documentElement).appendChild(element);
    return element;
  }

  function ready(options, callback) {
    if (typeof options === "function") {
      callback = options;
      options = null;
    }
    options = options || {};
    return settle(callback, function (done) {
      if (options.plugin) {
        done(null, wrap(options.plugin));
        return;
      }
      var document = global.document;
      if (!document) {
        done(fault("There is no page here: give the plug-in object as options.plugin"));
        return;
      }
      if (!mayBeInstalled()) {
        done(fault("Norvell Zephel is not installed in this browser (no plug-in for " + TYPE + ")"));
        return;
      }
      var element = findElement(document, options) || insertElement(document, options.parent);
      var limit = options.timeout > 0 ? options.timeout : 10000;
      var step = 50;
      var waited = 0;
      (function poll() {
        if (answers(element)) {
          done(null, wrap(element));
        } else if (waited >= limit || typeof global.setTimeout === "undefined") {
          done(fault("Norvell Zephel did not start within " + limit / 1000 + " s (is it installed and enabled?)"));
        } else {
          waited += step;
          global.setTimeout(poll, step);
        }
      })();
    });
  }

  return {ready: ready, wrap: wrap, type: TYPE};
})(this);
