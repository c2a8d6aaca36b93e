#!/usr/bin/env bash
# watch under Wine: scenario-tool.exe serves the report page on Winsock, an
# edit of a text reaches the open page as an event, requests for another
# host or path are refused, and a port in use is not taken twice.
# usage: watch_test.sh WINDOWS_BIN   (the folder of scenario-tool.exe)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
windows_bin=$(cd "$1" && pwd)
source "$here/wine_session.sh"
start_wine_session "$work"

cd "$work"
cp "$windows_bin"/scenario-tool.exe "$windows_bin"/*.dll . 2>/dev/null || true
cp -r "$here/../scenarios/Prova_Collina_4711" folder
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
wine scenario-tool.exe watch folder -o page.html --port "$port" >watch.out 2>&1 &
watch_pid=$!
trap 'kill "$watch_pid" 2>/dev/null || true; end_wine_session; rm -rf "$work"' EXIT
for _ in $(seq 120); do
  grep -q "http://127.0.0.1:$port/" watch.out && break
  kill -0 "$watch_pid" 2>/dev/null || fail "watch ended:"$'\n'"$(cat watch.out)"
  sleep 0.5
done
grep -q "http://127.0.0.1:$port/" watch.out || fail "watch names no page address:"$'\n'"$(cat watch.out)"

python3 - "$port" folder/Prova_Collina_4711_note.txt <<'PY' || fail "the page server answers otherwise (above)"
import re, socket, sys, time
port, text = int(sys.argv[1]), sys.argv[2]

def request(path, host, half_close=False):
    with socket.create_connection(("127.0.0.1", port), timeout=20) as s:
        s.sendall(f"GET {path} HTTP/1.1\r\nHost: {host}\r\n\r\n".encode())
        if half_close:
            s.shutdown(socket.SHUT_WR)
        data = b""
        while chunk := s.recv(65536):
            data += chunk
    return data.decode("utf-8", "replace")

here = f"127.0.0.1:{port}"
# path, Host, the client ends its side after the request, status line, what
# the answer holds
for path, host, half_close, status, holds in [
    ("/", here, False, "200 OK", "new EventSource('/events?after="),
    ("/", f"localhost:{port}", False, "200 OK", "Content-Type: text/html; charset=utf-8"),
    ("/?x=1", here, True, "200 OK", "Prova_Collina"),
    ("/", f"rebound.example:{port}", False, "403 Forbidden", f"http://{here}/"),
    ("/events", "127.0.0.1", False, "403 Forbidden", ""),
    ("/page.html", here, True, "404 Not Found", ""),
    ("/", "h" * 20000, False, "431 ", ""),
]:
    answer = request(path, host, half_close)
    if not answer.startswith("HTTP/1.1 " + status) or holds not in answer:
        sys.exit(f"GET {path} for {host[:40]}: {answer[:300]!r}")
    if status == "200 OK":
        head, body = answer.split("\r\n\r\n", 1)
        length = int(re.search(r"Content-Length: (\d+)", head).group(1))
        if length != len(body.encode()):
            sys.exit(f"GET {path}: Content-Length {length}, body {len(body.encode())}")
after = re.search(r"after=(\d+)", request("/", here)).group(1)

# A body declared past the bound is refused unread; 30 clients that send half
# a request and 20 open pages hold up no fresh page.
with socket.create_connection(("127.0.0.1", port), timeout=20) as s:
    s.sendall(f"POST / HTTP/1.1\r\nHost: {here}\r\nContent-Length: {400 << 20}\r\n\r\n".encode())
    if not s.recv(4096).startswith(b"HTTP/1.1 413 "):
        sys.exit("a 400 MiB body is not refused with 413")
held = []
for n in range(50):
    s = socket.create_connection(("127.0.0.1", port), timeout=20)
    s.sendall((f"GET /events HTTP/1.1\r\nHost: {here}\r\n\r\n" if n < 20 else
               f"GET / HTTP/1.1\r\nHost: {here}\r\nAcc").encode())
    held.append(s)
time.sleep(1)
start = time.monotonic()
if "new EventSource(" not in request("/", here) or time.monotonic() - start > 1.0:
    sys.exit(f"a fresh page beside slow and open ones: {time.monotonic() - start:.2f} s")
for s in held:
    s.close()

# The open page's events: an edit of a text is a change after its page.
with socket.create_connection(("127.0.0.1", port), timeout=60) as s:
    s.sendall(f"GET /events?after={after} HTTP/1.1\r\nHost: {here}\r\n\r\n".encode())
    data = b""
    while b"\r\n\r\n" not in data:
        data += s.recv(4096)
    if b"text/event-stream" not in data:
        sys.exit(f"events answered {data!r}")
    with open(text, "a", encoding="utf-8") as f:
        f.write("\n")
    deadline = time.time() + 60
    while b"event: change\ndata: " not in data and time.time() < deadline:
        data += s.recv(4096)
    event = re.search(rb"event: change\ndata: (\d+)\n\n", data)
    if not event or int(event.group(1)) <= int(after):
        sys.exit(f"no change after {after} in {data!r}")
PY
pass "watch serves the page, its events tell of an edit, other hosts get 403, other paths 404, an endless head 431, a large body 413, a fresh page beside 30 slow clients and 20 open pages"

status=0
output=$(wine scenario-tool.exe watch folder -o other.html --port "$port" 2>&1) || status=$?
[ "$status" -ne 0 ] || fail "a second watch on port $port started:"$'\n'"$output"
[[ "$output" == *"cannot listen on 127.0.0.1:$port: the port may be taken"* ]] ||
  fail "a second watch on port $port says otherwise:"$'\n'"$output"
pass "a second watch on the same port is refused"

kill "$watch_pid"
wait "$watch_pid" 2>/dev/null || true
