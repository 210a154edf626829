#!/usr/bin/env python3
"""Writes demo/demo-song.mid, a slow piece for the default instrument (the pitched bar).

"Glass Harbour": D minor, 84 bpm, 17 bars (about 49 seconds). Low bass notes, rolled
chords, a melody on top, a bent note in bar 12 and a mod-wheel sweep (strike position)
through bars 9 to 11. The default instrument takes notes 24 to 84 and has seven voices,
so no more than seven notes sound at once. Low notes ring the resonator hardest whatever
their velocity, so the bass is struck softly, the chords sit above middle C, and A1 and A2
(which the default bars answer most loudly) are left out: the render stays below 0 dBFS.

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
    (1, 1, 7.6, ["D2"], 55),
    (3, 1, 3.8, ["Bb2"], 50),
    (4, 1, 3.8, ["C2"], 48),
    (5, 1, 3.8, ["D2"], 53),
    (6, 1, 3.8, ["Bb2"], 47),
    (7, 1, 3.8, ["G1"], 40),
    (8, 1, 1.8, ["E2"], 54),
    (8, 3, 1.8, ["C#2"], 40),
    (9, 1, 1.8, ["D2"], 44),
    (9, 3, 1.8, ["F2"], 42),
    (10, 1, 3.8, ["F1"], 49),
    (11, 1, 3.8, ["G1"], 48),
    (12, 1, 3.8, ["Bb2"], 46),
    (13, 1, 3.8, ["G1"], 50),
    (14, 1, 1.8, ["E2"], 45),
    (14, 3, 1.8, ["C#2"], 44),
    (15, 1, 3.8, ["Bb2"], 52),
    (16, 1, 3.8, ["C2"], 53),
    (17, 1, 6.0, ["D1"], 60),
]

# Chords, rolled upwards: (bar, beat, beats, notes, velocity)
CHORDS = [
    (3, 1, 3.8, ["D4", "F4", "C5"], 31),
    (4, 1, 3.8, ["E4", "G4", "D5"], 29),
    (5, 1, 3.8, ["F4", "A4", "C5", "E5"], 33),
    (6, 1, 3.8, ["D4", "F4", "C5"], 30),
    (7, 1, 3.8, ["Bb4", "F5", "A5"], 32),
    (8, 1, 1.8, ["A4", "D5", "E5"], 34),
    (8, 3, 1.8, ["A4", "C#5", "E5"], 36),
    (9, 1, 3.8, ["F4", "A4", "C5", "E5"], 30),
    (10, 1, 3.8, ["A4", "C5", "E5"], 32),
    (11, 1, 1.8, ["Bb4", "D5", "F5"], 33),
    (11, 3, 1.8, ["Bb4", "D5", "F5"], 25),
    (12, 1, 3.8, ["D4", "F4", "C5"], 28),
    (13, 1, 3.8, ["Bb4", "D5", "F5"], 34),
    (14, 1, 1.8, ["A4", "D5", "E5"], 35),
    (14, 3, 1.8, ["G4", "C#5", "E5"], 37),
    (15, 1, 3.8, ["D4", "F4", "Bb4"], 36),
    (16, 1, 3.8, ["E4", "G4", "C5"], 38),
    (17, 1, 6.0, ["F#4", "A4", "E5", "A5"], 32),
]

# Melody: (bar, beat, beats, note, velocity)
MELODY = [
    # Intro: a few high strikes over the open bass.
    (1, 2.5, 1.4, "A5", 64),
    (1, 4, 1.8, "E5", 55),
    (2, 1.5, 1.4, "D5", 68),
    (2, 3, 1.8, "A4", 59),
    (2, 4.5, 0.45, "C5", 53),
    # First phrase.
    (3, 1, 1.9, "A4", 95),
    (3, 3, 0.9, "F4", 79),
    (3, 4, 0.9, "G4", 84),
    (4, 1, 1.4, "E4", 90),
    (4, 2.5, 0.45, "D4", 70),
    (4, 3, 1.9, "E4", 86),
    (5, 1, 0.9, "F4", 88),
    (5, 2, 0.9, "A4", 97),
    (5, 3, 1.9, "D5", 108),
    (6, 1, 1.4, "C5", 99),
    (6, 2.5, 0.45, "A4", 77),
    (6, 3, 1.9, "F4", 81),
    # Second phrase, climbing.
    (7, 1, 0.9, "G4", 86),
    (7, 2, 0.9, "Bb4", 92),
    (7, 3, 0.9, "D5", 101),
    (7, 4, 0.9, "F5", 110),
    (8, 1, 1.9, "E5", 114),
    (8, 3, 1.9, "C#5", 99),
    (9, 1, 2.9, "D5", 92),
    (9, 4, 0.9, "A4", 75),
    (10, 1, 0.9, "C5", 88),
    (10, 2, 0.9, "E5", 97),
    (10, 3, 1.9, "G5", 112),
    # Third phrase: the bent note in bar 12.
    (11, 1, 1.9, "F5", 106),
    (11, 3, 0.9, "D5", 88),
    (11, 4, 0.9, "Bb4", 79),
    (12, 1.5, 3.4, "A4", 101),
    (13, 1, 0.9, "D5", 97),
    (13, 2, 0.9, "C5", 84),
    (13, 3, 0.9, "Bb4", 77),
    (13, 4, 0.9, "A4", 73),
    (14, 1, 1.9, "G4", 88),
    (14, 3, 1.9, "A4", 95),
    # Close.
    (15, 1, 1.9, "D5", 103),
    (15, 3, 1.9, "F5", 110),
    (16, 1, 1.9, "E5", 106),
    (16, 3, 0.9, "G5", 97),
    (16, 4, 0.9, "E5", 77),
    (17, 1.25, 5.5, "F#5", 92),
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
    print("wrote %s (%d bytes, %.1f s at %d bpm)" % (os.path.relpath(target), len(data), seconds, BPM))


if __name__ == "__main__":
    main()
