#!/usr/bin/env python3
"""Writes the LZX cabinets of tests/data/cab and the bytes each unpacks to.

No tool on this system writes LZX cabinets, so the bit stream is put
together here by hand, token by token, from what the cabinet format says:
each cabinet is a list of blocks (verbatim, aligned-offset, uncompressed)
whose literals and matches are chosen to reach the corners of the format,
such as a call instruction byte (E8) right at a frame's end, a translation
size smaller than the data, each of the repeated offsets, aligned offsets of
every width, and code lengths sent as runs.

The bytes a cabinet must unpack to are worked out here too (the matches are
played into a window, then the call translation is undone frame by frame);
the script refuses to write anything unless cabextract and 7z unpack every
cabinet to exactly those bytes.

    python3 tests/data/cab/make_lzx_cabinets.py      # rewrites the files here
"""

import heapq
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile

FRAME = 32768
MIN_MATCH = 2
PRIMARY_LENGTHS = 7
VERBATIM, ALIGNED, UNCOMPRESSED = 1, 2, 3
SLOTS_OF_WINDOW = {15: 30, 16: 32, 17: 34, 18: 36, 19: 38, 20: 42, 21: 50}

EXTRA_BITS = []
for n in range(51):
    EXTRA_BITS.append(min(17, max(0, n // 2 - 1)))
POSITION_BASE = [0]
for n in range(50):
    POSITION_BASE.append(POSITION_BASE[-1] + (1 << EXTRA_BITS[n]))


class BitWriter:
    """16-bit little-endian words, each filled from its highest bit."""

    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.count = 0

    def put(self, value, bits):
        assert 0 <= value < (1 << bits) or bits == 0
        for i in range(bits - 1, -1, -1):
            self.acc = (self.acc << 1) | ((value >> i) & 1)
            self.count += 1
            if self.count == 16:
                self.out += struct.pack("<H", self.acc)
                self.acc = 0
                self.count = 0

    def pad_to_word(self):
        if self.count:
            self.put(0, 16 - self.count)

    def raw(self, data):
        assert self.count == 0
        self.out += data


def huffman_lengths(freqs, limit):
    """Code lengths of a complete prefix code no longer than limit bits."""
    freqs = list(freqs)
    used = [i for i, f in enumerate(freqs) if f]
    for i in range(len(freqs)):
        if len(used) >= 2:
            break
        if not freqs[i]:
            freqs[i] = 1
            used.append(i)
    while True:
        heap = [(f, i, (i,)) for i, f in enumerate(freqs) if f]
        heapq.heapify(heap)
        depth = [0] * len(freqs)
        tie = len(freqs)
        while len(heap) > 1:
            fa, _, a = heapq.heappop(heap)
            fb, _, b = heapq.heappop(heap)
            for s in a + b:
                depth[s] += 1
            heapq.heappush(heap, (fa + fb, tie, a + b))
            tie += 1
        if max(depth) <= limit:
            return depth
        freqs = [(f + 1) // 2 if f else 0 for f in freqs]


def canonical_codes(lengths):
    codes = [0] * len(lengths)
    code = 0
    for length in range(1, 17):
        for s, l in enumerate(lengths):
            if l == length:
                codes[s] = code
                code += 1
        code <<= 1
    return codes


def write_lengths(bits, old, new):
    """New code lengths against the old ones: a pretree of 20 codes, with
    runs of zeros (17, 18) and runs of one value over equal old lengths (19)."""
    items = []
    x = 0
    n = len(new)
    while x < n:
        run = 1
        while x + run < n and new[x + run] == new[x]:
            run += 1
        if new[x] == 0 and run >= 20:
            take = min(run, 51)
            items.append((18, take - 20, 5))
            x += take
            continue
        if new[x] == 0 and run >= 4:
            take = min(run, 19)
            items.append((17, take - 4, 4))
            x += take
            continue
        if run >= 4 and all(old[x + k] == old[x] for k in range(min(run, 5))):
            take = min(run, 5)
            items.append((19, take - 4, 1, (old[x] - new[x]) % 17))
            x += take
            continue
        items.append(((old[x] - new[x]) % 17,))
        x += 1
    freqs = [0] * 20
    for item in items:
        freqs[item[0]] += 1
        if item[0] == 19:
            freqs[item[3]] += 1
    pre = huffman_lengths(freqs, 15)
    codes = canonical_codes(pre)
    for l in pre:
        bits.put(l, 4)
    for item in items:
        bits.put(codes[item[0]], pre[item[0]])
        if item[0] in (17, 18):
            bits.put(item[1], item[2])
        elif item[0] == 19:
            bits.put(item[1], item[2])
            bits.put(codes[item[3]], pre[item[3]])


class Stream:
    """Plays tokens into a window (giving the bytes a reader must produce)
    and writes them into a bit stream cut into frames."""

    def __init__(self, window_bits, translation_size=None):
        self.window_bits = window_bits
        self.slots = SLOTS_OF_WINDOW[window_bits]
        self.translation_size = translation_size
        self.decoded = bytearray()
        self.r = [1, 1, 1]
        self.main_lengths = [0] * (256 + self.slots * 8)
        self.length_lengths = [0] * 249
        self.frames = []
        self.bits = BitWriter()
        if translation_size is None:
            self.bits.put(0, 1)
        else:
            self.bits.put(1, 1)
            self.bits.put(translation_size >> 16, 16)
            self.bits.put(translation_size & 0xFFFF, 16)

    # Tokens: ("lit", byte) | ("match", length, distance) | ("rep", length, 0..2)

    def _play(self, token):
        """Adds the token's bytes to the output; returns (slot, formatted offset) for a match."""
        if token[0] == "lit":
            self.decoded.append(token[1])
            return None
        length = token[1]
        if token[0] == "rep":
            slot = token[2]
            distance = self.r[slot]
            self.r[slot] = self.r[0]
            self.r[0] = distance
            formatted = None
        else:
            distance = token[2]
            formatted = distance + 2
            slot = max(s for s in range(3, self.slots) if POSITION_BASE[s] <= formatted)
            self.r = [distance, self.r[0], self.r[1]]
        assert MIN_MATCH <= length <= 257 and 0 < distance <= len(self.decoded)
        assert distance <= (1 << self.window_bits) - 3
        start = len(self.decoded) - distance
        for k in range(length):
            self.decoded.append(self.decoded[start + k])
        return slot, formatted

    def _frame_end(self):
        """Ends the frame when the output reached its end."""
        if len(self.decoded) % FRAME == 0 and len(self.decoded) // FRAME > len(self.frames):
            self._cut()

    def _cut(self):
        self.bits.pad_to_word()
        self.frames.append((bytes(self.bits.out), len(self.decoded) - FRAME * len(self.frames)))
        self.bits.out = bytearray()

    def preview(self, tokens):
        """The output with tokens played, leaving the stream as it was."""
        snapshot = (bytearray(self.decoded), list(self.r))
        for t in tokens:
            self._play(t)
        out = self.decoded
        self.decoded, self.r = snapshot
        return out

    def block(self, kind, tokens):
        length = len(self.preview(tokens)) - len(self.decoded)
        snapshot = (bytearray(self.decoded), list(self.r))
        plays = [self._play(t) for t in tokens]
        self.decoded, self.r = snapshot
        # A match never runs across a frame's end.
        pos = len(self.decoded)
        for t in tokens:
            n = 1 if t[0] == "lit" else t[1]
            assert pos // FRAME == (pos + n - 1) // FRAME, ("a token across a frame's end", pos, t)
            pos += n

        bits = self.bits
        bits.put(kind, 3)
        bits.put(length, 24)
        main_freq = [0] * len(self.main_lengths)
        length_freq = [0] * 249
        aligned_freq = [0] * 8
        for t, p in zip(tokens, plays):
            if t[0] == "lit":
                main_freq[t[1]] += 1
                continue
            slot, formatted = p
            header = min(t[1] - MIN_MATCH, PRIMARY_LENGTHS)
            main_freq[256 + slot * 8 + header] += 1
            if header == PRIMARY_LENGTHS:
                length_freq[t[1] - MIN_MATCH - PRIMARY_LENGTHS] += 1
            if formatted is not None and EXTRA_BITS[slot] >= 3:
                aligned_freq[(formatted - POSITION_BASE[slot]) & 7] += 1
        aligned = None
        if kind == ALIGNED:
            aligned = huffman_lengths(aligned_freq, 7)
            for l in aligned:
                bits.put(l, 3)
            aligned_codes = canonical_codes(aligned)
        main = huffman_lengths(main_freq, 16)
        write_lengths(bits, self.main_lengths[:256], main[:256])
        write_lengths(bits, self.main_lengths[256:], main[256:])
        self.main_lengths = main
        # A block without long matches sends an empty length tree.
        lengths = huffman_lengths(length_freq, 16) if any(length_freq) else [0] * 249
        write_lengths(bits, self.length_lengths, lengths)
        self.length_lengths = lengths
        main_codes = canonical_codes(main)
        length_codes = canonical_codes(lengths)

        for t in tokens:
            p = self._play(t)
            if t[0] == "lit":
                bits.put(main_codes[t[1]], main[t[1]])
            else:
                slot, formatted = p
                header = min(t[1] - MIN_MATCH, PRIMARY_LENGTHS)
                symbol = 256 + slot * 8 + header
                bits.put(main_codes[symbol], main[symbol])
                if header == PRIMARY_LENGTHS:
                    more = t[1] - MIN_MATCH - PRIMARY_LENGTHS
                    bits.put(length_codes[more], lengths[more])
                if formatted is not None:
                    extra = EXTRA_BITS[slot]
                    value = formatted - POSITION_BASE[slot]
                    if aligned is not None and extra >= 3:
                        bits.put(value >> 3, extra - 3)
                        bits.put(aligned_codes[value & 7], aligned[value & 7])
                    else:
                        bits.put(value, extra)
            self._frame_end()

    def uncompressed(self, data, r):
        """A stored block, which also sets the three repeated offsets."""
        assert (len(self.decoded) % FRAME) + len(data) <= FRAME, "a stored block within one frame"
        bits = self.bits
        bits.put(UNCOMPRESSED, 3)
        bits.put(len(data), 24)
        if bits.count:
            bits.pad_to_word()
        else:
            bits.put(0, 16)
        bits.raw(struct.pack("<3I", *r))
        bits.raw(data)
        if len(data) & 1:
            bits.raw(b"\0")
        self.decoded += data
        self.r = list(r)
        self._frame_end()

    def finish(self):
        """The compressed frames, and the bytes they unpack to."""
        if len(self.decoded) % FRAME:
            self._cut()
        return self.frames, self.untranslated()

    def untranslated(self):
        out = bytearray(self.decoded)
        size = self.translation_size
        if not size:
            return bytes(out)
        for frame in range(min(32768, (len(out) + FRAME - 1) // FRAME)):
            start = frame * FRAME
            end = min(len(out), start + FRAME)
            if end - start <= 10:
                continue
            i = start
            while i < end - 10:
                if out[i] != 0xE8:
                    i += 1
                    continue
                absolute = struct.unpack_from("<i", out, i + 1)[0]
                if -i <= absolute < size:
                    relative = absolute - i if absolute >= 0 else absolute + size
                    struct.pack_into("<I", out, i + 1, relative & 0xFFFFFFFF)
                i += 5
        return bytes(out)


def checksum(data, seed=0):
    c = seed
    whole = len(data) // 4 * 4
    for (word,) in struct.iter_unpack("<I", data[:whole]):
        c ^= word
    tail = data[whole:]
    value = 0
    for b in tail:
        value = (value << 8) | b
    return c ^ value


def cabinet(name, window_bits, frames, size):
    """One folder of LZX blocks holding one file."""
    member = name.encode() + b"\0"
    header_size, folder_size, file_size = 36, 8, 16 + len(member)
    data_offset = header_size + folder_size + file_size
    blocks = bytearray()
    for payload, usize in frames:
        sizes = struct.pack("<HH", len(payload), usize)
        blocks += struct.pack("<I", checksum(sizes, checksum(payload))) + sizes + payload
    total = data_offset + len(blocks)
    out = bytearray(b"MSCF")
    out += struct.pack("<IIIIIBBHHHHH", 0, total, 0, header_size + folder_size, 0, 3, 1, 1, 1, 0, 0x5171, 0)
    out += struct.pack("<IHH", data_offset, len(frames), 3 | (window_bits << 8))
    # 2024-05-06 07:08:10, archive attribute.
    out += struct.pack("<IIHHHH", size, 0, 0, (44 << 9) | (5 << 5) | 6, (7 << 11) | (8 << 5) | 5, 0x20) + member
    out += blocks
    assert len(out) == total
    return bytes(out)


# --- what goes into the cabinets ----------------------------------------------

def text_tokens(rng, count):
    words = [b"moderator ", b"discussion ", b"block ", b"premise ", b"author ", b"\r\n", b"42 "]
    out = []
    while len(out) < count:
        out += [("lit", b) for b in rng.choice(words)]
    return out[:count]


def lits(data):
    return [("lit", b) for b in data]


def call(operand):
    """A call instruction: E8 and its 32-bit operand, as stored in the stream."""
    return lits(b"\xE8" + struct.pack("<i", operand))


def fill_to(stream, tokens, target, rng):
    """Text tokens (literals and short matches) after tokens until the output
    reaches target; no match copies an E8 or runs across a frame's end."""
    buf = stream.preview(tokens)
    out = []
    while len(buf) < target:
        pos = len(buf)
        room = min(target - pos, FRAME - pos % FRAME)
        if room >= 3 and pos > 64 and rng.random() < 0.3:
            n, d = rng.randint(3, min(12, room)), rng.randint(1, min(pos, 4000))
            source = buf[pos - d:pos - d + min(n, d)]
            if 0xE8 not in source:
                out.append(("match", n, d))
                for k in range(n):
                    buf.append(buf[pos - d + k])
                continue
        t = text_tokens(rng, 1)[0]
        out.append(t)
        buf.append(t[1])
    return out


def frame_end_cabinet():
    """Call translation on (size 12,000,000): E8 at the last byte of a frame
    that is still translated, at the first that is not, and in a short last frame."""
    rng = random.Random(37)
    s = Stream(16, translation_size=12_000_000)
    t = lits(b"MZ header of something that calls a lot\r\n")
    t += call(0x00001000)            # a positive target: made relative
    t += call(-20)                    # a negative one within reach: plus the size
    t += call(-5000)                  # before the start of the data: left alone
    t += call(12_000_000)             # at the size: left alone
    t += fill_to(s, t, FRAME - 11, rng)
    t += call(0x00012345)             # byte 32,757: the last one translated
    t += lits(b"xy")
    t += fill_to(s, t, FRAME + 200, rng)
    t += [("match", 40, 300)]
    t += fill_to(s, t, 2 * FRAME - 10, rng)
    t += call(0x00000100)             # byte 32,758 of the second frame: left alone
    t += lits(b"\xE8\x01\x00\x00\x00")  # E8 in the frame's last five bytes too
    s.block(VERBATIM, t)              # one block over two frames
    assert len(s.decoded) == 2 * FRAME and s.decoded[FRAME - 11] == s.decoded[2 * FRAME - 10] == 0xE8
    u = text_tokens(rng, 80)
    u += call(0x00000200)             # byte 80 of a 100-byte frame: translated
    u += lits(b"abcde")
    u += call(0x00000100)             # byte 90: left alone
    u += lits(b"fghij")
    s.block(VERBATIM, u)
    assert len(s.decoded) == 2 * FRAME + 100 and s.decoded[2 * FRAME + 80] == s.decoded[2 * FRAME + 90] == 0xE8
    return "lzx-e8-frame-end", 16, s


def small_translation_cabinet():
    """A translation size (3,000) much smaller than the data: targets past
    it are left alone, negative ones within reach wrap by it."""
    rng = random.Random(36)
    s = Stream(15, translation_size=3000)
    first = bytearray(text_tokens_bytes(rng, FRAME))
    for at, operand in ((100, 2000), (2500, 2999), (2600, 3000), (5000, 1000), (6000, -100), (6100, -6200),
                        (7000, -7000), (7100, -7101), (9000, 0x7FFFFFFF), (9100, -0x80000000)):
        first[at:at + 5] = b"\xE8" + struct.pack("<i", operand)
    # The first frame stored: its repeated offsets are set for the block after.
    s.uncompressed(bytes(first[:20001]), (5, 300, 7))
    s.block(VERBATIM, [("rep", 4, 0), ("rep", 6, 2), ("rep", 3, 1)] + lits(first[20014:]))
    t = text_tokens(rng, 500)
    t += call(2500)
    t += [("match", 50, 1000)]
    t += call(-40000)
    t += call(-100)
    t += fill_to(s, t, FRAME + 7232, rng)
    s.block(VERBATIM, t)
    return "lzx-e8-small-size", 15, s


def text_tokens_bytes(rng, count):
    return bytes(t[1] for t in text_tokens(rng, count))


def repeated_offsets_cabinet():
    """Window 2^21, no translation: every repeated offset and its swaps, long
    matches through the length tree, a stored block of odd length that sets
    the repeated offsets, and trees carried from block to block."""
    rng = random.Random(35)
    s = Stream(21)
    t = text_tokens(rng, 3000)
    t += [("match", 10, 1000), ("rep", 5, 0), ("match", 7, 2000), ("rep", 8, 1), ("match", 20, 33),
          ("rep", 9, 2), ("rep", 12, 1), ("rep", 11, 2), ("rep", 257, 0), ("match", 200, 1), ("match", 9, 2999)]
    t += text_tokens(rng, 500)
    t += [("match", 100, 3500), ("rep", 256, 1), ("rep", 2, 0), ("match", 2, 17)]
    t += fill_to(s, t, 20000, rng)
    s.block(VERBATIM, t)
    s.uncompressed(text_tokens_bytes(rng, 1001), (7, 300, 5000))
    t = [("rep", 3, 0), ("rep", 4, 1), ("rep", 5, 2), ("rep", 30, 0), ("match", 6, 21001), ("rep", 7, 2)]
    t += fill_to(s, t, FRAME, rng)
    s.block(VERBATIM, t)
    t = [("match", 250, 32000), ("rep", 100, 0), ("match", 3, 4)]
    t += fill_to(s, t, FRAME + 30000, rng)
    s.block(VERBATIM, t)
    return "lzx-repeated-offsets", 21, s


def aligned_cabinet():
    """Aligned-offset blocks: offsets of 0 to 14 extra bits, the low three of
    wider ones through the aligned tree, and a verbatim block between."""
    rng = random.Random(34)
    s = Stream(16)
    t = text_tokens(rng, 4000)
    for d in (1, 2, 3, 5, 9, 14, 20, 30, 60, 100, 200, 777, 1500, 3000, 3999):
        t += [("match", 3 + d % 11, d)]
    t += [("rep", 6, 1), ("rep", 6, 2)]
    t += fill_to(s, t, 30000, rng)
    s.block(ALIGNED, t)
    t = fill_to(s, [], FRAME + 5000, rng)
    s.block(VERBATIM, t)
    t = []
    for d in (8, 16, 24, 4096, 8191, 16000, 24000, 32000, 35000, 37000, 37001, 37007):
        t += [("match", 4 + d % 5, d)] + text_tokens(rng, 3)
    t += [("rep", 5, 0)]
    t += fill_to(s, t, 2 * FRAME + 1000, rng)
    t += [("match", 257, 64000)]
    t += fill_to(s, t, 2 * FRAME + 12345, rng)
    s.block(ALIGNED, t)
    return "lzx-aligned", 16, s


def unpack_with(command, cab, member, workdir):
    out = os.path.join(workdir, "out")
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    subprocess.run(command(out, cab), shell=True, check=True, stdout=subprocess.DEVNULL)
    with open(os.path.join(out, member), "rb") as f:
        return f.read()


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    made = []
    with tempfile.TemporaryDirectory() as work:
        for build in (frame_end_cabinet, small_translation_cabinet, repeated_offsets_cabinet, aligned_cabinet):
            name, window, stream = build()
            frames, expected = stream.finish()
            member = name + ".bin"
            cab = os.path.join(work, name + ".cab")
            with open(cab, "wb") as f:
                f.write(cabinet(member, window, frames, len(expected)))
            for peer, command in (("cabextract", lambda o, c: "cabextract -q -d %s %s" % (o, c)),
                                  ("7z", lambda o, c: "7z x -y -o%s %s" % (o, c))):
                if unpack_with(command, cab, member, work) != expected:
                    sys.exit("%s unpacks %s to other bytes" % (peer, name))
            made.append((name, cab, expected))
        for name, cab, expected in made:
            shutil.copy(cab, os.path.join(here, name + ".cab"))
            with open(os.path.join(here, name + ".bin"), "wb") as f:
                f.write(expected)
            print("%s.cab: %d bytes, unpacks to %d" % (name, os.path.getsize(cab), len(expected)))


if __name__ == "__main__":
    main()
