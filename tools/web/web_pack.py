#!/usr/bin/env python3
"""The web build's packing steps, called by scripts/build_web.sh:

  web_pack.py preview FRAME.ppm OUT.png   the link preview: a frame enlarged 2x (nearest-neighbour,
                                          so 1024x768), 630 of its rows from the 40th
                                          (the title kept whole), centred on black at 1200x630
  web_pack.py page SITE_DIR OUT.html      the self-contained page: the site's page with its style,
                                          script, module and every file it loads inside it

Both write OUT under a temporary name and rename it when complete.
"""
import base64
import json
import os
import struct
import sys
import zlib


def fail(text):
    sys.exit(f"web_pack: {text}")


def write_new(path, data):
    with open(path + ".new", "wb") as f:
        f.write(data)
    os.replace(path + ".new", path)


def ppm_read(path):
    """A binary PPM (P6, 8 bits): width, height and the rows of RGB bytes."""
    with open(path, "rb") as f:
        data = f.read()
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b"#":
            at = data.index(b"\n", at)
            continue
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    if fields[0] != b"P6" or fields[3] != b"255":
        fail(f"{path}: not an 8-bit binary PPM")
    width, height = int(fields[1]), int(fields[2])
    pixels = data[at + 1:]
    if len(pixels) < width * height * 3:
        fail(f"{path}: cut short")
    return width, height, [pixels[y * width * 3:(y + 1) * width * 3] for y in range(height)]


def png_bytes(width, height, rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    raw = b"".join(b"\0" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def preview(frame, out, width=1200, height=630, top=40):
    w, h, rows = ppm_read(frame)
    if w > width or h < top + height:
        fail(f"{frame}: {w}x{h} does not make a {width}x{height} picture")
    pad = bytes(((width - w) // 2) * 3)
    picked = [pad + row + bytes((width - w - (width - w) // 2) * 3) for row in rows[top:top + height]]
    write_new(out, png_bytes(width, height, picked))


def page(site, out):
    def text(name):
        with open(os.path.join(site, name), encoding="utf-8") as f:
            return f.read()

    def b64(name):
        with open(os.path.join(site, name), "rb") as f:
            return base64.b64encode(f.read()).decode("ascii")

    html, style = text("index.html"), text("style.css")
    files = json.loads(text("files.json"))
    embedded = {"files.json": b64("files.json")}
    for f in files:
        if f["name"] != "quorvelle-web.js":
            embedded[f["name"]] = b64(f["name"])
    style = style.replace('url("preview.png")', f'url("data:image/png;base64,{b64("preview.png")}")')
    scripts = [f"window.quorvelleEmbedded = {json.dumps(embedded)};", text("quorvelle-web.js"), text("main.js")]
    if any("</script" in s.lower() for s in scripts):
        fail("a script holds '</script', which would end it early inside the page")
    style_tag, script_tag = '<link rel="stylesheet" href="style.css">', '<script src="main.js"></script>'
    if style_tag not in html or script_tag not in html:
        fail(f"{site}/index.html: no {style_tag} or {script_tag} to replace")
    html = html.replace(style_tag, f"<style>\n{style}</style>")
    html = html.replace(script_tag, "".join(f"<script>\n{s}\n</script>\n" for s in scripts))
    write_new(out, html.encode("utf-8"))


if __name__ == "__main__":
    if len(sys.argv) != 4 or sys.argv[1] not in ("preview", "page"):
        fail("usage: web_pack.py preview FRAME.ppm OUT.png | page SITE_DIR OUT.html")
    (preview if sys.argv[1] == "preview" else page)(sys.argv[2], sys.argv[3])
