// Helpers for the real-browser test pages. A page reports its checks through
// window.nz: nz.check(name, fn) passes when fn returns without an exception
// (and not false), nz.equal / nz.throws compare values and exception
// messages, nz.done() ends the page. Results go to window.nzTest, which
// nz_browser provides, and are also listed in the page itself, so that the
// same page can be opened by hand in any browser.
(function () {
  "use strict";

  var listing = null;
  var finished = false;

  function show(text, failed) {
    if (!listing) {
      listing = document.createElement("pre");
      listing.id = "nz-results";
      (document.body || document.documentElement).appendChild(listing);
    }
    var line = document.createElement("div");
    line.style.color = failed ? "#b00020" : "#006400";
    line.textContent = text;
    listing.appendChild(line);
  }

  // Without nz_browser the page still runs and shows its results.
  var reporter = window.nzTest || {
    passed: 0,
    failed: 0,
    pass: function () { this.passed += 1; },
    fail: function () { this.failed += 1; },
    done: function () {},
    log: function (message) { if (window.console) console.log(message); },
    lastConsoleMessage: ""
  };

  // The message a script exception carries: the text the plug-in set, as
  // the Error's message, or the thrown value itself.
  function errorText(e) {
    if (e && typeof e === "object" && "message" in e) return String(e.message);
    return String(e);
  }

  function describe(value) {
    if (typeof value === "string") return JSON.stringify(value);
    try { return String(value); } catch (e) { return "<" + typeof value + ">"; }
  }

  var nz = {
    errorText: errorText,
    describe: describe,

    pass: function (name) {
      reporter.pass(name);
      show("PASS " + name, false);
    },

    fail: function (name, message) {
      reporter.fail(name, String(message));
      show("FAIL " + name + ": " + message, true);
    },

    log: function (message) {
      reporter.log(String(message));
      show(String(message), false);
    },

    // Runs fn; an exception or a result of false fails the check.
    check: function (name, fn) {
      var result;
      try {
        result = fn();
      } catch (e) {
        nz.fail(name, "exception: " + errorText(e));
        return;
      }
      if (result === false) nz.fail(name, "check returned false");
      else nz.pass(name);
    },

    equal: function (name, actual, expected) {
      if (actual === expected) nz.pass(name);
      else nz.fail(name, "got " + describe(actual) + ", expected " + describe(expected));
    },

    // fn must throw; expected is the exact message, a RegExp, or omitted.
    throws: function (name, fn, expected) {
      var message;
      try {
        fn();
      } catch (e) {
        message = errorText(e);
        if (expected === undefined ||
            (expected instanceof RegExp ? expected.test(message) : message === expected)) {
          nz.pass(name);
        } else {
          nz.fail(name, "threw " + describe(message) + ", expected " + describe(expected));
        }
        return message;
      }
      nz.fail(name, "did not throw, expected " + describe(expected));
      return undefined;
    },

    // Like throws, for a call into the plug-in. QtWebKit does not pass the
    // message that the plug-in sets for a failed call on to the exception:
    // script sees "Error calling method on NPObject." instead. The plug-in
    // keeps the message for its "getLastException" function, so the check
    // accepts the expected message from either place.
    pluginThrows: function (name, root, fn, expected) {
      var message;
      try {
        fn();
      } catch (e) {
        message = errorText(e);
        var last = message;
        try { last = String(root.getLastException()); } catch (ignored) { /* keep the exception's text */ }
        var matches = function (text) {
          return expected instanceof RegExp ? expected.test(text) : text === expected;
        };
        if (matches(message) || matches(last)) {
          nz.pass(name);
          return last;
        }
        nz.fail(name, "threw " + describe(message) + " (getLastException " + describe(last) +
                "), expected " + describe(expected));
        return last;
      }
      nz.fail(name, "did not throw, expected " + describe(expected));
      return undefined;
    },

    // The last console message that nz_browser saw ("" elsewhere).
    lastConsoleMessage: function () {
      return String(reporter.lastConsoleMessage);
    },

    done: function () {
      if (finished) return;
      finished = true;
      show(reporter.passed + " passed, " + reporter.failed + " failed", reporter.failed > 0);
      reporter.done();
    },

    // Calls onReady(root) when the plug-in element's "onload" function has
    // run, or fails the check (options.label, default "plug-in loaded") with
    // "plug-in not loaded" when the browser does not know the type or the
    // function is not called in time; either way the page ends after a
    // failure. The page ends after onReady returns, unless options.async is
    // set: then the page calls nz.done() itself (nz.runSteps does).
    // options.hint replaces the note on where the browser looks for plug-ins.
    waitForPlugin: function (onloadName, mimeType, seconds, onReady, options) {
      options = options || {};
      var label = options.label || "plug-in loaded";
      var hint = options.hint || "is QTWEBKIT_PLUGIN_PATH the folder of npNorvellZephel32.so?";
      var settled = false;
      if (!navigator.mimeTypes[mimeType]) {
        nz.fail(label, "plug-in not loaded: the browser knows no plug-in for " + mimeType + " (" + hint + ")");
        nz.done();
        return;
      }
      window[onloadName] = function (root) {
        if (settled) return;
        settled = true;
        if (!root) {
          nz.fail(label, "plug-in not loaded: " + onloadName + " got no root object");
          nz.done();
          return;
        }
        nz.pass(label);
        try {
          onReady(root);
        } catch (e) {
          nz.fail("page script", "exception: " + errorText(e));
          nz.done();
          return;
        }
        if (!options.async) nz.done();
      };
      setTimeout(function () {
        if (settled) return;
        settled = true;
        nz.fail(label, "plug-in not loaded: " + onloadName + " was not called within " + seconds + " s");
        nz.done();
      }, seconds * 1000);
    },

    // Runs steps one after the other; each is called with the function that
    // starts the next one, so a step may wait for a callback. The page ends
    // after the last step. A step that throws fails "step N"; the page then
    // ends, or goes on with the next step when keepGoing is set.
    runSteps: function (steps, keepGoing) {
      var index = 0;
      function next() {
        if (index >= steps.length) {
          nz.done();
          return;
        }
        var step = steps[index++];
        try {
          step(next);
        } catch (e) {
          nz.fail("step " + index, "exception: " + errorText(e));
          if (keepGoing) next(); else nz.done();
        }
      }
      next();
    }
  };

  window.nz = nz;
})();
