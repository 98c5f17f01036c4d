#!/usr/bin/env python3
"""Writes the lifecycle fuzzer's seed corpus: for each plug-in slot, an ordinary life
(identify, check, create, play, frames with keys and clock steps, release), and a few
lives that break the calling order or inject failures."""
import os
import sys

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
IDENT, CHECK, CREATE, RELEASE, KEY, PLAY, PAUSE, FRAME, FRAME2, FAULT, CLOCK, REGISTRY, NULLS = range(13)


def frame(effect=True, w=0x41, h=0x40):
    # sides (0x41: 320, 0x40: 240), same second size, packed pitch, fill seed, call
    return [FRAME, w, h, 1, 1, 1, 0x34, 0x12, 1 if effect else 0]


def life(slot, effect=True, extra=()):
    b = [slot, 0x10, 0x00, slot & 1, IDENT, CHECK, CREATE, 0, 0, 0, 0, 0, 0, 0, 0, PLAY]
    b += frame(effect)
    for key in (1, 0, 1):  # up, down, up
        b += [CLOCK, 0, 40] + frame(effect) + [KEY, 0, key]
    b += list(extra)
    b += [CLOCK, 3, 2] + frame(effect) + [RELEASE]
    return bytes(b)


def main():
    os.makedirs(OUT, exist_ok=True)
    for slot in range(15):
        effect = slot != 12  # the composition's slot in the build order
        seeds = {
            "life": life(slot, effect),
            "order": bytes([slot, 0, 0, 0] + frame(effect) + [PLAY, RELEASE, RELEASE, KEY, 0, 0] + frame(effect)),
            "faults": life(slot, effect, [FAULT, 0, 2, 0] + frame(effect) + [FAULT, 1, 1, 0, RELEASE, CREATE] + [0] * 8),
            "odd": life(slot, effect, frame(effect, 0xF0, 0x05) + [0x01, 0x01]),
            "registry": bytes([slot, 1, 0, 0, REGISTRY, 0, CHECK, CREATE] + [0] * 8 + frame(effect) + [REGISTRY, 7, CREATE] + [0] * 8 + frame(effect)),
        }
        for name, data in seeds.items():
            with open(os.path.join(OUT, f"{name}-{slot:02d}"), "wb") as f:
                f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
