#!/usr/bin/env python3
"""Writes the benchmark inputs: one 1 MiB firmware image as Intel hex with
16-byte and with 32-byte records (20-bit segment addressing: an extended
segment address record opens every 64 KiB) and as S-records (S2, 32 bytes per
record). The data is pseudo-random from a fixed seed, so every run converts
the same bytes. Also writes the image itself (image.bin) for comparisons.

usage: make_images.py OUTDIR [SIZE_BYTES]
"""
import os
import random
import sys


def checksum(record_bytes):
    return (-sum(record_bytes)) & 0xFF


def intel_record(record_type, offset, data):
    body = bytes([len(data), (offset >> 8) & 0xFF, offset & 0xFF, record_type]) + data
    return ":" + body.hex().upper() + "%02X" % checksum(body) + "\n"


def intel_hex(image, record_bytes):
    lines = []
    for segment_start in range(0, len(image), 0x10000):
        segment = segment_start >> 4
        lines.append(intel_record(0x02, 0, bytes([segment >> 8, segment & 0xFF])))
        end = min(segment_start + 0x10000, len(image))
        for at in range(segment_start, end, record_bytes):
            lines.append(intel_record(0x00, at - segment_start, image[at:min(at + record_bytes, end)]))
    lines.append(intel_record(0x01, 0, b""))
    return "".join(lines)


def s_record(kind, address_bytes, address, data):
    body = bytes([address_bytes + len(data) + 1]) + address.to_bytes(address_bytes, "big") + data
    return "S%d" % kind + body.hex().upper() + "%02X" % ((~sum(body)) & 0xFF) + "\n"


def s_records(image, record_bytes):
    lines = [s_record(0, 2, 0, b"bench")]
    for at in range(0, len(image), record_bytes):
        lines.append(s_record(2, 3, at, image[at:at + record_bytes]))
    lines.append(s_record(8, 3, 0, b""))
    return "".join(lines)


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    out = sys.argv[1]
    size = int(sys.argv[2], 0) if len(sys.argv) == 3 else 1 << 20
    if size > 1 << 20:
        sys.exit("segment addressing reaches 1 MiB at most")
    os.makedirs(out, exist_ok=True)
    image = random.Random(20261206).randbytes(size)
    outputs = {
        "image.bin": image,
        "image-16.hex": intel_hex(image, 16).encode(),
        "image-32.hex": intel_hex(image, 32).encode(),
        "image.srec": s_records(image, 32).encode(),
    }
    for name, content in outputs.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(content)


if __name__ == "__main__":
    main()
