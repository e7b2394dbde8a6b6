#!/usr/bin/env python3
"""A stranger floods the client's port, then the server pushes one message.

   flood.py <client port> <datagrams> <server pid> <server log>

Sends the datagrams (each a few bytes that look like nothing the client
knows) from a socket of its own, then sends SIGHUP to the demo server, which
pushes one chat line, and watches the server's log for 3 s. Prints the
milliseconds from the push to the first new "ACK" line (-1 when none came)
and how many new "ACK" lines came in all: the server resends an
unacknowledged message every 2 s, so a late answer shows as more than one.
"""
import os
import signal
import socket
import sys
import time


def ack_lines(path):
    with open(path, errors="replace") as log:
        return sum(1 for line in log if line.startswith("ACK "))


def main():
    port, count, server_pid, log = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
    stranger = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    stranger.bind(("127.0.0.1", 0))
    for i in range(count):
        stranger.sendto(b"xx" + i.to_bytes(4, "little"), ("127.0.0.1", port))
    before = ack_lines(log)
    pushed = time.monotonic()
    os.kill(server_pid, signal.SIGHUP)
    first = -1
    while time.monotonic() - pushed < 3.0:
        if first < 0 and ack_lines(log) > before:
            first = int((time.monotonic() - pushed) * 1000)
        time.sleep(0.005)
    print(first, ack_lines(log) - before)


if __name__ == "__main__":
    main()
