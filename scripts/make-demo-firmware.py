#!/usr/bin/env python3
"""Writes the sample firmware of the demo medium (demo/medium/Firmware).

A Motorola S-record file as printer firmware comes: a header record, data
records of 32 bytes with their addresses and checksums, an end record.  Its
content is made-up filler, the same on every run; the file is committed,
this script re-creates it.  The installer sends the file's bytes as they are."""
import os

OUT = os.path.join(os.path.dirname(__file__), "..", "demo", "medium", "Firmware")
NAME = "OP-730K_V1.18_demo.mot"
DATA_BYTES = 32 * 1024
PER_RECORD = 32


def record(kind: str, payload: bytes) -> str:
    body = bytes([len(payload) + 1]) + payload
    checksum = (~sum(body)) & 0xFF
    return kind + body.hex().upper() + f"{checksum:02X}\r\n"


def main() -> None:
    os.makedirs(OUT, exist_ok=True)
    lines = [record("S0", b"\x00\x00" + b"OP-730K V1.18 DEMO")]
    state = 0x1234567
    for address in range(0, DATA_BYTES, PER_RECORD):
        chunk = bytearray()
        for _ in range(PER_RECORD):
            state = (state * 1103515245 + 12345) & 0x7FFFFFFF
            chunk.append(state >> 16 & 0xFF)
        lines.append(record("S3", address.to_bytes(4, "big") + bytes(chunk)))
    lines.append(record("S7", (0).to_bytes(4, "big")))
    with open(os.path.join(OUT, NAME), "w", newline="") as f:
        f.write("".join(lines))


if __name__ == "__main__":
    main()
