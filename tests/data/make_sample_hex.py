#!/usr/bin/env python3
"""Writes sample.hex: a firmware-like Intel HEX image for end-to-end tests and the demo.

Three sections, as a linker would lay them out: code from 0000, a table that starts
and ends off a 16-byte boundary, and a configuration block that ends right below
3E60 (where a PHX file's end record lives). The bytes come from SHA-256 over a counter,
so no two 16-byte records are alike. Run it again to get the same file byte for byte.
"""

import hashlib
import pathlib

SECTIONS = [  # (first byte address, length)
    (0x0000, 0x0FF8),
    (0x2004, 0x06A0),
    (0x3E00, 0x0060),
]
BYTES_PER_LINE = 16


def content(total):
    out = bytearray()
    counter = 0
    while len(out) < total:
        out += hashlib.sha256(b"vantrel sample %d" % counter).digest()
        counter += 1
    return bytes(out[:total])


def record(address, rtype, data):
    body = bytes([len(data), address >> 8 & 0xFF, address & 0xFF, rtype]) + data
    checksum = -sum(body) & 0xFF
    return ":" + (body + bytes([checksum])).hex().upper()


def main():
    lines = [record(0, 0x04, bytes([0, 0]))]  # extended linear address 0, as many tools emit
    data = content(sum(length for _, length in SECTIONS))
    taken = 0
    for start, length in SECTIONS:
        for offset in range(0, length, BYTES_PER_LINE):
            chunk = data[taken + offset:taken + min(offset + BYTES_PER_LINE, length)]
            lines.append(record(start + offset, 0x00, chunk))
        taken += length
    lines.append(record(0, 0x01, b""))
    path = pathlib.Path(__file__).with_name("sample.hex")
    path.write_text("\n".join(lines) + "\n", encoding="ascii", newline="\n")


if __name__ == "__main__":
    main()
