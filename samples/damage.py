#!/usr/bin/env python3
"""Damages a compound-file presentation the way a broken disk or a failed copy does.

Usage: damage.py INPUT OUTPUT

The output is a copy of INPUT whose compound-file header, sector allocation table
(FAT) and directory are overwritten with zeros, so that no reader that trusts the
container can open it. The streams themselves (the presentation's records and its
pictures) stay where they were. INPUT is never modified.
"""

import struct
import sys

HEADER_SIZE = 512
END_OF_CHAIN = 0xFFFFFFFE
MAX_REGULAR_SECTOR = 0xFFFFFFFA


def sector_offset(index, sector_size):
    return HEADER_SIZE + index * sector_size if sector_size == 512 else (index + 1) * sector_size


def read_layout(data):
    """Returns (sector size, FAT sector indexes, directory sector indexes)."""
    if data[:8] != bytes.fromhex("d0cf11e0a1b11ae1"):
        raise ValueError("not a compound file")
    sector_size = 1 << struct.unpack_from("<H", data, 0x1E)[0]
    fat_count = struct.unpack_from("<I", data, 0x2C)[0]
    first_directory = struct.unpack_from("<I", data, 0x30)[0]
    fat_sectors = [s for s in struct.unpack_from("<109I", data, 0x4C)[:fat_count]]
    fat = []
    for s in fat_sectors:
        start = sector_offset(s, sector_size)
        fat.extend(struct.unpack_from("<%dI" % (sector_size // 4), data, start))
    directory = []
    s = first_directory
    while s <= MAX_REGULAR_SECTOR and s < len(fat) and s not in directory:
        directory.append(s)
        s = fat[s]
    return sector_size, fat_sectors, directory


def damage(data):
    data = bytearray(data)
    sector_size, fat_sectors, directory = read_layout(data)
    for s in fat_sectors + directory:
        start = sector_offset(s, sector_size)
        data[start:start + sector_size] = bytes(sector_size)
    data[:HEADER_SIZE] = bytes(HEADER_SIZE)
    return bytes(data)


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    with open(argv[1], "rb") as f:
        original = f.read()
    with open(argv[2], "wb") as f:
        f.write(damage(original))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
