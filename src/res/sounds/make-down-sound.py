#!/usr/bin/env python3
"""Writes down.wav, the sound of a host going down: two short falling sine
tones (880 Hz, then 660 Hz), 8-bit mono PCM at 11025 Hz, with a soft start
and end so that neither clicks. Run it from this folder to make the file
again; the output is the same every time."""
import math
import struct
import wave

RATE = 11025
TONES = ((880.0, 0.16), (660.0, 0.24))
FADE = 0.01  # seconds of fade in and out per tone


def samples():
    for frequency, length in TONES:
        count = int(RATE * length)
        fade = int(RATE * FADE)
        for i in range(count):
            level = min(1.0, i / fade, (count - 1 - i) / fade)
            value = 0.6 * level * math.sin(2 * math.pi * frequency * i / RATE)
            yield 128 + int(round(value * 127))


with wave.open("down.wav", "wb") as out:
    out.setnchannels(1)
    out.setsampwidth(1)
    out.setframerate(RATE)
    out.writeframes(bytes(samples()))
