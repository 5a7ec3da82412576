#!/usr/bin/env python3
"""Builds raw/Font_Bold_sum.ttf, the game's one bold face for Latin, Thai and Hangul.

Base: Waree Bold (Latin and Thai, with the positional Thai forms in the private use area
that libthai's shaping selects, and its OpenType tables). Added: every character of
Nanum Gothic Bold that Waree lacks in the Hangul, symbol, arrow, shape and punctuation
blocks, scaled to Waree's units per em and stripped of hinting. The result is renamed
as both fonts' licences require and its licence text is written beside it.

    make_font.py <output dir>
"""
import os
import sys

from fontTools.ttLib import TTFont, newTable
from fontTools.ttLib.tables._g_l_y_f import Glyph

BASE = "/usr/share/fonts/truetype/tlwg/Waree-Bold.ttf"
DONOR = "/usr/share/fonts/truetype/nanum/NanumGothicBold.ttf"
LICENCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "font_licence.txt")

FAMILY = "Tolvan Sum"
STYLE = "Bold"
PS_NAME = "TolvanSum-Bold"
VERSION = "Version 1.000"

# Blocks taken from the donor where the base has no glyph.
DONOR_RANGES = [
    (0x00A0, 0x00FF),  # Latin-1 signs the base may lack
    (0x1100, 0x11FF),  # Hangul Jamo
    (0x2000, 0x206F),  # general punctuation
    (0x2100, 0x21FF),  # letterlike symbols, arrows
    (0x2200, 0x22FF),  # mathematical operators
    (0x2460, 0x24FF),  # enclosed alphanumerics
    (0x2500, 0x25FF),  # box drawing, block elements, geometric shapes
    (0x2600, 0x26FF),  # miscellaneous symbols (card suits)
    (0x3000, 0x303F),  # CJK symbols and punctuation
    (0x3130, 0x318F),  # Hangul compatibility Jamo
    (0x3200, 0x32FF),  # enclosed CJK letters
    (0xAC00, 0xD7A3),  # Hangul syllables
    (0xFF00, 0xFFEF),  # half- and full-width forms
]


def copy_glyph(name, donor_glyf, base_glyf, scale, done, order):
    """Copies one donor glyph (and its components) into the base, scaled."""
    new_name = "kr_" + name
    if new_name in done:
        return new_name
    src = donor_glyf[name]
    g = Glyph()
    g.__dict__.update({k: v for k, v in src.__dict__.items() if k != "data"})
    if src.isComposite():
        g.components = []
        for comp in src.components:
            c = type(comp)()
            c.__dict__.update(comp.__dict__)
            c.glyphName = copy_glyph(comp.glyphName, donor_glyf, base_glyf, scale, done, order)
            c.x = int(round(comp.x * scale))
            c.y = int(round(comp.y * scale))
            g.components.append(c)
    elif g.numberOfContours > 0:
        coords = src.coordinates.copy()
        coords.scale((scale, scale))
        coords.toInt()
        g.coordinates = coords
        g.endPtsOfContours = list(src.endPtsOfContours)
        g.flags = bytearray(src.flags)
    # The donor's hinting refers to its own programs: drop it.
    if hasattr(g, "program"):
        from fontTools.ttLib.tables import ttProgram

        g.program = ttProgram.Program()
        g.program.fromBytecode(b"")
    base_glyf.glyphs[new_name] = g
    done[new_name] = True
    order.append(new_name)
    return new_name


def set_names(font):
    name = font["name"]
    copyright_text = (
        "Latin and Thai glyphs: Copyright (c) 2003 Bitstream, Inc. and the Thai Linux Working Group "
        "(Waree). Hangul and symbol glyphs: Copyright (c) 2010 NAVER Corporation (Nanum Gothic). "
        "Merged for Tolvan; see Font_Bold_sum-LICENSE.txt."
    )
    licence_text = (
        "This Font Software is licensed under the SIL Open Font License, Version 1.1, "
        "and carries the Bitstream Vera Fonts Copyright notice; see Font_Bold_sum-LICENSE.txt."
    )
    values = {
        0: copyright_text,
        1: FAMILY,
        2: STYLE,
        3: "Tolvan: " + PS_NAME + ": 2024",
        4: FAMILY + " " + STYLE,
        5: VERSION,
        6: PS_NAME,
        13: licence_text,
        14: "https://openfontlicense.org",
        16: FAMILY,
        17: STYLE,
    }
    # Drop every record that could carry a reserved name, then write ours.
    name.names = [r for r in name.names if r.nameID not in values and r.nameID not in (18, 21, 22)]
    for nid, text in values.items():
        name.setName(text, nid, 3, 1, 0x409)
        name.setName(text, nid, 1, 0, 0)


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    out_dir = sys.argv[1]
    os.makedirs(out_dir, exist_ok=True)
    base = TTFont(BASE)
    donor = TTFont(DONOR, lazy=True)
    scale = base["head"].unitsPerEm / donor["head"].unitsPerEm

    base_cmap = base.getBestCmap()
    donor_cmap = donor.getBestCmap()
    wanted = [
        cp
        for lo, hi in DONOR_RANGES
        for cp in range(lo, hi + 1)
        if cp in donor_cmap and cp not in base_cmap
    ]

    base_glyf = base["glyf"]
    donor_glyf = donor["glyf"]
    hmtx_base = base["hmtx"].metrics
    hmtx_donor = donor["hmtx"].metrics
    order = list(base.getGlyphOrder())
    done = {}
    added = {}
    first_new = len(order)
    for cp in wanted:
        gname = donor_cmap[cp]
        new_name = copy_glyph(gname, donor_glyf, base_glyf, scale, done, order)
        added[cp] = new_name
    for new_name in order[first_new:]:
        adv, lsb = hmtx_donor[new_name[3:]]
        hmtx_base[new_name] = (int(round(adv * scale)), int(round(lsb * scale)))
    base.setGlyphOrder(order)
    base_glyf.glyphOrder = order

    # Map the new characters in every Unicode cmap subtable; Hangul syllables need a
    # format 12 table only when beyond the BMP, which they are not, but format 4 tables
    # must stay within their 64 KB segments, so also add a format 12 table.
    for table in base["cmap"].tables:
        if table.isUnicode():
            table.cmap.update(added)
    from fontTools.ttLib.tables._c_m_a_p import cmap_format_12

    if not any(t.format == 12 for t in base["cmap"].tables):
        t12 = cmap_format_12(12)
        t12.platformID, t12.platEncID, t12.format = 3, 10, 12
        t12.reserved, t12.length, t12.language, t12.nGroups = 0, 0, 0, 0
        t12.cmap = dict(base.getBestCmap())
        t12.cmap.update(added)
        base["cmap"].tables.append(t12)

    base["maxp"].numGlyphs = len(order)
    if "hdmx" in base:
        del base["hdmx"]
    if "LTSH" in base:
        del base["LTSH"]
    if "VDMX" in base:
        del base["VDMX"]
    os2 = base["OS/2"]
    os2.usWeightClass = 700
    os2.fsSelection = (os2.fsSelection | 0x20) & ~0x40  # bold, not regular
    os2.fsType = 0  # installable embedding, as both licences allow
    base["head"].macStyle |= 0x01
    set_names(base)
    if "post" in base:
        base["post"].formatType = 2.0
        base["post"].extraNames = []
        base["post"].mapping = {}

    tmp = os.path.join(out_dir, "Font_Bold_sum.ttf.tmp")
    base.save(tmp)
    os.replace(tmp, os.path.join(out_dir, "Font_Bold_sum.ttf"))
    with open(LICENCE, encoding="utf-8") as f:
        text = f.read()
    with open(os.path.join(out_dir, "Font_Bold_sum-LICENSE.txt"), "w", encoding="utf-8") as f:
        f.write(text)
    print("make_font: %d glyphs (%d added), %d characters" % (len(order), len(order) - first_new,
                                                             len(base.getBestCmap())))
    return 0


if __name__ == "__main__":
    sys.exit(main())
