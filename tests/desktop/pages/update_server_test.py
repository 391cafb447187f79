#!/usr/bin/env python3
"""Runs the update tests that need a server: starts Python's HTTP server on a
free port of 127.0.0.1 with an update package and a check response, then the
test program under Wine, which finds the server through HVM_TEST_SERVER.

usage: update_server_test.py TEST_PROGRAM NEXT_PROGRAM NEXT_VERSION [gtest args]
"""
import hashlib
import http.server
import os
import subprocess
import sys
import tempfile
import threading
import zipfile


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, format, *args):
        pass


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def main():
    test_program, next_program, next_version = sys.argv[1:4]
    with tempfile.TemporaryDirectory() as root:
        os.makedirs(os.path.join(root, "update"))
        os.makedirs(os.path.join(root, "package"))
        package = os.path.join(root, "package", "hvmend-next.zip")
        with zipfile.ZipFile(package, "w", zipfile.ZIP_DEFLATED) as archive:
            archive.write(next_program, "hvmend.exe")
            archive.writestr("whatsnew.txt", "Hivemend " + next_version + "\r\n")
        # A file for the download window's own tests, a few pieces long.
        with open(os.path.join(root, "package", "plain.bin"), "wb") as f:
            f.write(bytes(range(256)) * 2048)

        handler = lambda *a, **k: QuietHandler(*a, directory=root, **k)
        # Bound and listening once constructed: no waiting for it to come up.
        server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        address = "http://127.0.0.1:%d/" % server.server_address[1]
        with open(os.path.join(root, "update", "index.html"), "w", newline="") as f:
            f.write("%spackage/hvmend-next.zip#%s#%s\r\n%snotes.html\r\n"
                    % (address, next_version, sha256(package), address))
        thread = threading.Thread(target=server.serve_forever, daemon=True)
        thread.start()
        environment = dict(os.environ, HVM_TEST_SERVER=address,
                           HVM_TEST_NEXT_VERSION=next_version)
        try:
            result = subprocess.run(["wine", test_program] + sys.argv[4:],
                                    env=environment)
        finally:
            server.shutdown()
            server.server_close()
        return result.returncode


if __name__ == "__main__":
    sys.exit(main())
