#!/usr/bin/env python3
"""Loopback HTTP server for the real-browser tests.

Serves the test pages (tests/e2e/ at "/"), the demo pages (examples/ at
"/examples/") and the page library (js/ at "/js/") from one address on
127.0.0.1, on a free port that it prints ("serving
http://127.0.0.1:PORT/") and, when asked, writes to a file.

Besides files it answers:
  /echo                  GET or POST: a JSON description of the request
                         (method, path, query, headers as an object and as a
                         list of pairs in arrival order, body as text, one
                         character per byte, and as Base64); /echo?raw=1 answers the posted body itself,
                         with the posted Content-Type.
  /<site>/core/installers/<name>
                         a plug-in package (zip) of the maker's site, looked
                         up as <packages>/<site>/<name>, or one of the
                         packages built on the fly around the test module
                         (--test-module); see PackageStore. Unknown names
                         are answered 404.
  /package-requests      the package requests answered so far, as a JSON
                         list of {"path", "status", "size"} in arrival order.
  /state/<path>          with --state-dir, the file below that folder (for a
                         folder: a JSON list of its names, sorted), so that
                         pages can see what the plug-in wrote there.

Python standard library only. Stops on SIGTERM or SIGINT.
"""

import argparse
import base64
import io
import json
import mimetypes
import os
import re
import signal
import sys
import threading
import urllib.parse
import zipfile
from http import HTTPStatus
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))

INSTALLER_PATH = re.compile(r"^/(?P<site>[^/]+)/core/installers/(?P<name>[^/]+)$")


class PackageStore:
    """Finds the zip package for /<site>/core/installers/<name>.

    Packages are plain files below one folder, <folder>/<site>/<name>, or,
    for the names in BUILT_PACKAGES, zips built on the fly on any site: the
    package's "pluginmanifest.json" and the test module's bytes under the
    module file name that the plug-in expects ("np" + ModuleName +
    PluginBit + ".so"). find() answers the bytes, or None."""

    # name -> the package's description ("pluginmanifest.json").
    BUILT_PACKAGES = {
        "nzprobe.zip": {"PluginName": "NzProbe", "PluginBit": "32", "PluginVersion": "2.1",
                        "ModuleName": "NzProbe"},
        # A hostile package whose name, bit and version spell the manifest
        # file's name ("Plugins.Manifest": the file itself where case is ignored).
        "nzmanifestname.zip": {"PluginName": "Plugins", "PluginBit": ".Man", "PluginVersion": "ifest",
                               "ModuleName": "NzProbe"},
    }

    def __init__(self, folder, test_module=None):
        self.folder = folder
        self.test_module = test_module

    def find(self, site, name):
        if self.folder:
            path = os.path.join(self.folder, site, name)
            if os.path.isfile(path):
                with open(path, "rb") as f:
                    return f.read()
        description = self.BUILT_PACKAGES.get(name)
        if description is None or not self.test_module:
            return None
        return self.build(description)

    def build(self, description):
        with open(self.test_module, "rb") as f:
            module = f.read()
        module_name = "np%s%s.so" % (description["ModuleName"], description["PluginBit"])
        out = io.BytesIO()
        with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as package:
            package.writestr("pluginmanifest.json", json.dumps(description))
            package.writestr(module_name, module)
        return out.getvalue()


class Handler(BaseHTTPRequestHandler):
    server_version = "NzTestServer/1.0"
    protocol_version = "HTTP/1.1"

    # Set by make_server.
    mounts = []  # (url prefix, folder), longest prefix first
    packages = PackageStore(None)
    state_dir = None
    quiet = True
    # (path, status, size) of each package request; shared by all handlers.
    package_requests = []
    package_lock = threading.Lock()

    def log_message(self, format, *args):  # noqa: A002 (the base class's name)
        if not self.quiet:
            sys.stderr.write("server: %s %s\n" % (self.address_string(), format % args))

    def do_GET(self):
        self.route(head_only=False)

    def do_HEAD(self):
        self.route(head_only=True)

    def do_POST(self):
        url = urllib.parse.urlsplit(self.path)
        if url.path == "/echo":
            self.echo(url, self.read_body())
        else:
            self.read_body()
            self.send_text(HTTPStatus.METHOD_NOT_ALLOWED, "POST is answered only at /echo\n")

    def route(self, head_only):
        url = urllib.parse.urlsplit(self.path)
        if url.path == "/echo":
            self.echo(url, b"")
            return
        if url.path == "/package-requests":
            with self.package_lock:
                listed = [{"path": p, "status": c, "size": n} for p, c, n in self.package_requests]
            self.send_bytes(HTTPStatus.OK, json.dumps(listed).encode("utf-8"), "application/json",
                            head_only)
            return
        if url.path.startswith("/state/"):
            self.send_state(urllib.parse.unquote(url.path[len("/state/"):]), head_only)
            return
        match = INSTALLER_PATH.match(url.path)
        if match:
            found = self.packages.find(match.group("site"), match.group("name"))
            with self.package_lock:
                self.package_requests.append((url.path, 200 if found is not None else 404,
                                              len(found) if found is not None else 0))
            if found is not None:
                self.send_bytes(HTTPStatus.OK, found, "application/zip", head_only)
            else:
                self.send_text(HTTPStatus.NOT_FOUND, "no package: %s\n" % url.path)
            return
        path = self.local_path(urllib.parse.unquote(url.path))
        if path and os.path.isdir(path):
            path = os.path.join(path, "index.html")
        if path and os.path.isfile(path):
            self.send_file(path, head_only)
        else:
            self.send_text(HTTPStatus.NOT_FOUND, "not found: %s\n" % url.path)

    def local_path(self, url_path):
        for prefix, folder in self.mounts:
            if url_path.startswith(prefix):
                rest = url_path[len(prefix):]
                parts = [p for p in rest.split("/") if p not in ("", ".")]
                if ".." in parts:
                    return None
                return os.path.join(folder, *parts)
        return None

    def send_state(self, rest, head_only):
        parts = [p for p in rest.split("/") if p not in ("", ".")]
        path = os.path.join(self.state_dir, *parts) if self.state_dir and ".." not in parts else None
        if path and os.path.isdir(path):
            names = json.dumps(sorted(os.listdir(path))).encode("utf-8")
            self.send_bytes(HTTPStatus.OK, names, "application/json", head_only)
        elif path and os.path.isfile(path):
            self.send_file(path, head_only, "application/octet-stream")
        else:
            self.send_text(HTTPStatus.NOT_FOUND, "not found: /state/%s\n" % rest)

    def read_body(self):
        length = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(length) if length > 0 else b""

    def echo(self, url, body):
        query = urllib.parse.parse_qs(url.query)
        if "raw" in query:
            kind = self.headers.get("Content-Type") or "application/octet-stream"
            self.send_bytes(HTTPStatus.OK, body, kind)
            return
        answer = {
            "method": self.command,
            "path": url.path,
            "query": url.query,
            "headers": {name: value for name, value in self.headers.items()},
            "headerList": [[name, value] for name, value in self.headers.items()],
            "body": body.decode("latin-1"),
            "bodyBase64": base64.b64encode(body).decode("ascii"),
        }
        self.send_bytes(HTTPStatus.OK, json.dumps(answer, sort_keys=True).encode("utf-8"),
                        "application/json")

    def send_file(self, path, head_only, kind=None):
        with open(path, "rb") as f:
            data = f.read()
        if kind is None:
            kind = mimetypes.guess_type(path)[0] or "application/octet-stream"
            if kind.startswith("text/") or kind in ("application/javascript", "application/json"):
                kind += "; charset=utf-8"
        self.send_bytes(HTTPStatus.OK, data, kind, head_only)

    def send_text(self, status, text):
        self.send_bytes(status, text.encode("utf-8"), "text/plain; charset=utf-8")

    def send_bytes(self, status, data, kind, head_only=False):
        self.send_response(status)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        if not head_only:
            self.wfile.write(data)


def make_server(port, mounts, packages, quiet, state_dir=None):
    handler = type("BoundHandler", (Handler,), {
        "mounts": sorted(mounts, key=lambda m: len(m[0]), reverse=True),
        "packages": packages,
        "state_dir": state_dir,
        "quiet": quiet,
        "package_requests": [],
        "package_lock": threading.Lock(),
    })
    return ThreadingHTTPServer(("127.0.0.1", port), handler)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=0, help="port (default: a free one)")
    parser.add_argument("--port-file", help="write the port to this file once listening")
    parser.add_argument("--packages", default=os.path.join(HERE, "packages"),
                        help="folder of <site>/<name> zip packages")
    parser.add_argument("--test-module",
                        help="the test secondary module that the built packages carry")
    parser.add_argument("--state-dir", help="folder shown at /state/")
    parser.add_argument("--verbose", action="store_true", help="log every request to stderr")
    args = parser.parse_args()

    mounts = [("/", HERE), ("/examples/", os.path.join(REPO, "examples")), ("/js/", os.path.join(REPO, "js"))]
    server = make_server(args.port, mounts, PackageStore(args.packages, args.test_module), not args.verbose,
                         args.state_dir)
    port = server.server_address[1]

    def stop(*_):
        threading.Thread(target=server.shutdown, daemon=True).start()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)

    print("serving http://127.0.0.1:%d/" % port, flush=True)
    if args.port_file:
        # Written under another name first, so a reader never sees half a number.
        temporary = args.port_file + ".part"
        with open(temporary, "w") as f:
            f.write("%d\n" % port)
        os.replace(temporary, args.port_file)
    try:
        server.serve_forever()
    finally:
        server.server_close()


if __name__ == "__main__":
    main()
