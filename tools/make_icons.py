#!/usr/bin/env python3
"""Draws Pelmora's icon (a sun over three meter bars) at 16 to 256 pixels into
shell/icons/, and the same design as shell/icons/pelmora.svg. Standard library
only; rerun after changing it."""
import math
import struct
import zlib
from pathlib import Path

def png(path, size, pixels):
    raw = b"".join(b"\x00" + bytes(pixels[y * size * 4:(y + 1) * size * 4]) for y in range(size))
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    data += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    Path(path).write_bytes(data)

def colour_at(x, y):
    """The picture on a unit square; returns RGBA or None."""
    # Rounded dark-blue tile.
    r = 0.18
    cx = min(max(x, r), 1 - r)
    cy = min(max(y, r), 1 - r)
    if (x - cx) ** 2 + (y - cy) ** 2 > r * r:
        return None
    # Sun with rays, upper left.
    sx, sy = 0.36, 0.36
    d = math.hypot(x - sx, y - sy)
    if d < 0.16:
        return (255, 200, 40, 255)
    angle = math.atan2(y - sy, x - sx)
    if 0.2 < d < 0.29 and abs(((angle / (2 * math.pi / 8)) % 1) - 0.5) > 0.32:
        return (255, 170, 20, 255)
    # Three bars, lower right: light red, green, green.
    bars = [(0.56, 0.66, 0.62, (255, 128, 128, 255)), (0.68, 0.78, 0.48, (40, 220, 80, 255)),
            (0.80, 0.90, 0.34, (40, 220, 80, 255))]
    for left, right, top, rgba in bars:
        if left <= x <= right and top <= y <= 0.88:
            return rgba
    return (24, 44, 92, 255)

def render(size, samples=4):
    pixels = []
    for py in range(size):
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    c = colour_at((px + (sx + 0.5) / samples) / size, (py + (sy + 0.5) / samples) / size)
                    if c:
                        for i in range(3):
                            acc[i] += c[i] * c[3]
                        acc[3] += c[3]
            n = samples * samples
            alpha = acc[3] / n
            if acc[3]:
                pixels += [round(acc[i] / acc[3]) for i in range(3)] + [round(alpha)]
            else:
                pixels += [0, 0, 0, 0]
    return pixels

def svg():
    """The picture as SVG on a 256 unit square: the tile, the sun, eight rays, the bars."""
    u = 256
    parts = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{u}" height="{u}" viewBox="0 0 {u} {u}">',
             f'<rect x="0" y="0" width="{u}" height="{u}" rx="{0.18 * u:g}" ry="{0.18 * u:g}" fill="#182c5c"/>',
             f'<circle cx="{0.36 * u:g}" cy="{0.36 * u:g}" r="{0.16 * u:g}" fill="#ffc828"/>']
    for k in range(8):
        a = k * math.pi / 4
        x1, y1 = 0.36 + 0.2 * math.cos(a), 0.36 + 0.2 * math.sin(a)
        x2, y2 = 0.36 + 0.29 * math.cos(a), 0.36 + 0.29 * math.sin(a)
        parts.append(f'<line x1="{x1 * u:.1f}" y1="{y1 * u:.1f}" x2="{x2 * u:.1f}" y2="{y2 * u:.1f}" '
                     f'stroke="#ffaa14" stroke-width="{0.07 * u:.1f}"/>')
    for left, right, top, colour in [(0.56, 0.66, 0.62, "#ff8080"), (0.68, 0.78, 0.48, "#28dc50"),
                                     (0.80, 0.90, 0.34, "#28dc50")]:
        parts.append(f'<rect x="{left * u:.1f}" y="{top * u:.1f}" width="{(right - left) * u:.1f}" '
                     f'height="{(0.88 - top) * u:.1f}" fill="{colour}"/>')
    parts.append("</svg>")
    return "\n".join(parts) + "\n"

out = Path(__file__).resolve().parent.parent / "shell" / "icons"
for size in (16, 20, 24, 32, 48, 64, 128, 256):
    png(out / f"pelmora-{size}.png", size, render(size))
(out / "pelmora.svg").write_text(svg())
