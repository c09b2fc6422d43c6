#!/usr/bin/env python3
"""Writes the example firmware for the default virtual projector (platform
"PJX2000-A1", partitions 4,100000,0,10000,80000,F0000): an Intel hex file with
an identification record and data in partitions 0 and 1, an S-record file for
partition 3 with the platform in its S0 header, and a .DLD list naming both.
Run it from anywhere; the files land next to it."""

import os

PLATFORM = b"PJX2000-A1"
HERE = os.path.dirname(os.path.abspath(__file__))


def checksum(data):
    return (-sum(data)) & 0xFF


def intel_record(kind, offset, data):
    fields = bytes([len(data), offset >> 8, offset & 0xFF, kind]) + data
    return ":" + fields.hex().upper() + "%02X" % checksum(fields)


def s_record(kind, address, data):
    width = {0: 2, 1: 2, 2: 3, 8: 3}[kind]
    fields = bytes([width + len(data) + 1]) + address.to_bytes(width, "big") + data
    return "S%d" % kind + fields.hex().upper() + "%02X" % ((~sum(fields)) & 0xFF)


def pattern(address, length, seed):
    # Recognisable firmware bytes, never 0xFF (erased flash).
    return bytes(((a * 7 + seed + (a >> 8)) % 255) for a in range(address, address + length))


def intel_block(lines, start, length, seed):
    # 16-byte data records; an extended segment record for every 64 KiB.
    segment = None
    for address in range(start, start + length, 16):
        if address >> 16 != segment:
            segment = address >> 16
            lines.append(intel_record(0x02, 0, (segment << 12).to_bytes(2, "big")))
        lines.append(intel_record(0x00, address & 0xFFFF, pattern(address, 16, seed)))


def write_hex(path):
    lines = [intel_record(0x0F, 0, PLATFORM)]
    intel_block(lines, 0x00000, 0x4000, 0x11)  # partition 0: boot loader, 16 KiB
    intel_block(lines, 0x10000, 0x10000, 0x42)  # partition 1: main program, 64 KiB
    lines.append(intel_record(0x01, 0, b""))
    with open(path, "w", newline="\n") as out:
        out.write("\n".join(lines) + "\n")


def write_srec(path):
    lines = [s_record(0, 0, PLATFORM)]
    for address in range(0xF0000, 0xF0800, 32):  # partition 3: configuration, 2 KiB
        lines.append(s_record(2, address, pattern(address, 32, 0x77)))
    lines.append(s_record(8, 0xF0000, b""))
    with open(path, "w", newline="\n") as out:
        out.write("\n".join(lines) + "\n")


def write_list(path):
    with open(path, "w", newline="\n") as out:
        out.write("; The demo download: the main firmware, then the configuration.\n"
                  "[DownloadFiles]\n"
                  "File=\"pjx2000-main.hex\"\n"
                  "File=\"pjx2000-config.mot\"\n")


if __name__ == "__main__":
    write_hex(os.path.join(HERE, "pjx2000-main.hex"))
    write_srec(os.path.join(HERE, "pjx2000-config.mot"))
    write_list(os.path.join(HERE, "demo.dld"))
