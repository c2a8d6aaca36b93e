#!/usr/bin/env python3
"""The page server of `scenario-tool watch` under load, as a careless or
hostile neighbour on this computer would load it: with 30 clients that send
half a request and wait, and 20 open pages listening to their events, a fresh
page is still served within a second; a request that declares a huge body is
refused with 413 at once, its body left unread, and a head without end with
431 (the server's peak memory stays put); open event streams past the bound are refused with 503, and the
fresh page is still served.

usage: watch_server_test.py SCENARIO_TOOL SCENARIO_DIR
"""
import pathlib
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time

TIMEOUT = 20
SLOW_CLIENTS = 30
OPEN_PAGES = 20
EVENT_STREAM_LIMIT = 128  # as in src/tool/page_server_module.cc


def peak_memory_kib(pid):
    status = pathlib.Path(f"/proc/{pid}/status").read_text()
    return int(re.search(r"VmHWM:\s+(\d+) kB", status).group(1))


def connect(port):
    return socket.create_connection(("127.0.0.1", port), timeout=TIMEOUT)


def head_of(connection):
    """The answer's head, read up to its blank line."""
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = connection.recv(4096)
        if not chunk:
            break
        data += chunk
    return data.decode("latin-1")


def open_events(port, host):
    connection = connect(port)
    connection.sendall(f"GET /events HTTP/1.1\r\nHost: {host}\r\n\r\n".encode())
    return connection, head_of(connection)


def fresh_page_seconds(port, host):
    start = time.monotonic()
    with connect(port) as connection:
        connection.sendall(f"GET / HTTP/1.1\r\nHost: {host}\r\nConnection: close\r\n\r\n".encode())
        data = b""
        while chunk := connection.recv(65536):
            data += chunk
    elapsed = time.monotonic() - start
    assert data.startswith(b"HTTP/1.1 200") and b"</html>" in data, data[:300]
    return elapsed


def main(tool, scenario):
    with tempfile.TemporaryDirectory() as temp:
        folder = pathlib.Path(temp, "line")
        shutil.copytree(scenario, folder)
        watch = subprocess.Popen([tool, "watch", str(folder), "-o", str(pathlib.Path(temp, "page.html"))],
                                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        held = []
        try:
            port = None
            for line in watch.stdout:
                found = re.search(r"http://127\.0\.0\.1:(\d+)/$", line.strip())
                if found:
                    port = int(found.group(1))
                    break
            assert port, "watch names no page address"
            host = f"127.0.0.1:{port}"
            fresh_page_seconds(port, host)

            for _ in range(OPEN_PAGES):
                connection, head = open_events(port, host)
                held.append(connection)
                assert "text/event-stream" in head, head
            for _ in range(SLOW_CLIENTS):
                connection = connect(port)
                connection.sendall(f"GET / HTTP/1.1\r\nHost: {host}\r\nAcc".encode())
                held.append(connection)
            time.sleep(0.5)  # the server has taken them all in
            elapsed = fresh_page_seconds(port, host)
            assert elapsed < 1.0, f"a fresh page took {elapsed:.2f} s beside the slow and open ones"

            # A huge body declared, a request line or headers without end:
            # refused at once, the rest left unread.
            before = peak_memory_kib(watch.pid)
            for start, more, status in [
                (f"POST / HTTP/1.1\r\nHost: {host}\r\nContent-Length: {400 << 20}\r\n\r\n",
                 b"x" * 65536, "413"),
                (f"GET / HTTP/1.1\r\nHost: {host}\r\nTransfer-Encoding: chunked\r\n\r\n",
                 b"10000\r\n" + b"x" * 65536, "413"),
                ("GET /", b"a" * 65536, "431"),
                (f"GET / HTTP/1.1\r\nHost: {host}\r\n", b"X-Filler: 1\r\n" * 8192, "431"),
            ]:
                with connect(port) as connection:
                    try:
                        connection.sendall(start.encode())
                        for _ in range(64):  # 4 MiB at least, as far as the server takes it
                            connection.sendall(more)
                    except OSError:
                        pass
                    head = head_of(connection)
                    assert head.startswith(f"HTTP/1.1 {status} "), (start, head)
            grown = peak_memory_kib(watch.pid) - before
            assert grown < 8 << 10, f"refused requests grew watch by {grown} KiB"

            # Event streams past the bound are refused; pages are still served.
            refused = 0
            for _ in range(EVENT_STREAM_LIMIT - OPEN_PAGES + 2):
                connection, head = open_events(port, host)
                held.append(connection)
                refused += head.startswith("HTTP/1.1 503 ")
            assert refused == 2, f"{refused} event streams refused past {EVENT_STREAM_LIMIT}"
            elapsed = fresh_page_seconds(port, host)
            assert elapsed < 1.0, f"a fresh page took {elapsed:.2f} s beside the open pages"
        finally:
            for connection in held:
                connection.close()
            watch.terminate()
            watch.wait(timeout=TIMEOUT)
    print("watch server: ok")
    return 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
