#!/usr/bin/env python3
"""The demo's catalogue server: the module list page and the packages.

    serve.py SITE_DIR PORT_FILE [LOG_FILE]

Listens on 127.0.0.1 on a free port, writes the port number to PORT_FILE
once it accepts connections, and serves
  /index.php?mod=dirtst   SITE_DIR/index.php (the module list page)
  /<path>                 SITE_DIR/<path> for any other file below SITE_DIR
Each request is logged (to LOG_FILE when given, else to stderr).
"""
import http.server
import os
import sys
import urllib.parse

SITE = None
LOG = sys.stderr


class Handler(http.server.BaseHTTPRequestHandler):
    server_version = "ZorDemo/1.0"

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        if url.path == "/index.php":
            if url.query != "mod=dirtst":
                return self.send_error(404)
            return self.send_file(os.path.join(SITE, "index.php"), "text/html; charset=windows-1251")
        path = os.path.normpath(os.path.join(SITE, urllib.parse.unquote(url.path).lstrip("/")))
        if not path.startswith(SITE + os.sep) or not os.path.isfile(path):
            return self.send_error(404)
        self.send_file(path, "application/zip" if path.endswith(".zip") else "application/octet-stream")

    def send_file(self, path, content_type):
        with open(path, "rb") as f:
            body = f.read()
        self.send_response(200)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, fmt, *args):
        LOG.write("%s [%s] %s\n" % (self.address_string(), self.headers.get("User-Agent", "-"), fmt % args))
        LOG.flush()


def main(argv):
    global SITE, LOG
    if len(argv) not in (3, 4):
        print("usage: serve.py SITE_DIR PORT_FILE [LOG_FILE]", file=sys.stderr)
        return 2
    SITE = os.path.realpath(argv[1])
    if len(argv) == 4:
        LOG = open(argv[3], "a")
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    with open(argv[2] + ".tmp", "w") as f:
        f.write("%d\n" % server.server_address[1])
    os.replace(argv[2] + ".tmp", argv[2])
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
