#!/usr/bin/env python3
"""Replays a hostile probe of the CAD simulator's automation server.

Starts cadsim (from a build folder's bin/) on a sample drawing, in a private
runtime folder, and puts it through one case at a time:

  connections   2,000 connection attempts, held open, never greeting
  huge-frames   calls announcing 1,000,000 by-ref arguments, sent whole
  idle          200 sessions that greet (asking for shared memory) and idle
  half-frames   50 sessions that stop half way through a frame
  stopped-peer  client processes stopped with SIGSTOP: one in the middle of
                a frame, one that sent a call and never reads the answer

For each case it prints whether the server lived, whether it served a normal
client during and after the case, its peak RSS in the case, its thread count
and its CPU time while the case's connections sat idle.

usage: bench/remote/probe_server.py [BUILD_FOLDER]   (default: build)
"""

import array
import os
import resource
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time

MAGIC = 0x41524456
VERSION = 3
SHARED_RINGS = 1
HELLO, WELCOME, INVOKE, RESULT, FAILURE = 1, 2, 3, 4, 5
METHOD_OR_GET = 2


def frame(payload):
    return struct.pack("<I", len(payload)) + payload


def hello(options=0):
    return frame(struct.pack("<BIHB", HELLO, MAGIC, VERSION, options))


def text(s):
    data = s.encode("utf-16-le")
    return struct.pack("<I", len(data) // 2) + data


def invoke(object_id, member, args=b"", count=0):
    return frame(struct.pack("<BQB", INVOKE, object_id, METHOD_OR_GET) + text(member) + struct.pack("<I", count) + args)


def recv_exactly(sock, n):
    data = b""
    while len(data) < n:
        chunk = sock.recv(n - len(data))
        if not chunk:
            raise ConnectionError("closed")
        data += chunk
    return data


def read_frame(sock):
    (length,) = struct.unpack("<I", recv_exactly(sock, 4))
    return recv_exactly(sock, length)


class Server:
    def __init__(self, build):
        self.folder = tempfile.TemporaryDirectory(prefix="vedoris-probe-")
        run = os.path.join(self.folder.name, "run")
        os.mkdir(run, 0o700)
        self.path = os.path.join(run, "vedoris-automation-autocad.application")
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=run,
                   XDG_DATA_HOME=os.path.join(self.folder.name, "data"),
                   XDG_CONFIG_HOME=os.path.join(self.folder.name, "config"))
        root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
        self.process = subprocess.Popen(
            [os.path.join(build, "bin", "cadsim"), "--settings", os.path.join(self.folder.name, "cadsim.ini"),
             os.path.join(root, "samples", "pipes.dxf")], env=env, stderr=subprocess.DEVNULL)
        for _ in range(400):
            if self.serves():
                return
            time.sleep(0.05)
        raise RuntimeError("cadsim did not come up")

    def alive(self):
        return self.process.poll() is None and os.path.exists(self.path)

    def connect(self):
        sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        sock.connect(self.path)
        return sock

    def serves(self):
        """A normal client: greets, reads the Version, and goes."""
        try:
            with self.connect() as sock:
                sock.settimeout(10)
                sock.sendall(hello())
                answer = read_frame(sock)
                if answer[0] != WELCOME:
                    return False
                (root,) = struct.unpack_from("<Q", answer, 3)
                sock.sendall(invoke(root, "Version"))
                return read_frame(sock)[0] == RESULT
        except OSError:
            return False

    def status(self, key):
        with open(f"/proc/{self.process.pid}/status") as f:
            for line in f:
                if line.startswith(key + ":"):
                    return int(line.split()[1])
        return 0

    def reset_peak(self):
        try:
            with open(f"/proc/{self.process.pid}/clear_refs", "w") as f:
                f.write("5")  # resets the peak RSS
        except OSError:
            pass

    def cpu_ms(self):
        with open(f"/proc/{self.process.pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) * 1000 / os.sysconf("SC_CLK_TCK")

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGCONT)
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
        self.folder.cleanup()


def refused(sock):
    """True when the server answered with a Failure (the connection limit) or closed."""
    try:
        sock.settimeout(0.5)
        return read_frame(sock)[0] == FAILURE
    except (OSError, ConnectionError):
        return True


def case_connections(server, report):
    held = []
    for _ in range(2000):
        try:
            held.append(server.connect())
        except OSError:
            break
    time.sleep(0.5)
    during = server.serves()
    turned_away = sum(1 for s in held[-200:] if refused(s))
    threads = server.status("Threads")
    for s in held:
        s.close()
    report("connections", during, f"{len(held)} held ({threads} threads meanwhile); "
                                  f"of the last 200, {turned_away} refused at once")


def case_huge_frames(server, report):
    arguments = b"\x01\x00" * 1_000_000  # by-ref Empty, a million times
    took = []
    for _ in range(5):
        with server.connect() as sock:
            sock.settimeout(30)
            sock.sendall(hello())
            read_frame(sock)
            start = time.monotonic()
            try:
                sock.sendall(invoke(1, "Version", arguments, 1_000_000))
                sock.recv(1)
            except OSError:
                pass
            took.append(time.monotonic() - start)
    report("huge-frames", server.serves(), f"5 sent; each refused within {max(took) * 1000:.0f} ms")


def case_idle(server, report):
    before = server.status("VmRSS")
    held, granted = [], 0
    for _ in range(200):
        sock = server.connect()
        sock.settimeout(5)
        try:
            sock.sendall(hello(SHARED_RINGS))
        except OSError:
            pass  # turned away before it could greet
        try:
            message, fds, _, _ = socket.recv_fds(sock, 64, 4)
            for fd in fds:
                os.close(fd)
            if message[4] == WELCOME:
                granted += 1
        except (OSError, IndexError):
            pass
        held.append(sock)
    time.sleep(0.5)
    cpu = server.cpu_ms()
    time.sleep(2)
    idle_cpu = server.cpu_ms() - cpu
    per_session = (server.status("VmRSS") - before) / max(granted, 1)
    during = server.serves()
    threads = server.status("Threads")
    for s in held:
        s.close()
    report("idle", during, f"{granted} sessions taken ({threads} threads), {len(held) - granted} refused; "
                           f"{per_session:.0f} kB RSS per idle session; CPU over 2 s idle: {idle_cpu:.0f} ms")


def case_half_frames(server, report):
    held = []
    for _ in range(50):
        sock = server.connect()
        sock.sendall(hello())
        read_frame(sock)
        sock.sendall(struct.pack("<I", 1000) + b"\x03\x01\x00")
        held.append(sock)
    during = server.serves()
    time.sleep(11)  # the server's frame time-out is 10 s
    dropped = sum(1 for s in held if refused(s))
    for s in held:
        s.close()
    report("half-frames", during, f"{dropped} of {len(held)} dropped after the frame time-out")


PEER = r"""
import socket, struct, sys, time
sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
sock.connect(sys.argv[1])
sock.sendall(struct.pack("<IBIHB", 8, 1, 0x41524456, 2, 0))
length, = struct.unpack("<I", sock.recv(4)); sock.recv(length)
if sys.argv[2] == "half":
    sock.sendall(struct.pack("<I", 1000) + b"\x03\x01")
else:
    name = "Version".encode("utf-16-le")
    payload = struct.pack("<BQB", 3, 1, 2) + struct.pack("<I", 7) + name + struct.pack("<I", 0)
    sock.sendall(struct.pack("<I", len(payload)) + payload)
print("ready", flush=True)
time.sleep(3600)
"""


def case_stopped_peer(server, report):
    peers = []
    for how in ("half", "call"):
        p = subprocess.Popen([sys.executable, "-c", PEER, server.path, how], stdout=subprocess.PIPE, text=True)
        p.stdout.readline()
        p.send_signal(signal.SIGSTOP)
        peers.append(p)
    during = server.serves()
    threads_during = server.status("Threads")
    time.sleep(11)
    threads_after = server.status("Threads")
    for p in peers:
        p.send_signal(signal.SIGCONT)
        p.kill()
        p.wait()
    report("stopped-peer", during, f"{threads_during} threads with both stopped, "
                                   f"{threads_after} after the frame time-out")


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build"
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (min(hard, 4096), hard))
    server = Server(build)
    print(f"cadsim pid {server.process.pid}: {server.status('VmRSS')} kB RSS, "
          f"{server.status('Threads')} threads at rest")
    print(f"{'case':<14}{'lived':<7}{'served during':<15}{'served after':<14}{'peak RSS':>10}{'threads':>9}  notes")

    def report(name, during, notes):
        time.sleep(0.3)
        after = server.serves()
        print(f"{name:<14}{'yes' if server.alive() else 'NO':<7}{'yes' if during else 'no':<15}"
              f"{'yes' if after else 'NO':<14}{server.status('VmHWM'):>7} kB{server.status('Threads'):>9}  {notes}",
              flush=True)

    try:
        for case in (case_connections, case_huge_frames, case_idle, case_half_frames, case_stopped_peer):
            server.reset_peak()
            if not server.alive():
                print(f"{case.__name__}: the server is gone")
                break
            case(server, report)
    finally:
        server.stop()


if __name__ == "__main__":
    main()
