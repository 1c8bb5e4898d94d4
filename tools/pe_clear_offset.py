#!/usr/bin/env python3
"""Keeps bytes 128..131 of a PE executable zero.

The runtime reads the offset of an appended program from byte 128 of its own
file. GNU ld places the PE signature exactly there, so the runtime would
believe every build has a program appended. This moves the PE headers
(signature, file header, optional header, section table) further into the
header area and updates e_lfanew. It refuses, without writing, when the moved
headers would not fit in front of the first section's data.
"""
import struct
import sys

NEW_OFFSET = 0x90


def fix(path):
    data = bytearray(open(path, "rb").read())
    if data[:2] != b"MZ":
        sys.exit(f"{path}: not an executable")
    lfanew = struct.unpack_from("<I", data, 0x3C)[0]
    if data[lfanew:lfanew + 4] != b"PE\0\0":
        sys.exit(f"{path}: no PE signature at {lfanew:#x}")
    if lfanew >= 132:
        return  # already clear of bytes 128..131
    n_sections, = struct.unpack_from("<H", data, lfanew + 6)
    opt_size, = struct.unpack_from("<H", data, lfanew + 20)
    headers_end = lfanew + 24 + opt_size + 40 * n_sections
    # SizeOfHeaders is at offset 60 of the optional header in both PE32 and PE32+.
    size_of_headers, = struct.unpack_from("<I", data, lfanew + 24 + 60)
    first_raw = min((struct.unpack_from("<I", data, lfanew + 24 + opt_size + 40 * k + 20)[0]
                     for k in range(n_sections)
                     if struct.unpack_from("<I", data, lfanew + 24 + opt_size + 40 * k + 20)[0]),
                    default=size_of_headers)
    limit = min(size_of_headers, first_raw)
    new_end = NEW_OFFSET + (headers_end - lfanew)
    if new_end > limit:
        sys.exit(f"{path}: headers would not fit ({new_end:#x} > {limit:#x})")
    block = bytes(data[lfanew:headers_end])
    data[lfanew:headers_end] = bytes(headers_end - lfanew)
    data[NEW_OFFSET:new_end] = block
    struct.pack_into("<I", data, 0x3C, NEW_OFFSET)
    assert data[128:132] == b"\0\0\0\0"
    open(path, "wb").write(bytes(data))


if __name__ == "__main__":
    for p in sys.argv[1:]:
        fix(p)
