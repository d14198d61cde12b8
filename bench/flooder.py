#!/usr/bin/env python3
"""Floods an interface with unrelated HomePlug frames at a set rate, for the flood bench.

Frames alternate between a 0x88E1 vendor message with an MMTYPE no request expects (0xA0FE) and
a 0x887B HomePlug 1.0 frame, both addressed to DST (never broadcast). Runs until killed or for
SECONDS; creates READY-FILE once the first frame is out; prints the number of frames sent and
the time taken on exit.
usage: flooder.py IFACE RATE DST-MAC SRC-MAC [SECONDS [READY-FILE]]
"""
import signal
import socket
import sys
import time

stop = False


def finish(*_):
    global stop
    stop = True


signal.signal(signal.SIGTERM, finish)
signal.signal(signal.SIGINT, finish)


def mac(text):
    return bytes(int(part, 16) for part in text.split(":"))


def main():
    iface, rate, dst, src = sys.argv[1], float(sys.argv[2]), mac(sys.argv[3]), mac(sys.argv[4])
    seconds = float(sys.argv[5]) if len(sys.argv) > 5 else 3600.0
    ready = sys.argv[6] if len(sys.argv) > 6 else None
    av = dst + src + b"\x88\xe1" + b"\x00" + (0xA0FE).to_bytes(2, "little") + b"\x00\xb0\x52" + b"\x5a"
    hp10 = dst + src + b"\x88\x7b" + b"\x01\x07"
    frames = [av.ljust(60, b"\x00"), hp10.ljust(60, b"\x00")]
    sock = socket.socket(socket.AF_PACKET, socket.SOCK_RAW)
    sock.bind((iface, 0))
    sent = 0
    sock.send(frames[0])
    sent = 1
    if ready:
        open(ready, "w").close()
    start = time.monotonic()
    while not stop:
        elapsed = time.monotonic() - start
        if elapsed >= seconds:
            break
        due = int(elapsed * rate)
        if sent >= due:
            time.sleep(min(0.001, (sent + 1) / rate - elapsed))
            continue
        while sent < due and not stop:
            try:
                sock.send(frames[sent & 1])
            except OSError:
                pass  # a full queue drops the frame, as a busy wire would
            sent += 1
    print(f"sent={sent} seconds={time.monotonic() - start:.3f}", flush=True)


if __name__ == "__main__":
    main()
