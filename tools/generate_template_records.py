#!/usr/bin/env python3
"""Writes engine/format/template_records_data.inc, the fixed records the rebuilt
presentation stream and the "Current User" stream are made of.

Most bytes come from two small presentations saved by PowerPoint
(Single_Coloured_Page.ppt and basic_test_ppt_file.ppt); the rest is built here from
known values. Every block is checked for its structure and size before it is written,
so a changed input file fails loudly instead of producing a wrong table.

Usage: generate_template_records.py [--corpus DIR] [--output FILE]
Standard library only; the output is byte-for-byte reproducible.
"""

import argparse
import hashlib
import os
import struct
import sys

# ---------------------------------------------------------------------------
# Compound file reading (just enough to read one named stream).

END_OF_CHAIN = 0xFFFFFFFE
FREE_SECTOR = 0xFFFFFFFF
COMPOUND_SIGNATURE = bytes.fromhex("d0cf11e0a1b11ae1")


class CompoundFile:
    def __init__(self, data):
        if data[:8] != COMPOUND_SIGNATURE:
            raise ValueError("not a compound file")
        self.data = data
        self.sector_size = 1 << struct.unpack_from("<H", data, 30)[0]
        self.mini_sector_size = 1 << struct.unpack_from("<H", data, 32)[0]
        (fat_sectors, self.first_dir_sector, _, self.mini_cutoff, first_minifat,
         minifat_count, first_difat, difat_count) = struct.unpack_from("<IIIIIIII", data, 44)
        fat_sector_ids = list(struct.unpack_from("<109I", data, 76))
        sector = first_difat
        for _ in range(difat_count):
            per_sector = self.sector_size // 4
            ids = struct.unpack_from("<%dI" % per_sector, self._sector(sector))
            fat_sector_ids.extend(ids[:-1])
            sector = ids[-1]
        fat_sector_ids = fat_sector_ids[:fat_sectors]
        fat = b"".join(self._sector(s) for s in fat_sector_ids)
        self.fat = struct.unpack("<%dI" % (len(fat) // 4), fat)
        minifat = self._chain_bytes(first_minifat) if minifat_count else b""
        self.minifat = struct.unpack("<%dI" % (len(minifat) // 4), minifat)
        self.entries = self._read_directory()
        root = self.entries[0]
        self.mini_stream = self._chain_bytes(root["start"])[: root["size"]]

    def _sector(self, sector_id):
        start = (sector_id + 1) * self.sector_size
        return self.data[start : start + self.sector_size]

    def _chain_bytes(self, first):
        parts, sector, seen = [], first, set()
        while sector not in (END_OF_CHAIN, FREE_SECTOR):
            if sector in seen or sector >= len(self.fat):
                raise ValueError("broken sector chain")
            seen.add(sector)
            parts.append(self._sector(sector))
            sector = self.fat[sector]
        return b"".join(parts)

    def _read_directory(self):
        raw = self._chain_bytes(self.first_dir_sector)
        entries = []
        for pos in range(0, len(raw), 128):
            name_length = struct.unpack_from("<H", raw, pos + 64)[0]
            name = raw[pos : pos + max(name_length - 2, 0)].decode("utf-16-le")
            kind = raw[pos + 66]
            start, size = struct.unpack_from("<II", raw, pos + 116)
            entries.append({"name": name, "kind": kind, "start": start, "size": size})
        return entries

    def stream(self, name):
        for entry in self.entries:
            if entry["kind"] == 2 and entry["name"] == name:
                if entry["size"] < self.mini_cutoff:
                    return self._mini_chain_bytes(entry["start"])[: entry["size"]]
                return self._chain_bytes(entry["start"])[: entry["size"]]
        raise KeyError(name)

    def _mini_chain_bytes(self, first):
        parts, sector = [], first
        while sector not in (END_OF_CHAIN, FREE_SECTOR):
            start = sector * self.mini_sector_size
            parts.append(self.mini_stream[start : start + self.mini_sector_size])
            sector = self.minifat[sector]
        return b"".join(parts)


# ---------------------------------------------------------------------------
# Records.


def record_header(ver_inst, rec_type, length):
    return struct.pack("<HHI", ver_inst, rec_type, length)


def atom(ver_inst, rec_type, body):
    return record_header(ver_inst, rec_type, len(body)) + body


def container(ver_inst, rec_type, children):
    return atom(ver_inst, rec_type, b"".join(children))


def read_header(data, pos):
    return struct.unpack_from("<HHI", data, pos)


def records(data, start=0, end=None):
    """Yields (offset, ver_inst, type, length) of the records between start and end."""
    end = len(data) if end is None else end
    pos = start
    while pos + 8 <= end:
        ver_inst, rec_type, length = read_header(data, pos)
        if pos + 8 + length > end:
            raise ValueError("record at %d overruns its parent" % pos)
        yield pos, ver_inst, rec_type, length
        pos += 8 + length
    if pos != end:
        raise ValueError("records do not fill %d..%d" % (start, end))


def children(data, pos):
    return list(records(data, pos + 8, pos + 8 + read_header(data, pos)[2]))


def find_child(data, pos, rec_type, ver_inst=None):
    for child in children(data, pos):
        if child[2] == rec_type and (ver_inst is None or child[1] == ver_inst):
            return child
    raise ValueError("record 0x%04X not found under %d" % (rec_type, pos))


def whole(data, rec):
    return data[rec[0] : rec[0] + 8 + rec[3]]


def expect(condition, what):
    if not condition:
        raise ValueError("unexpected input: " + what)


# Record types.
DOCUMENT = 0x03E8
DOCUMENT_ATOM = 0x03E9
END_DOCUMENT = 0x03EA
SLIDE = 0x03EE
SLIDE_ATOM = 0x03EF
ENVIRONMENT = 0x03F2
MAIN_MASTER = 0x03F8
DRAWING_GROUP = 0x040B
PP_DRAWING = 0x040C
DOC_INFO_LIST = 0x07D0
SLIDE_PERSIST_ATOM = 0x03F3
TEXT_HEADER_ATOM = 0x0F9F
SLIDE_LIST_WITH_TEXT = 0x0FF0
CURRENT_USER_ATOM = 0x0FF6
OEPLACEHOLDER_ATOM = 0x0BC3
DGG_CONTAINER = 0xF000
BLIP_STORE = 0xF001
DG_CONTAINER = 0xF002
SPGR_CONTAINER = 0xF003
SP_CONTAINER = 0xF004
FDGG = 0xF006
FBSE = 0xF007
FDG = 0xF008
FSP = 0xF00A
PROPERTY_TABLE = 0xF00B
CLIENT_DATA = 0xF011
SPLIT_MENU_COLORS = 0xF11E

MASTER_SLIDE_ID = 0x80000000
FIRST_SLIDE_ID = 256
SLIDE_ATOM_LAST_FIELD = 0x0013

# ---------------------------------------------------------------------------
# Blocks taken from the saved presentations.


def document_records(document):
    """The top-level records of the first edit: Document, MainMaster, Slide..."""
    return list(records(document, 0, len(document)))


def first_of(top, rec_type):
    for rec in top:
        if rec[2] == rec_type:
            return rec
    raise ValueError("no top-level record 0x%04X" % rec_type)


def set_u16(buffer, pos, value):
    struct.pack_into("<H", buffer, pos, value)


def set_u32(buffer, pos, value):
    struct.pack_into("<I", buffer, pos, value)


def main_master_block(document, top):
    master = first_of(top, MAIN_MASTER)
    expect(8 + master[3] == 2476, "main master size")
    block = bytearray(whole(document, master))
    slide_atom = find_child(block, 0, SLIDE_ATOM)
    expect(slide_atom[1] == 0x0002 and slide_atom[3] == 24, "master slide atom")
    expect(block[slide_atom[0] + 12 : slide_atom[0] + 20] == bytes([1, 2, 7, 9, 8, 0, 0, 0]),
           "master placeholder types")
    set_u16(block, slide_atom[0] + 30, SLIDE_ATOM_LAST_FIELD)
    drawing = find_child(block, 0, PP_DRAWING)
    expect(drawing[3] == 1238, "master drawing length")
    fdg = find_child(block, find_child(block, drawing[0], DG_CONTAINER)[0], FDG)
    expect(struct.unpack_from("<II", block, fdg[0] + 8) == (6, 0x406), "master FDG")
    return bytes(block)


def trial_slide_block(document, top):
    """The corpus title slide turned into a title-and-body slide with shape ids of the
    second drawing cluster (0x804, 0x805)."""
    slide = first_of(top, SLIDE)
    expect(8 + slide[3] == 556, "slide size")
    block = bytearray(whole(document, slide))
    slide_atom = find_child(block, 0, SLIDE_ATOM)
    set_u32(block, slide_atom[0] + 8, 1)  # layout: title and body
    block[slide_atom[0] + 12 : slide_atom[0] + 20] = bytes([0x0D, 0x0E, 0, 0, 0, 0, 0, 0])
    expect(struct.unpack_from("<IIH", block, slide_atom[0] + 20) == (MASTER_SLIDE_ID, 0, 7),
           "slide atom master reference and flags")
    set_u16(block, slide_atom[0] + 30, SLIDE_ATOM_LAST_FIELD)

    drawing = find_child(block, 0, PP_DRAWING)
    expect(drawing[3] == 404, "slide drawing length")
    dg = find_child(block, drawing[0], DG_CONTAINER)
    fdg = find_child(block, dg[0], FDG)
    expect(struct.unpack_from("<I", block, fdg[0] + 8)[0] == 3, "slide FDG shape count")
    set_u32(block, fdg[0] + 12, 0x805)

    new_shape_ids = {0x802: 0x804, 0x803: 0x805}
    new_placeholder_ids = {0x0F: 0x0D, 0x10: 0x0E}
    group = find_child(block, dg[0], SPGR_CONTAINER)
    for shape in children(block, group[0]):
        if shape[2] != SP_CONTAINER:
            continue
        fsp = find_child(block, shape[0], FSP)
        shape_id = struct.unpack_from("<I", block, fsp[0] + 8)[0]
        if shape_id not in new_shape_ids:
            continue
        set_u32(block, fsp[0] + 8, new_shape_ids[shape_id])
        client_data = find_child(block, shape[0], CLIENT_DATA)
        placeholder = find_child(block, client_data[0], OEPLACEHOLDER_ATOM)
        old_id = block[placeholder[0] + 12]
        expect(old_id in new_placeholder_ids, "slide placeholder id")
        block[placeholder[0] + 12] = new_placeholder_ids[old_id]
        del new_shape_ids[shape_id]
    expect(not new_shape_ids, "slide placeholder shapes")
    return bytes(block)


def drawing_group_parts(document, top):
    """Property table and split-menu colours of the document's OfficeArt container."""
    drawing_group = find_child(document, first_of(top, DOCUMENT)[0], DRAWING_GROUP)
    dgg = find_child(document, drawing_group[0], DGG_CONTAINER)
    options = find_child(document, dgg[0], PROPERTY_TABLE)
    colors = find_child(document, dgg[0], SPLIT_MENU_COLORS)
    return whole(document, options), whole(document, colors)


def master_list_block(document, top):
    block = whole(document, find_child(document, first_of(top, DOCUMENT)[0],
                                       SLIDE_LIST_WITH_TEXT, 0x001F))
    expect(block[16:36] == struct.pack("<IIiII", 2, 0, 0, MASTER_SLIDE_ID, 0), "master list")
    return block


# ---------------------------------------------------------------------------
# Blocks built from known values.


def dgg_atom_block():
    body = struct.pack("<IIII", 2053, 3, 10, 2) + struct.pack("<IIII", 1, 7, 2, 5)
    return atom(0x0000, FDGG, body)


# (entry, Win32 type, Mac type, size, references, offset in the "Pictures" stream)
STORED_PICTURES = [
    (0, 6, 6, 348, 2, 0x0),
    (1, 5, 5, 128706, 1, 0x15C),
    (3, 6, 6, 3116, 2, 0x1F81E),
    (5, 6, 6, 3913, 1, 0x2044A),
    (14, 2, 4, 1946, 1, 0x21393),
    (15, 6, 6, 23165, 1, 0x21B2D),
]


def picture_uid(entry, size):
    """A stable 16-byte identifier for a stored picture."""
    return hashlib.md5(b"vlx stored picture %d %d" % (entry, size)).digest()


def default_blip_store_block():
    by_entry = {p[0]: p for p in STORED_PICTURES}
    entries = []
    for index in range(16):
        if index in by_entry:
            _, win32, mac, size, references, offset = by_entry[index]
            uid = picture_uid(index, size)
        else:
            win32 = mac = size = references = offset = 0
            uid = bytes(16)
        body = (struct.pack("<BB", win32, mac) + uid +
                struct.pack("<HIII", 0x00FF, size, references, offset) + bytes(4))
        entries.append(atom(0x0002 | (win32 << 4), FBSE, body))
    return container(0x000F | (16 << 4), BLIP_STORE, entries)


def slide_list_block():
    persist = atom(0x0000, SLIDE_PERSIST_ATOM, struct.pack("<IIiII", 3, 4, 2, FIRST_SLIDE_ID, 0))
    title = atom(0x0000, TEXT_HEADER_ATOM, struct.pack("<I", 6))
    body = atom(0x0010, TEXT_HEADER_ATOM, struct.pack("<I", 5))
    return container(0x000F, SLIDE_LIST_WITH_TEXT, [persist, title, body])


def slide_head_block(trial_slide):
    slide_atom = trial_slide[8:40]
    return record_header(0x000F, SLIDE, 826) + slide_atom


# ---------------------------------------------------------------------------
# OLE property sets (summary information formats) for the Current User filler.

VT_I2, VT_I4, VT_LPSTR, VT_VARIANT_VECTOR, VT_LPSTR_VECTOR = 0x02, 0x03, 0x1E, 0x100C, 0x101E
SUMMARY_FMTID = bytes.fromhex("e0859ff2f94f6810ab9108002b27b3d9")
DOC_SUMMARY_FMTID = bytes.fromhex("02d5cdd59c2e1b10939708002b2cf9ae")
WINDOWS_1252 = 1252


def pad4(data):
    return data + bytes(-len(data) % 4)


def ansi_string(text):
    raw = text.encode("cp1252") + b"\0"
    return struct.pack("<I", len(raw)) + raw


def typed_value(vt, value):
    if vt == VT_I2:
        return pad4(struct.pack("<Hxxh", vt, value))
    if vt == VT_I4:
        return struct.pack("<Ii", vt, value)
    if vt == VT_LPSTR:
        return pad4(struct.pack("<I", vt) + ansi_string(value))
    if vt == VT_LPSTR_VECTOR:
        return pad4(struct.pack("<II", vt, len(value)) + b"".join(ansi_string(s) for s in value))
    if vt == VT_VARIANT_VECTOR:
        items = b"".join(struct.pack("<I", item_vt) + (ansi_string(v) if item_vt == VT_LPSTR
                                                      else struct.pack("<i", v))
                         for item_vt, v in value)
        return pad4(struct.pack("<II", vt, len(value)) + items)
    raise ValueError("type %x" % vt)


def property_set_stream(fmtid, properties):
    values = [typed_value(vt, v) for _, vt, v in properties]
    table_size = 8 + 8 * len(properties)
    offsets, pos = [], table_size
    for value in values:
        offsets.append(pos)
        pos += len(value)
    section = struct.pack("<II", pos, len(properties))
    section += b"".join(struct.pack("<II", pid, off) for (pid, _, _), off in zip(properties, offsets))
    section += b"".join(values)
    header = struct.pack("<HHI", 0xFFFE, 0, 0x00020005) + bytes(16) + struct.pack("<I", 1)
    return header + fmtid + struct.pack("<I", 48) + section


def summary_information():
    return property_set_stream(SUMMARY_FMTID, [
        (1, VT_I2, WINDOWS_1252),
        (2, VT_LPSTR, "PowerPoint Presentation"),
        (4, VT_LPSTR, "author1"),
        (8, VT_LPSTR, "author1"),
        (18, VT_LPSTR, "Microsoft PowerPoint"),
    ])


def document_summary_information():
    return property_set_stream(DOC_SUMMARY_FMTID, [
        (1, VT_I2, WINDOWS_1252),
        (3, VT_LPSTR, "On-screen Show"),
        (12, VT_VARIANT_VECTOR, [(VT_LPSTR, "Fonts Used"), (VT_I4, 1),
                                 (VT_LPSTR, "Design Template"), (VT_I4, 1),
                                 (VT_LPSTR, "Slide Titles"), (VT_I4, 1)]),
        (13, VT_LPSTR_VECTOR, ["Times New Roman", "Default Design", "Slide 1"]),
    ])


CURRENT_USER_SIZE = 5120
FILLER_START = 56
SUMMARY_OFFSET = 3776
DOC_SUMMARY_OFFSET = 4288
STORED_USER_EDIT_OFFSET = 5045


def current_user_image(filler_records):
    user = b"author1"
    body = struct.pack("<IIIHHBBH", 20, 0xE391C05F, STORED_USER_EDIT_OFFSET, len(user),
                       0x03F4, 3, 0, 0x009F) + user + struct.pack("<I", 8)
    head = atom(0x0000, CURRENT_USER_ATOM, body) + "author1".encode("utf-16-le") + b"\0\0\x01"
    expect(len(head) == FILLER_START, "current user atom size")
    image = bytearray(CURRENT_USER_SIZE)
    image[:FILLER_START] = head
    parts = [(FILLER_START, filler_records), (SUMMARY_OFFSET, summary_information()),
             (DOC_SUMMARY_OFFSET, document_summary_information())]
    limits = [SUMMARY_OFFSET, DOC_SUMMARY_OFFSET, CURRENT_USER_SIZE]
    for (offset, data), limit in zip(parts, limits):
        expect(offset + len(data) <= limit, "current user filler part at %d too long" % offset)
        image[offset : offset + len(data)] = data
    return bytes(image)


# ---------------------------------------------------------------------------


def build_blocks(single_page, basic_test):
    doc = CompoundFile(single_page).stream("PowerPoint Document")
    top = document_records(doc)
    document = first_of(top, DOCUMENT)
    document_atom = whole(doc, find_child(doc, document[0], DOCUMENT_ATOM))
    environment = whole(doc, find_child(doc, document[0], ENVIRONMENT))
    options, split_colors = drawing_group_parts(doc, top)
    master_list = master_list_block(doc, top)
    main_master = main_master_block(doc, top)
    trial_slide = trial_slide_block(doc, top)

    basic_doc = CompoundFile(basic_test).stream("PowerPoint Document")
    basic_document = first_of(document_records(basic_doc), DOCUMENT)
    doc_info_list = whole(basic_doc, find_child(basic_doc, basic_document[0], DOC_INFO_LIST))

    dgg_atom = dgg_atom_block()
    slide_list = slide_list_block()
    end_document = record_header(0x0000, END_DOCUMENT, 0)
    # Stored lengths of the three patched headers: the skeleton without a blip store.
    dgg_length = len(dgg_atom) + len(options) + len(split_colors)
    dgg_header = record_header(0x000F, DGG_CONTAINER, dgg_length)
    drawing_group_header = record_header(0x000F, DRAWING_GROUP, 8 + dgg_length)
    document_length = sum(map(len, [document_atom, environment, drawing_group_header, dgg_header,
                                    dgg_atom, options, split_colors, master_list, doc_info_list,
                                    slide_list, end_document]))

    second_stream = b"".join([environment, drawing_group_header, dgg_header, dgg_atom, options,
                              split_colors, master_list, doc_info_list, slide_list, end_document,
                              main_master])
    return [
        ("DocumentHeader", 8, record_header(0x000F, DOCUMENT, document_length)),
        ("DocumentAtom", 48, document_atom),
        ("Environment", 284, environment),
        ("DrawingGroupHeader", 8, drawing_group_header),
        ("DggHeader", 8, dgg_header),
        ("DggAtom", 40, dgg_atom),
        ("DefaultBlipStore", 712, default_blip_store_block()),
        ("DggOptions", 56, options),
        ("MenuSplitColors", 24, split_colors),
        ("MasterList", 36, master_list),
        ("DocInfoList", 287, doc_info_list),
        ("SlideList", 60, slide_list),
        ("EndDocument", 8, end_document),
        ("DefaultMainMaster", 2476, main_master),
        ("SlideHead", 40, slide_head_block(trial_slide)),
        ("TrialSlide", 556, trial_slide),
        ("CurrentUserImage", CURRENT_USER_SIZE, current_user_image(second_stream)),
    ]


def format_inc(blocks, sources):
    lines = [
        "// Generated by tools/generate_template_records.py. Do not edit.",
        "// Sources: %s." % sources,
        "// Included once, by template_records.cpp, inside its unnamed namespace.",
        "",
    ]
    for name, size, data in blocks:
        lines.append("inline constexpr std::array<uint8_t, %d> k%sBytes = {" % (size, name))
        for pos in range(0, len(data), 16):
            lines.append("    " + ", ".join("0x%02X" % b for b in data[pos : pos + 16]) + ",")
        lines.append("};")
        lines.append("")
    return "\n".join(lines)


def main():
    repo = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--corpus", default=os.path.join(repo, "..", "shared", "corpus", "healthy"),
                        help="folder holding Single_Coloured_Page.ppt and basic_test_ppt_file.ppt")
    parser.add_argument("--output",
                        default=os.path.join(repo, "engine", "format", "template_records_data.inc"))
    args = parser.parse_args()

    inputs = ["Single_Coloured_Page.ppt", "basic_test_ppt_file.ppt"]
    contents = []
    for name in inputs:
        with open(os.path.join(args.corpus, name), "rb") as source:
            contents.append(source.read())
    blocks = build_blocks(*contents)
    for name, size, data in blocks:
        expect(len(data) == size, "%s is %d bytes, not %d" % (name, len(data), size))
    text = format_inc(blocks, " and ".join(inputs))
    with open(args.output, "w", encoding="ascii", newline="\n") as out:
        out.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
