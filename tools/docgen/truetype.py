"""Reads glyph outlines and advances out of a TrueType font file.

Only what the notation reference needs: the character map (format 4), the
horizontal metrics and simple glyph outlines.  Standard library only, so the
reference can be regenerated wherever Python runs.
"""

import struct


class Glyph:
    """Outline contours in font units (y up) and the advance width."""

    def __init__(self, contours, advance):
        self.contours = contours  # each a list of (x, y, on_curve)
        self.advance = advance

    def bounds(self):
        points = [(x, y) for contour in self.contours for x, y, _ in contour]
        if not points:
            return None
        xs, ys = [p[0] for p in points], [p[1] for p in points]
        return min(xs), min(ys), max(xs), max(ys)


class Font:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        self.tables = self._table_directory()
        self.ascent = self._s16(self.tables["hhea"] + 4)
        self.cmap = self._character_map()
        self.advances = self._advances()

    def glyph(self, code):
        """The glyph the character map gives `code`, or None."""
        index = self.cmap.get(code)
        if index is None:
            return None
        return Glyph(self._contours(index), self.advances[min(index, len(self.advances) - 1)])

    # --- tables ---------------------------------------------------------

    def _u16(self, offset):
        return struct.unpack_from(">H", self.data, offset)[0]

    def _s16(self, offset):
        return struct.unpack_from(">h", self.data, offset)[0]

    def _u32(self, offset):
        return struct.unpack_from(">I", self.data, offset)[0]

    def _table_directory(self):
        tables = {}
        for i in range(self._u16(4)):
            record = 12 + 16 * i
            tag = self.data[record:record + 4].decode("latin-1")
            tables[tag] = self._u32(record + 8)
        missing = {"head", "hhea", "hmtx", "maxp", "cmap", "loca", "glyf"} - tables.keys()
        if missing:
            raise ValueError("not a TrueType outline font: no %s table" % ", ".join(sorted(missing)))
        return tables

    def _character_map(self):
        base = self.tables["cmap"]
        for i in range(self._u16(base + 2)):
            record = base + 4 + 8 * i
            platform, encoding = self._u16(record), self._u16(record + 2)
            subtable = base + self._u32(record + 4)
            if (platform, encoding) in ((3, 1), (0, 3)) and self._u16(subtable) == 4:
                return self._format4(subtable)
        raise ValueError("no Unicode character map of format 4")

    def _format4(self, table):
        segments = self._u16(table + 6) // 2
        ends = table + 14
        starts = ends + 2 * segments + 2
        deltas = starts + 2 * segments
        range_offsets = deltas + 2 * segments
        cmap = {}
        for s in range(segments):
            end, start = self._u16(ends + 2 * s), self._u16(starts + 2 * s)
            delta, range_offset = self._u16(deltas + 2 * s), self._u16(range_offsets + 2 * s)
            for code in range(start, min(end, 0xFFFE) + 1):
                if range_offset == 0:
                    index = (code + delta) & 0xFFFF
                else:
                    index = self._u16(range_offsets + 2 * s + range_offset + 2 * (code - start))
                    index = (index + delta) & 0xFFFF if index else 0
                if index:
                    cmap[code] = index
        return cmap

    def _advances(self):
        count = self._u16(self.tables["hhea"] + 34)
        return [self._u16(self.tables["hmtx"] + 4 * i) for i in range(count)]

    def _glyph_offset(self, index):
        loca, long_offsets = self.tables["loca"], self._s16(self.tables["head"] + 50)
        if long_offsets:
            return self._u32(loca + 4 * index), self._u32(loca + 4 * index + 4)
        return 2 * self._u16(loca + 2 * index), 2 * self._u16(loca + 2 * index + 2)

    def _contours(self, index):
        start, end = self._glyph_offset(index)
        if start == end:
            return []
        glyph = self.tables["glyf"] + start
        count = self._s16(glyph)
        if count < 0:
            raise ValueError("composite glyph %d is not supported" % index)
        end_points = [self._u16(glyph + 10 + 2 * i) for i in range(count)]
        total = end_points[-1] + 1
        offset = glyph + 10 + 2 * count
        offset += 2 + self._u16(offset)  # skip the instructions
        flags, offset = self._flags(offset, total)
        xs, offset = self._coordinates(offset, flags, 0x02, 0x10)
        ys, offset = self._coordinates(offset, flags, 0x04, 0x20)
        points = [(x, y, bool(flag & 0x01)) for x, y, flag in zip(xs, ys, flags)]
        contours, first = [], 0
        for last in end_points:
            contours.append(points[first:last + 1])
            first = last + 1
        return contours

    def _flags(self, offset, total):
        flags = []
        while len(flags) < total:
            flag = self.data[offset]
            offset += 1
            repeat = 0
            if flag & 0x08:
                repeat = self.data[offset]
                offset += 1
            flags += [flag] * (repeat + 1)
        return flags[:total], offset

    def _coordinates(self, offset, flags, short_bit, same_bit):
        values, value = [], 0
        for flag in flags:
            if flag & short_bit:
                step = self.data[offset]
                offset += 1
                value += step if flag & same_bit else -step
            elif not flag & same_bit:
                value += self._s16(offset)
                offset += 2
            values.append(value)
        return values, offset
