#!/usr/bin/env python3
"""Writes the skin's SVG pictures into skin/.

The pictures share one look (dark brushed panels, engraved text wells, steel
buttons with light icons, pure red where a panel is see-through), so they are
made from one set of drawing helpers here; the SVG files are what the build
renders and what anyone may edit by hand afterwards. Every shape sits on whole
pixels (lines on half pixels) so the bitmaps stay crisp.
"""
import os

OUT = os.path.join(os.path.dirname(__file__), "..", "skin")
RED = "#ff0000"


def svg(name, w, h, body):
    text = (f'<svg xmlns="http://www.w3.org/2000/svg" width="{w}" height="{h}" '
            f'viewBox="0 0 {w} {h}" shape-rendering="crispEdges">\n{body}</svg>\n')
    with open(os.path.join(OUT, name + ".svg"), "w") as f:
        f.write(text)


def grad(gid, top, bottom, horizontal=False):
    x2, y2 = ("1", "0") if horizontal else ("0", "1")
    return (f'<linearGradient id="{gid}" x1="0" y1="0" x2="{x2}" y2="{y2}">'
            f'<stop offset="0" stop-color="{top}"/><stop offset="1" stop-color="{bottom}"/></linearGradient>')


def brushed(x, y, w, h, seed=1):
    """Faint horizontal streaks of a brushed metal plate."""
    lines = []
    v = seed
    for row in range(y + 1, y + h - 1):
        v = (v * 1103515245 + 12345) & 0x7FFFFFFF
        if v % 3:
            continue
        alpha = 0.03 + (v % 7) / 100
        shade = "#ffffff" if v % 2 else "#000000"
        lines.append(f'<rect x="{x + 1}" y="{row}" width="{w - 2}" height="1" fill="{shade}" opacity="{alpha:.2f}"/>')
    return "\n".join(lines) + "\n"


def bevel(x, y, w, h, light="#62666e", dark="#0e0f11"):
    return (f'<rect x="{x}" y="{y}" width="{w}" height="1" fill="{light}"/>'
            f'<rect x="{x}" y="{y}" width="1" height="{h}" fill="{light}"/>'
            f'<rect x="{x}" y="{y + h - 1}" width="{w}" height="1" fill="{dark}"/>'
            f'<rect x="{x + w - 1}" y="{y}" width="1" height="{h}" fill="{dark}"/>\n')


def well(x, y, w, h, fill="#141517"):
    """An engraved area for text the program draws."""
    return (f'<rect x="{x}" y="{y}" width="{w}" height="{h}" fill="{fill}"/>'
            + bevel(x, y, w, h, light="#08090a", dark="#54585f"))


def panel(w, h, gid="p", seed=1, top="#3b3e44", bottom="#222428"):
    return (f'<defs>{grad(gid, top, bottom)}</defs>'
            f'<rect width="{w}" height="{h}" fill="url(#{gid})"/>\n' + brushed(0, 0, w, h, seed) + bevel(0, 0, w, h))


def screws(w, h):
    out = ""
    for cx, cy in ((5, 5), (w - 6, 5), (5, h - 6), (w - 6, h - 6)):
        out += (f'<rect x="{cx - 1}" y="{cy - 1}" width="3" height="3" fill="#17181b"/>'
                f'<rect x="{cx - 1}" y="{cy}" width="3" height="1" fill="#70747c"/>')
    return out + "\n"


# Icons drawn in a 16 × 16 box, scaled into a frame.
ICONS = {
    "play": '<path d="M5 3 L13 8 L5 13 Z"/>',
    "pause": '<rect x="4" y="3" width="3" height="10"/><rect x="9" y="3" width="3" height="10"/>',
    "stop": '<rect x="4" y="4" width="8" height="8"/>',
    "prev": '<rect x="3" y="3" width="2" height="10"/><path d="M13 3 L5 8 L13 13 Z"/>',
    "next": '<rect x="11" y="3" width="2" height="10"/><path d="M3 3 L11 8 L3 13 Z"/>',
    "playlist": '<rect x="2" y="3" width="9" height="2"/><rect x="2" y="7" width="9" height="2"/>'
                '<rect x="2" y="11" width="9" height="2"/><path d="M12 7 L15 10 L12 13 Z"/>',
    "close": '<path d="M3 4 L4 3 L8 7 L12 3 L13 4 L9 8 L13 12 L12 13 L8 9 L4 13 L3 12 L7 8 Z"/>',
    "tray": '<rect x="3" y="11" width="10" height="2"/>',
    "ontop": '<path d="M8 2 L13 8 L10 8 L10 14 L6 14 L6 8 L3 8 Z"/>',
    "menu": '<rect x="3" y="3" width="10" height="2"/><rect x="3" y="7" width="10" height="2"/>'
            '<rect x="3" y="11" width="10" height="2"/>',
    "add": '<rect x="7" y="2" width="2" height="12"/><rect x="2" y="7" width="12" height="2"/>',
    "save": '<path d="M2 2 H12 L14 4 V14 H2 Z M4 3 V7 H11 V3 Z M5 10 H11 V13 H5 Z"/>',
    "exit": '<path d="M7 2 H9 V9 H7 Z"/><path d="M4 4 L5.5 5.5 A4.5 4.5 0 1 0 10.5 5.5 L12 4 A6.5 6.5 0 1 1 4 4 Z"/>',
    "restore": '<rect x="3" y="4" width="10" height="9" fill="none" stroke-width="2"/>',
    "mute": '<path d="M2 6 H5 L9 3 V13 L5 10 H2 Z"/><path d="M11 6 L14 10 M14 6 L11 10" stroke-width="1.5" fill="none"/>',
    "repeat": '<path d="M3 8 A5 4 0 0 1 12 5 L12 3 L15 6.5 L12 9 L12 7 A3 2.5 0 0 0 5 8 Z"/>'
              '<path d="M13 9 A5 4 0 0 1 4 12 L4 14 L1 10.5 L4 8 L4 10 A3 2.5 0 0 0 11 9 Z"/>',
}

FRAME_LOOKS = {  # body top, body bottom, icon, icon shift
    "normal": ("#4a4e56", "#2a2d32", "#aeb2b9", 0),
    "hover": ("#5d636c", "#383c42", "#f0f2f5", 0),
    "pressed": ("#1e2023", "#33363b", "#c8ccd2", 1),
    "spare": ("#303236", "#26282b", "#5e626a", 0),
}


def frame(x, fw, fh, look, icon, icon_color=None, lamp=None):
    top, bottom, ink, shift = FRAME_LOOKS[look]
    gid = f"g{x}"
    body = f'<defs>{grad(gid, top, bottom)}</defs>'
    body += f'<rect x="{x}" y="0" width="{fw}" height="{fh}" fill="#0c0d0f"/>'
    body += f'<rect x="{x + 1}" y="1" width="{fw - 2}" height="{fh - 2}" fill="url(#{gid})"/>'
    if look == "pressed":
        body += f'<rect x="{x + 1}" y="1" width="{fw - 2}" height="1" fill="#0a0b0c"/>'
    else:
        body += f'<rect x="{x + 1}" y="1" width="{fw - 2}" height="1" fill="#7b8089" opacity="0.8"/>'
    size = min(fh - 4, 12)
    scale = size / 16
    ix = x + (fw - size) // 2
    iy = (fh - size) // 2 + shift
    color = icon_color or ink
    body += (f'<g transform="translate({ix} {iy}) scale({scale:.4f})" fill="{color}" stroke="{color}" '
             f'stroke-width="0" shape-rendering="geometricPrecision">{ICONS[icon]}</g>')
    if lamp:
        body += f'<rect x="{x + fw - 5}" y="2" width="3" height="2" fill="{lamp}"/>'
    return body + "\n"


def strip(name, fw, fh, icon):
    body = "".join(frame(k * fw, fw, fh, look, icon) for k, look in enumerate(FRAME_LOOKS))
    svg(name, 4 * fw, fh, body)


def push_strip(name, fw, fh, icon):
    looks = ["normal", "hover", "pressed"]
    body = "".join(frame(k * fw, fw, fh, look, icon) for k, look in enumerate(looks))
    body += "".join(frame((k + 3) * fw, fw, fh, look, icon, icon_color="#ffb21e", lamp="#ffb21e")
                    for k, look in enumerate(looks))
    svg(name, 6 * fw, fh, body)


def track(name, w, h):
    body = (f'<rect width="{w}" height="{h}" fill="#26282c"/>' + well(2, h // 2 - 3, w - 4, 6, "#0d0e10")
            + f'<rect x="3" y="{h // 2 - 1}" width="{w - 6}" height="1" fill="#3a3e45"/>')
    for tick in range(4, w - 4, 8):
        body += f'<rect x="{tick}" y="{h - 3}" width="1" height="2" fill="#4a4e55"/>'
    svg(name, w, h, body)


def thumb(name, w, h):
    body = (f'<defs>{grad("t", "#c9ccd1", "#6d7178", horizontal=False)}</defs>'
            f'<rect width="{w}" height="{h}" fill="#111214"/>'
            f'<rect x="1" y="1" width="{w - 2}" height="{h - 2}" fill="url(#t)"/>'
            + bevel(1, 1, w - 2, h - 2, light="#eef0f3", dark="#3b3e43"))
    for gx in range(w // 2 - 2, w // 2 + 3, 2):
        body += f'<rect x="{gx}" y="4" width="1" height="{h - 8}" fill="#4b4f56"/>'
    svg(name, w, h, body)


def end_piece(name, w, h, left):
    x = 2 if left else 0
    body = f'<rect width="{w}" height="{h}" fill="#26282c"/>' + f'<rect x="{x}" y="{h // 2 - 3}" width="{w - 2}" height="6" fill="#0d0e10"/>'
    mark = "M2 8 H7" if left else "M2 8 H7 M4.5 5.5 V10.5"
    body += f'<path d="{mark}" stroke="#8a8e95" stroke-width="1" transform="translate(0 0.5)" shape-rendering="crispEdges"/>'
    svg(name, w, h, body)


def lamp(name, color):
    body = (f'<rect width="9" height="9" fill="#101113"/><rect x="1" y="1" width="7" height="7" fill="{color}" opacity="0.35"/>'
            f'<rect x="3" y="3" width="3" height="3" fill="{color}"/><rect x="3" y="3" width="1" height="1" fill="#ffffff" opacity="0.7"/>')
    svg(name, 9, 9, body)


def highlight(name, w, h):
    body = (f'<defs>{grad("h", "#5a7fa8", "#2c4766")}</defs><rect width="{w}" height="{h}" fill="{RED}"/>'
            f'<rect x="1" y="0" width="{w - 2}" height="{h}" fill="url(#h)"/><rect x="0" y="1" width="{w}" height="{h - 2}" fill="url(#h)"/>'
            f'<rect x="1" y="1" width="{w - 2}" height="1" fill="#8fb2d8"/>')
    svg(name, w, h, body)


def menu_background(name, w, h, see_through):
    body = panel(w, h, seed=w + h)
    if see_through:
        # Rounded corners and a notch on top are see-through.
        body = f'<rect width="{w}" height="{h}" fill="{RED}"/>' + f'<g>{body}</g>'
        for cx, cy in ((0, 0), (w - 3, 0), (0, h - 3), (w - 3, h - 3)):
            body += f'<rect x="{cx}" y="{cy}" width="3" height="3" fill="{RED}"/>'
        body += f'<rect x="{w // 2 - 20}" y="0" width="40" height="3" fill="{RED}"/>'
    svg(name, w, h, body)


def logo(name, w, h, text, size):
    body = (f'<rect width="{w}" height="{h}" fill="#1b1c1f"/>' + bevel(0, 0, w, h, "#050506", "#4a4e55")
            + f'<text x="{w // 2}" y="{h // 2 + size // 3 + 1}" font-family="Play" font-weight="bold" '
              f'font-size="{size}" fill="#d9a21c" text-anchor="middle" shape-rendering="geometricPrecision">{text}</text>')
    svg(name, w, h, body)


def app_icon(name, s):
    r = max(2, s // 8)
    body = (f'<defs>{grad("a", "#4a4e56", "#1f2125")}</defs>'
            f'<rect x="0" y="0" width="{s}" height="{s}" rx="{r}" fill="url(#a)" shape-rendering="geometricPrecision"/>'
            f'<g transform="scale({s / 16:.4f})" fill="#ffb21e" shape-rendering="geometricPrecision">{ICONS["play"]}</g>')
    svg(name, s, s, body)


def engraved(x, y, text, size, color="#8a8e95", anchor="start"):
    return (f'<text x="{x}" y="{y + 1}" font-family="Play" font-weight="bold" font-size="{size}" fill="#0b0c0d" '
            f'text-anchor="{anchor}" shape-rendering="geometricPrecision">{text}</text>'
            f'<text x="{x}" y="{y}" font-family="Play" font-weight="bold" font-size="{size}" fill="{color}" '
            f'text-anchor="{anchor}" shape-rendering="geometricPrecision">{text}</text>')


def player_background():
    body = panel(400, 240, seed=5)
    body += engraved(10, 19, "R.W.N.8.", 11, "#d9a21c")
    body += well(6, 46, 135, 21) + engraved(8, 42, "VOLUME", 7)
    body += well(40, 70, 110, 46, "#0b0c0d")
    body += engraved(42, 127, "ELAPSED", 7)
    body += well(377, 78, 13, 85, "#0b0c0d")
    body += well(142, 166, 253, 21) + well(142, 190, 253, 21)
    body += engraved(12, 184, "R.W.N.8.", 22, "#3e4147") + engraved(13, 198, "MP3 PLAYER  1.0.2.", 8, "#5a5e65")
    body += well(6, 214, 45, 21) + well(56, 218, 337, 13, "#1a1b1e")
    for x in range(60, 390, 6):
        body += f'<rect x="{x}" y="223" width="3" height="3" fill="#0c0d0e"/>'
    body += well(54, 6, 69, 19)
    body += well(374, 6, 21, 67)
    return body


def bars_frame():
    body = '<rect width="217" height="137" fill="#1a1b1e"/>' + bevel(0, 0, 217, 137, "#050506", "#5a5e65")
    body += well(6, 6, 191, 37, "#0b0c0d") + f'<rect x="8" y="24" width="185" height="1" fill="#1c1e21"/>'
    body += well(198, 6, 13, 23, "#0b0c0d")
    body += well(7, 39, 203, 98, "#070908")
    return body


def fon():
    body = '<rect width="201" height="97" fill="#070908"/>'
    for x in range(0, 201, 8):
        body += f'<rect x="{x}" y="0" width="1" height="97" fill="#15201a"/>'
    for y in range(0, 97, 8):
        body += f'<rect x="0" y="{y}" width="201" height="1" fill="#15201a"/>'
    svg("Fon", 201, 97, body)


def main():
    os.makedirs(OUT, exist_ok=True)
    # Splash.
    svg("splash_background", 265, 137, panel(265, 137, seed=3) + screws(265, 137) + well(12, 48, 122, 73)
        + engraved(20, 78, "MP3", 20, "#d9a21c") + engraved(20, 98, "PLAYER", 12) + engraved(20, 113, "loading...", 8, "#5a5e65"))
    logo("splash_picture1", 89, 33, "1.0.2.", 16)
    logo("splash_picture2", 97, 41, "R.W.N.8.", 18)
    # Player window: slots and wells around the controls' places (the bars frame
    # lies at (152, 24), the level meter at (379, 80), the elapsed time at (47, 75)).
    svg("player_background", 400, 240, player_background())
    svg("player_bars_frame", 217, 137, bars_frame())
    fon()
    track("player_seek_track", 249, 17)
    thumb("player_seek_thumb", 25, 17)
    track("player_volume_track", 115, 17)
    thumb("player_volume_thumb", 9, 17)
    end_piece("player_volume_left", 9, 17, True)
    end_piece("player_volume_right", 9, 17, False)
    lamp("player_lamp_repeat", "#49d16a")
    lamp("player_lamp_mute", "#ff5a3c")
    for icon in ("prev", "pause", "play", "stop", "next", "playlist"):
        strip("player_" + icon, 41, 17, icon)
    for icon in ("close", "tray", "ontop", "menu"):
        strip("player_" + icon, 17, 15, icon)
    push_strip("player_mute", 17, 15, "mute")
    push_strip("player_repeat", 17, 15, "repeat")
    svg("player_caption", 185, 17, well(0, 0, 185, 17, "#121315"))
    for s in (16, 22, 32, 48):
        app_icon(f"tray_{s}", s)
    app_icon("program_icon", 64)
    # Playlist window.
    svg("playlist_background", 400, 240, panel(400, 240, seed=7, top="#1a1b1d", bottom="#0e0f10") + well(6, 20, 388, 196, "#0b0b0c"))
    svg("playlist_row_icon", 16, 16, '<rect width="16" height="16" fill="#0b0b0c"/>'
        f'<g transform="translate(1 1) scale(0.875)" fill="#d9a21c" shape-rendering="geometricPrecision">'
        '<path d="M6 2 V11 A2.5 2 0 1 1 4 9.2 V4 L13 2 V9 A2.5 2 0 1 1 11 7.2 V3.5 L6 4.6 Z"/></g>')
    strip("playlist_add", 17, 15, "add")
    strip("playlist_save", 17, 15, "save")
    # Menus.
    menu_background("addmenu_background", 150, 120, False)
    highlight("addmenu_highlight", 136, 25)
    menu_background("plmenu_background", 150, 200, True)
    highlight("plmenu_highlight", 136, 25)
    menu_background("mainmenu_background", 150, 200, True)
    highlight("mainmenu_highlight", 146, 25)
    # Tray mini player.
    svg("mini_background", 200, 120, panel(200, 120, seed=11) + well(8, 27, 184, 38))
    track("mini_track", 273, 17)
    thumb("mini_thumb", 27, 17)
    for icon in ("prev", "pause", "play", "next"):
        strip("mini_" + icon, 41, 17, icon)
    strip("mini_exit", 17, 15, "exit")
    strip("mini_restore", 17, 15, "restore")
    # Track information, about and update.
    svg("info_background", 311, 109, panel(311, 109, seed=13) + well(6, 6, 299, 97))
    svg("info_caption", 217, 20, well(0, 0, 217, 20, "#121315"))
    svg("about_background", 400, 240, panel(400, 240, seed=17) + screws(400, 240) + engraved(16, 21, "R.W.N.8.", 11, "#d9a21c")
        + well(20, 60, 360, 130) + engraved(200, 130, "R.W.N.8.", 40, "#3e4147", "middle")
        + engraved(200, 152, "MP3 PLAYER  1.0.2.", 10, "#5a5e65", "middle"))
    svg("update_background", 400, 240, panel(400, 240, seed=19) + screws(400, 240) + engraved(16, 21, "R.W.N.8.", 11, "#d9a21c")
        + well(20, 60, 360, 130))
    strip("about_close", 41, 17, "close")
    strip("update_close", 41, 17, "close")


if __name__ == "__main__":
    main()
