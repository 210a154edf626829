#!/usr/bin/env python3
"""Writes demo/demo-song.mid, a slow piece for the default instrument (the pitched bar).

"Glass Harbour": D minor, 84 bpm, 17 bars (about 49 seconds). Low bass notes, rolled
chords, a melody on top, a bent note in bar 12 and a mod-wheel sweep (strike position)
through bars 9 to 11. The default instrument takes notes 24 to 84 and has seven voices,
so no more than seven notes sound at once.

Standard library only. Run from anywhere:  python3 tools/make_demo_song.py [OUTPUT]
"""

import os
import random
import struct
import sys

PPQ = 480
BPM = 84
BEATS_PER_BAR = 4
LOWEST, HIGHEST = 24, 84
CHANNEL = 0  # MIDI channel 1

NOTE_NAMES = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}


def n(name):
    """Note number from a name such as 'D2', 'F#3' or 'Bb4' (C4 = 60)."""
    pitch = NOTE_NAMES[name[0]]
    rest = name[1:]
    while rest and rest[0] in "#b":
        pitch += 1 if rest[0] == "#" else -1
        rest = rest[1:]
    return 12 * (int(rest) + 1) + pitch


def tick(bar, beat):
    """Tick of a position given as bar (1-based) and beat (1-based, may be fractional)."""
    return int(round(((bar - 1) * BEATS_PER_BAR + (beat - 1)) * PPQ))


# ---------------------------------------------------------------------------
# The score. Times are (bar, beat); lengths are in beats.

# Bass: (bar, beat, beats, notes, velocity)
BASS = [
    (1, 1, 7.6, ["D1", "D2"], 92),
    (3, 1, 3.8, ["Bb1"], 84),
    (4, 1, 3.8, ["C2"], 80),
    (5, 1, 3.8, ["D2"], 88),
    (6, 1, 3.8, ["Bb1"], 78),
    (7, 1, 3.8, ["G1"], 86),
    (8, 1, 3.8, ["A1"], 90),
    (9, 1, 1.8, ["D2"], 94),
    (9, 3, 1.8, ["A2"], 70),
    (10, 1, 3.8, ["F1"], 82),
    (11, 1, 3.8, ["G1"], 80),
    (12, 1, 3.8, ["Bb1"], 76),
    (13, 1, 3.8, ["G1"], 84),
    (14, 1, 1.8, ["A1"], 92),
    (14, 3, 1.8, ["A2"], 74),
    (15, 1, 3.8, ["Bb1"], 86),
    (16, 1, 3.8, ["C2"], 88),
    (17, 1, 6.0, ["D1"], 100),
]

# Chords, rolled upwards: (bar, beat, beats, notes, velocity)
CHORDS = [
    (3, 1, 3.8, ["D3", "F3", "A3"], 62),
    (4, 1, 3.8, ["E3", "G3", "D4"], 58),
    (5, 1, 3.8, ["F3", "A3", "C4", "E4"], 66),
    (6, 1, 3.8, ["D3", "F3", "A3"], 60),
    (7, 1, 3.8, ["Bb3", "F4", "A4"], 64),
    (8, 1, 1.8, ["A3", "D4", "E4"], 68),
    (8, 3, 1.8, ["A3", "C#4", "E4"], 72),
    (9, 1, 3.8, ["F3", "A3", "C4", "E4"], 70),
    (10, 1, 3.8, ["A3", "C4", "E4"], 64),
    (11, 1, 1.8, ["Bb3", "D4", "F4"], 66),
    (11, 3, 1.8, ["Bb3", "D4", "F4"], 50),
    (12, 1, 3.8, ["D3", "F3", "A3"], 56),
    (13, 1, 3.8, ["Bb3", "D4", "F4"], 68),
    (14, 1, 1.8, ["A3", "D4", "E4"], 70),
    (14, 3, 1.8, ["G3", "C#4", "E4"], 74),
    (15, 1, 3.8, ["D3", "F3", "Bb3"], 72),
    (16, 1, 3.8, ["E3", "G3", "C4"], 76),
    (17, 1, 6.0, ["A2", "F#3", "E4", "A4"], 64),
]

# Melody: (bar, beat, beats, note, velocity)
MELODY = [
    # Intro: a few high strikes over the open bass.
    (1, 2.5, 1.4, "A5", 58),
    (1, 4, 1.8, "E5", 50),
    (2, 1.5, 1.4, "D5", 62),
    (2, 3, 1.8, "A4", 54),
    (2, 4.5, 0.45, "C5", 48),
    # First phrase.
    (3, 1, 1.9, "A4", 86),
    (3, 3, 0.9, "F4", 72),
    (3, 4, 0.9, "G4", 76),
    (4, 1, 1.4, "E4", 82),
    (4, 2.5, 0.45, "D4", 64),
    (4, 3, 1.9, "E4", 78),
    (5, 1, 0.9, "F4", 80),
    (5, 2, 0.9, "A4", 88),
    (5, 3, 1.9, "D5", 98),
    (6, 1, 1.4, "C5", 90),
    (6, 2.5, 0.45, "A4", 70),
    (6, 3, 1.9, "F4", 74),
    # Second phrase, climbing.
    (7, 1, 0.9, "G4", 78),
    (7, 2, 0.9, "Bb4", 84),
    (7, 3, 0.9, "D5", 92),
    (7, 4, 0.9, "F5", 100),
    (8, 1, 1.9, "E5", 104),
    (8, 3, 1.9, "C#5", 90),
    (9, 1, 2.9, "D5", 96),
    (9, 4, 0.9, "A4", 68),
    (10, 1, 0.9, "C5", 80),
    (10, 2, 0.9, "E5", 88),
    (10, 3, 1.9, "G5", 102),
    # Third phrase: the bent note in bar 12.
    (11, 1, 1.9, "F5", 96),
    (11, 3, 0.9, "D5", 80),
    (11, 4, 0.9, "Bb4", 72),
    (12, 1.5, 3.4, "A4", 92),
    (13, 1, 0.9, "D5", 88),
    (13, 2, 0.9, "C5", 76),
    (13, 3, 0.9, "Bb4", 70),
    (13, 4, 0.9, "A4", 66),
    (14, 1, 1.9, "G4", 80),
    (14, 3, 1.9, "A4", 86),
    # Close.
    (15, 1, 1.9, "D5", 94),
    (15, 3, 1.9, "F5", 100),
    (16, 1, 1.9, "E5", 96),
    (16, 3, 0.9, "G5", 88),
    (16, 4, 0.9, "E5", 70),
    (17, 1.25, 5.5, "F#5", 84),
]

ROLL_BEATS = 0.06          # spread of a rolled chord, per note
HUMANISE_VELOCITY = 5      # +- velocity jitter
END_BEAT = (17, 7.5)       # end of track: the last chord rings out


def pitch_bend_events():
    """Bar 12: the held A4 bends up a little and comes back."""
    events = []
    start = tick(12, 2.5)
    rise = tick(12, 3.25) - start
    fall_start = tick(12, 3.75)
    fall = tick(12, 4.5) - fall_start
    steps = 24
    top = 0.35  # of the full bend range
    for i in range(steps + 1):
        value = int(round(8192 + top * 8191 * i / steps))
        events.append((start + rise * i // steps, pitch_bend(value)))
    for i in range(steps + 1):
        value = int(round(8192 + top * 8191 * (steps - i) / steps))
        events.append((fall_start + fall * i // steps, pitch_bend(value)))
    return events


def mod_wheel_events():
    """Bars 9 to 11: the strike position moves from its default (70 %) and back."""
    events = []
    default = 89  # 70 % of the range
    low = 30
    start, middle, end = tick(9, 1), tick(10, 1), tick(11, 3)
    steps = 40
    for i in range(steps + 1):
        value = round(default + (low - default) * i / steps)
        events.append((start + (middle - start) * i // steps, controller(1, value)))
    for i in range(1, steps + 1):
        value = round(low + (default - low) * i / steps)
        events.append((middle + (end - middle) * i // steps, controller(1, value)))
    return events


# ---------------------------------------------------------------------------
# MIDI encoding

def pitch_bend(value):
    value = max(0, min(16383, value))
    return bytes([0xE0 | CHANNEL, value & 0x7F, value >> 7])


def controller(number, value):
    return bytes([0xB0 | CHANNEL, number, max(0, min(127, value))])


def note_on(note, velocity):
    return bytes([0x90 | CHANNEL, note, max(1, min(127, velocity))])


def note_off(note):
    return bytes([0x80 | CHANNEL, note, 64])


def meta(kind, data):
    return bytes([0xFF, kind]) + var_length(len(data)) + data


def var_length(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def track_chunk(events, end_tick):
    """events: (tick, bytes). Note-offs sort before note-ons at the same tick."""
    def order(event):
        t, data = event
        kind = data[0] & 0xF0 if data[0] != 0xFF else 0x00
        return (t, {0x00: 0, 0x80: 1, 0xB0: 2, 0xE0: 2, 0x90: 3}.get(kind, 2))

    body = bytearray()
    now = 0
    for t, data in sorted(events, key=order):
        body += var_length(t - now) + data
        now = t
    body += var_length(max(0, end_tick - now)) + meta(0x2F, b"")
    return b"MTrk" + struct.pack(">I", len(body)) + bytes(body)


def notes_track(name, entries, rng, roll=False):
    events = [(0, meta(0x03, name.encode("ascii")))]
    for bar, beat, beats, notes, velocity in entries:
        if isinstance(notes, str):
            notes = [notes]
        for i, name_ in enumerate(notes):
            note = n(name_)
            assert LOWEST <= note <= HIGHEST, (name_, note)
            offset = i * ROLL_BEATS if roll else 0.0
            start = tick(bar, beat + offset)
            end = tick(bar, beat + beats)
            v = velocity + rng.randint(-HUMANISE_VELOCITY, HUMANISE_VELOCITY)
            events.append((start, note_on(note, v)))
            events.append((end, note_off(note)))
    return events


def check_polyphony(tracks):
    """At most seven notes may sound at once."""
    changes = []
    for events in tracks:
        for t, data in events:
            kind = data[0] & 0xF0
            if kind == 0x90:
                changes.append((t, 1))
            elif kind == 0x80:
                changes.append((t, -1))
    sounding = peak = 0
    for _, change in sorted(changes):
        sounding += change
        peak = max(peak, sounding)
    assert peak <= 7, "more than seven notes at once (%d)" % peak


def build():
    rng = random.Random(84)
    end_tick = tick(*END_BEAT)

    conductor = [
        (0, meta(0x03, b"Glass Harbour")),
        (0, meta(0x58, bytes([4, 2, 24, 8]))),                      # 4/4
        (0, meta(0x59, bytes([0xFF, 1]))),                          # D minor
        (0, meta(0x51, struct.pack(">I", round(60_000_000 / BPM))[1:])),
    ]
    bass = notes_track("Bass", BASS, rng)
    chords = notes_track("Chords", CHORDS, rng, roll=True)
    melody = notes_track("Melody", MELODY, rng)
    melody += pitch_bend_events() + mod_wheel_events()
    check_polyphony([bass, chords, melody])

    tracks = [conductor, bass, chords, melody]
    header = b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), PPQ)
    return header + b"".join(track_chunk(t, end_tick) for t in tracks)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "demo", "demo-song.mid")
    os.makedirs(os.path.dirname(os.path.abspath(target)), exist_ok=True)
    data = build()
    with open(target, "wb") as f:
        f.write(data)
    seconds = (END_BEAT[0] - 1) * BEATS_PER_BAR * 60.0 / BPM + (END_BEAT[1] - 1) * 60.0 / BPM
    print("wrote %s (%d bytes, %.1f s at %d bpm)" % (target, len(data), seconds, BPM))


if __name__ == "__main__":
    main()
