#!/usr/bin/env python3
"""Writes the GIF codec's test fixtures into tests/data/gif/, block by block.

Each fixture shows one case of the reader (tolerated oddities, broken data,
the extension kinds, disposal and loop blocks). The LZW data is written by
the small encoder below or, where a case needs particular codes, code by code.
Run from the repository root: python3 tools/make_gif_fixtures.py
"""
import os
import struct

OUT = os.path.join(os.path.dirname(__file__), "..", "tests", "data", "gif")


def u16(v):
    return struct.pack("<H", v)


def screen(w, h, colors=None, bg=0, aspect=0, sig=b"GIF89a"):
    """Signature, logical screen descriptor and the global table."""
    if colors is None:
        return sig + u16(w) + u16(h) + bytes([0, bg, aspect])
    n = 1
    while (1 << n) < len(colors):
        n += 1
    table = b"".join(bytes(c) for c in colors) + b"\0\0\0" * ((1 << n) - len(colors))
    return sig + u16(w) + u16(h) + bytes([0x80 | ((n - 1) << 4) | (n - 1), bg, aspect]) + table


def descriptor(left, top, w, h, interlaced=False, local=None):
    packed = 0x40 if interlaced else 0
    table = b""
    if local is not None:
        n = 1
        while (1 << n) < len(local):
            n += 1
        packed |= 0x80 | (n - 1)
        table = b"".join(bytes(c) for c in local) + b"\0\0\0" * ((1 << n) - len(local))
    return b"," + u16(left) + u16(top) + u16(w) + u16(h) + bytes([packed]) + table


def gce(delay=0, disposal=0, transparent=None, size=4):
    packed = (disposal << 2) | (1 if transparent is not None else 0)
    return b"!\xf9" + bytes([size, packed]) + u16(delay) + bytes([transparent or 0, 0])


def subblocks(data):
    out = b""
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out += bytes([len(chunk)]) + chunk
    return out + b"\0"


def pack_codes(codes):
    """(code, width) pairs, least significant bit first."""
    acc = nbits = 0
    out = bytearray()
    for code, width in codes:
        acc |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


def lzw_codes(pixels, min_size):
    """A plain LZW encoder; returns (code, width) pairs with clear and end."""
    clear, end = 1 << min_size, (1 << min_size) + 1
    width = min_size + 1
    table = {bytes([i]): i for i in range(clear)}
    nxt = end + 1
    codes = [(clear, width)]
    if not pixels:
        return codes + [(end, width)]
    prefix = bytes([pixels[0]])
    for p in pixels[1:]:
        s = prefix + bytes([p])
        if s in table:
            prefix = s
            continue
        codes.append((table[prefix], width))
        if nxt < 4096:
            table[s] = nxt
            nxt += 1
            if nxt > (1 << width) and width < 12:
                width += 1
        else:
            codes.append((clear, width))
            table = {bytes([i]): i for i in range(clear)}
            nxt = end + 1
            width = min_size + 1
        prefix = bytes([p])
    codes.append((table[prefix], width))
    codes.append((end, width))
    return codes


def image_data(pixels, min_size=2):
    return bytes([min_size]) + subblocks(pack_codes(lzw_codes(pixels, min_size)))


def interlace(rows):
    """Rows in interlaced order."""
    order = list(range(0, len(rows), 8)) + list(range(4, len(rows), 8)) + \
        list(range(2, len(rows), 4)) + list(range(1, len(rows), 2))
    return [rows[i] for i in order]


def loop_ext(loops, ident=b"NETSCAPE2.0"):
    return b"!\xff\x0b" + ident + b"\x03\x01" + u16(loops) + b"\0"


PAL4 = [(0, 0, 0), (255, 0, 0), (0, 255, 0), (0, 0, 255)]
TRAILER = b";"


def simple(w=4, h=2, pixels=None, extra=b""):
    pixels = pixels if pixels is not None else [(i % 4) for i in range(w * h)]
    return screen(w, h, PAL4) + extra + descriptor(0, 0, w, h) + image_data(pixels) + TRAILER


def fixtures():
    f = {}
    f["junk_prefix"] = b"JUNK" + simple()
    f["lowercase_signature"] = b"gif89a" + simple()[6:]
    base = simple()
    cut = len(screen(4, 2, PAL4))
    f["zero_bytes_between_blocks"] = base[:cut] + b"\0\0\0" + base[cut:-1] + b"\0\0" + TRAILER
    f["trailing_comment_frame"] = simple()[:-1] + b"!\xfe" + subblocks(b"after") + TRAILER
    f["width_zero"] = screen(3, 2, PAL4) + descriptor(0, 0, 0, 5) + image_data([1, 2, 3, 0, 1, 2]) + TRAILER
    f["label_0x33"] = simple()[:-1] + b"!\x33\x01\x00\x00" + descriptor(0, 0, 4, 2) + \
        image_data([0] * 8) + TRAILER
    f["one_pixel_code_size_2"] = screen(1, 1, PAL4) + descriptor(0, 0, 1, 1) + \
        bytes([2]) + subblocks(pack_codes([(4, 3), (2, 3), (5, 3)])) + TRAILER
    # Data for 16 x 4 pixels of which only the first half is present.
    half = [(i % 3) + 1 for i in range(64)]
    # A clear code before every two codes keeps the width at 3 bits.
    codes = []
    for i, p in enumerate(half[:32]):
        if i % 2 == 0:
            codes.append((4, 3))
        codes.append((p, 3))
    f["truncated_half"] = screen(16, 4, PAL4) + gce(transparent=2) + descriptor(0, 0, 16, 4) + \
        bytes([2]) + subblocks(pack_codes(codes)) + b"!\xfe" + subblocks(b"next") + TRAILER
    f["truncated_half_interlaced"] = screen(16, 4, PAL4) + descriptor(0, 0, 16, 4, True) + \
        bytes([2]) + subblocks(pack_codes(codes)) + TRAILER
    rows5 = [[r] * 3 for r in range(5)]
    f["interlace_height5"] = screen(3, 5, [(i * 40, 0, 0) for i in range(5)]) + \
        descriptor(0, 0, 3, 5, True) + image_data(sum(interlace(rows5), []), 3) + TRAILER
    f["repeated_clears"] = screen(4, 1, PAL4) + descriptor(0, 0, 4, 1) + bytes([2]) + subblocks(
        pack_codes([(4, 3), (4, 3), (4, 3), (1, 3), (2, 3), (3, 3), (0, 4), (5, 4)])) + TRAILER
    # 1, then 6 (= 1 1, the string not yet in the table), then 7 (= 1 1 1).
    f["kwkwk"] = screen(6, 1, PAL4) + descriptor(0, 0, 6, 1) + bytes([2]) + subblocks(
        pack_codes([(4, 3), (1, 3), (6, 3), (7, 3), (5, 4)])) + TRAILER
    # Code 6 read straight after the clear code, then 0: entry 6 gets itself
    # as prefix, and reading 6 again meets the loop.
    f["circular_table"] = simple()[:-1] + descriptor(0, 0, 16, 1) + bytes([2]) + subblocks(
        pack_codes([(4, 3), (6, 3), (0, 3), (6, 3), (5, 3)])) + TRAILER
    # Entries 6 and 7 become each other's prefix; unwinding 6 never ends.
    f["stack_overflow"] = simple()[:-1] + descriptor(0, 0, 16, 1) + bytes([2]) + subblocks(
        pack_codes([(4, 3), (7, 3), (6, 3), (0, 3), (6, 4), (5, 4)])) + TRAILER
    f["code_size_12"] = screen(2, 2, PAL4) + descriptor(0, 0, 2, 2) + bytes([12]) + \
        subblocks(b"\x00\x00") + TRAILER
    # 226 groups of (clear, pixel, pixel) at 3 bits and the end code pack
    # into exactly 255 bytes.
    codes = []
    for i in range(226):
        codes += [(4, 3), (i % 4, 3), ((i + 1) % 4, 3)]
    data = pack_codes(codes + [(5, 3)])
    assert len(data) == 255, len(data)
    f["exactly_255_bytes"] = screen(452, 1, PAL4) + descriptor(0, 0, 452, 1) + \
        bytes([2]) + subblocks(data) + TRAILER
    f["end_after_clear"] = screen(4, 1, PAL4) + gce(transparent=3) + descriptor(0, 0, 4, 1) + bytes([2]) + \
        subblocks(pack_codes([(4, 3), (5, 3)])) + TRAILER
    for d in (1, 2, 3):
        f["disposal_%d" % d] = screen(4, 4, PAL4, bg=3) + \
            gce(delay=5, disposal=0) + descriptor(0, 0, 4, 4) + image_data([1] * 16) + \
            gce(delay=6, disposal=d) + descriptor(1, 1, 2, 2) + image_data([2] * 4) + \
            gce(delay=7, disposal=0, transparent=0) + descriptor(0, 0, 4, 1) + image_data([0, 0, 3, 0]) + \
            TRAILER
    f["loop_0"] = simple(extra=loop_ext(0))
    f["loop_3"] = simple(extra=loop_ext(3))
    f["loop_absent"] = simple()
    f["loop_two"] = screen(2, 1, PAL4) + loop_ext(3) + descriptor(0, 0, 2, 1) + image_data([1, 2]) + \
        loop_ext(7, b"ANIMEXTS1.0") + descriptor(0, 0, 2, 1) + image_data([2, 1]) + TRAILER
    f["gce_size_5"] = screen(2, 1, PAL4) + gce(delay=9, size=5) + descriptor(0, 0, 2, 1) + \
        image_data([3, 1]) + TRAILER
    f["app_size_10"] = simple(extra=b"!\xff\x0a" + b"ABCDEFGHIJ" + b"\x02\x01\x02\0")
    f["app_size_12"] = simple(extra=b"!\xff\x0c" + b"ABCDEFGHIJKL" + b"\x03\x07\x08\x09\0")
    text = (b"x" * 98 + b"\r\n") * 3
    assert len(text) == 300
    f["comment_300"] = simple(extra=b"!\xfe" + subblocks(text))
    f["unknown_app"] = simple(extra=b"!\xff\x0bXMP DataXMP" + b"\x04abcd\x02ef\0")
    f["animation"] = screen(5, 3, PAL4) + loop_ext(0) + \
        gce(delay=10, disposal=1) + descriptor(0, 0, 5, 3, local=[(9, 9, 9), (200, 100, 50)]) + \
        image_data([i % 2 for i in range(15)], 2) + \
        gce(delay=20, disposal=2, transparent=0) + descriptor(1, 1, 3, 2, True) + \
        image_data(sum(interlace([[1, 2, 3], [3, 2, 1]]), []), 2) + TRAILER
    return f


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, data in sorted(fixtures().items()):
        with open(os.path.join(OUT, name + ".gif"), "wb") as fh:
            fh.write(data)
    print("wrote %d fixtures to %s" % (len(fixtures()), os.path.normpath(OUT)))


if __name__ == "__main__":
    main()
