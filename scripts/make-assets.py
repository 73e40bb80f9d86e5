#!/usr/bin/env python3
"""Writes the alarm sound and the two status dots shipped beside the program."""
import math, os, struct, wave

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "assets")

def alarm_wav(path):
    rate = 22050
    frames = bytearray()
    # Two-tone alarm: 0.25 s at 880 Hz, 0.25 s at 660 Hz, twice (1 s; the player loops it).
    for tone in (880, 660, 880, 660):
        for i in range(int(rate * 0.25)):
            env = min(1.0, i / 200.0, (rate * 0.25 - i) / 200.0)
            frames += struct.pack("<h", int(12000 * env * math.sin(2 * math.pi * tone * i / rate)))
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(bytes(frames))

def dot_gif(path, rgb):
    size = 12
    pixels = []
    for y in range(size):
        for x in range(size):
            d = math.hypot(x - 5.5, y - 5.5)
            pixels.append(1 if d <= 5.2 else 0)
    # LZW with a clear code before every pixel keeps the code size fixed at 3 bits.
    min_code = 2
    clear, end = 4, 5
    codes = []
    for p in pixels:
        codes += [clear, p]
    codes.append(end)
    bits, nbits, out = 0, 0, bytearray()
    for c in codes:
        bits |= c << nbits
        nbits += 3
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8
    if nbits:
        out.append(bits & 0xFF)
    data = bytearray()
    for i in range(0, len(out), 255):
        chunk = out[i:i + 255]
        data += bytes([len(chunk)]) + chunk
    data += b"\x00"
    gif = bytearray(b"GIF89a")
    gif += struct.pack("<HHBBB", size, size, 0x81, 0, 0)           # 4-colour global table
    gif += bytes([255, 255, 255]) + bytes(rgb) + bytes(6)
    gif += b"\x21\xF9\x04\x01\x00\x00\x00\x00"                         # colour 0 transparent
    gif += b"\x2C" + struct.pack("<HHHHB", 0, 0, size, size, 0)
    gif += bytes([min_code]) + data + b"\x3B"
    with open(path, "wb") as f:
        f.write(gif)

alarm_wav(os.path.join(here, "alert.wav"))
dot_gif(os.path.join(here, "reddot.gif"), (220, 0, 0))
dot_gif(os.path.join(here, "greendot.gif"), (0, 170, 0))
