#!/usr/bin/env python3
"""Tests of quorvane-render, run by CTest: one case per invocation.

    render_test.py CASE --tool PATH --demo PATH --work DIR [--rate HZ] [--bits N]

Each case works in its own folder (emptied first) so that it can check that a failed
render leaves nothing behind. Standard library only; WAV files are parsed by hand so
that 24-bit and floating-point files are read the same way as 16-bit ones.
"""

import argparse
import array
import math
import os
import shutil
import signal
import struct
import subprocess
import sys
import time

DEMO_LENGTH = 8.0   # seconds of the demo rendered per rate: the intro and the first chords
TAIL = 0.5
RATES = (44100, 48000, 88200, 96000)

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAILED: " + message)
    return condition


# ---------------------------------------------------------------------------
# WAV reading

class Wav:
    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read()
        if data[0:4] != b"RIFF" or data[8:12] != b"WAVE":
            raise ValueError("%s: not a RIFF WAVE file" % path)
        fmt = None
        samples = None
        pos = 12
        while pos + 8 <= len(data):
            chunk_id = data[pos:pos + 4]
            size = struct.unpack_from("<I", data, pos + 4)[0]
            body = data[pos + 8:pos + 8 + size]
            if chunk_id == b"fmt ":
                fmt = body
            elif chunk_id == b"data":
                samples = body
            pos += 8 + size + (size & 1)
        if fmt is None or samples is None:
            raise ValueError("%s: no fmt or data chunk" % path)

        tag, self.channels, self.rate, _, self.block_align, self.bits = struct.unpack_from("<HHIIHH", fmt, 0)
        if tag == 0xFFFE:  # extensible: the sub-format GUID starts with the real tag
            tag = struct.unpack_from("<H", fmt, 24)[0]
        self.tag = tag
        self.is_float = tag == 3
        self.frames = len(samples) // self.block_align
        self.values = self._decode(samples)

    def _decode(self, raw):
        if self.tag == 1 and self.bits == 16:
            values = array.array("h")
            values.frombytes(raw[:len(raw) - len(raw) % 2])
            scale = 1.0 / 32768.0
        elif self.tag == 1 and self.bits == 24:
            count = len(raw) // 3
            padded = bytearray(4 * count)  # each sample shifted into the top of 32 bits
            padded[1::4] = raw[0:3 * count:3]
            padded[2::4] = raw[1:3 * count:3]
            padded[3::4] = raw[2:3 * count:3]
            values = array.array("i")
            values.frombytes(bytes(padded))
            scale = 1.0 / 2147483648.0
        elif self.tag == 3 and self.bits == 32:
            values = array.array("f")
            values.frombytes(raw[:len(raw) - len(raw) % 4])
            scale = 1.0
        else:
            raise ValueError("unexpected WAV format: tag %d, %d bits" % (self.tag, self.bits))
        if sys.byteorder != "little":
            values.byteswap()
        return values, scale

    def peak(self):
        values, scale = self.values
        if not values:
            return 0.0
        return max(abs(max(values)), abs(min(values))) * scale

    def all_finite(self):
        values, _ = self.values
        if not self.is_float:
            return True
        return all(math.isfinite(v) for v in values)

    def first_sound(self, threshold):
        """Time in seconds of the first sample above the threshold, or None."""
        values, scale = self.values
        limit = threshold / scale
        for i, v in enumerate(values):
            if abs(v) > limit:
                return (i // self.channels) / self.rate
        return None


# ---------------------------------------------------------------------------
# Helpers

def run(args, tool):
    result = subprocess.run([tool] + args, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            universal_newlines=True, timeout=600)
    return result.returncode, result.stdout, result.stderr


def files_in(folder):
    return sorted(os.listdir(folder))


def write_midi(path, tracks, ppq=480):
    """tracks: lists of (delta ticks, event bytes); an end-of-track is appended."""
    def var_length(value):
        out = [value & 0x7F]
        value >>= 7
        while value:
            out.append(0x80 | (value & 0x7F))
            value >>= 7
        return bytes(reversed(out))

    chunks = []
    for events in tracks:
        body = b"".join(var_length(d) + e for d, e in events) + b"\x00\xff\x2f\x00"
        chunks.append(b"MTrk" + struct.pack(">I", len(body)) + body)
    with open(path, "wb") as f:
        f.write(b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), ppq) + b"".join(chunks))


def expect_refusal(opts, args, needles, what):
    """The tool must fail with a message holding every needle, and leave no file behind."""
    before = files_in(opts.work)
    code, out, err = run(args, opts.tool)
    check(code != 0, "%s: exit code %d, expected a failure" % (what, code))
    for needle in needles:
        check(needle.lower() in err.lower(), "%s: message %r lacks %r" % (what, err.strip(), needle))
    check(err.startswith("quorvane-render: "), "%s: message %r is not prefixed by the tool name" % (what, err))
    check(files_in(opts.work) == before,
          "%s: files changed in the work folder: %s -> %s" % (what, before, files_in(opts.work)))
    return err


STATE_TAG = "APVTSQuorvanepluginin"


def state_blob(xml_text):
    """A saved state as the plug-in hands it to a host: magic, length, XML text, NUL."""
    text = xml_text.encode("utf-8")
    return struct.pack("<II", 0x21324356, len(text)) + text + b"\x00"


# ---------------------------------------------------------------------------
# Cases

def case_demo(opts):
    """The demo renders at the given rate: right length and format, finite and not silent."""
    out = os.path.join(opts.work, "demo.wav")
    started = time.time()
    code, stdout, err = run([opts.demo, "--rate", str(opts.rate), "--length", str(DEMO_LENGTH),
                             "--tail", str(TAIL), "-o", out], opts.tool)
    if not check(code == 0, "render failed (%d): %s" % (code, err)):
        return
    print(stdout.strip())
    print("rendered in %.1f s" % (time.time() - started))
    wav = Wav(out)
    check(wav.rate == opts.rate, "rate %d, expected %d" % (wav.rate, opts.rate))
    check(wav.channels == 2, "%d channels, expected 2" % wav.channels)
    check(wav.tag == 1 and wav.bits == 24, "format tag %d, %d bits; expected 24-bit PCM" % (wav.tag, wav.bits))
    expected = math.ceil(DEMO_LENGTH * opts.rate)
    check(wav.frames == expected, "%d frames, expected %d" % (wav.frames, expected))
    check(wav.all_finite(), "samples that are not finite")
    peak = wav.peak()
    check(peak > 1e-3, "silent output (peak %g)" % peak)
    check(peak <= 1.0, "peak %g above full scale" % peak)
    check("peak" in stdout and "RMS" in stdout and "real-time factor" in stdout,
          "summary lacks peak, RMS or real-time factor: %r" % stdout)
    check(files_in(opts.work) == ["demo.wav"], "stray files: %s" % files_in(opts.work))


def case_bits(opts):
    """--bits 16 / 24 / 32 write 16-bit PCM, 24-bit PCM and 32-bit float WAV files."""
    out = os.path.join(opts.work, "bits.wav")
    code, _, err = run([opts.demo, "--bits", str(opts.bits), "--rate", "44100", "--length", "6.5",
                        "-q", "-o", out], opts.tool)
    if not check(code == 0, "render failed (%d): %s" % (code, err)):
        return
    wav = Wav(out)
    expected_tag = 3 if opts.bits == 32 else 1
    check(wav.tag == expected_tag, "format tag %d, expected %d" % (wav.tag, expected_tag))
    check(wav.bits == opts.bits, "%d bits, expected %d" % (wav.bits, opts.bits))
    check(wav.block_align == 2 * opts.bits // 8, "block align %d" % wav.block_align)
    check(wav.rate == 44100 and wav.channels == 2, "rate %d, %d channels" % (wav.rate, wav.channels))
    check(wav.frames == math.ceil(6.5 * 44100), "%d frames" % wav.frames)
    check(wav.all_finite(), "samples that are not finite")
    check(wav.peak() > 1e-3, "silent output (peak %g)" % wav.peak())


def case_refuse_rate(opts):
    """An unsupported rate is refused with the list of supported ones."""
    out = os.path.join(opts.work, "out.wav")
    err = expect_refusal(opts, [opts.demo, "--rate", "32000", "-o", out],
                         ["32000", "44100, 48000, 88200 or 96000"], "--rate 32000")
    check(err.count("\n") == 1, "more than one line: %r" % err)


def case_missing_input(opts):
    """A missing input file is named in a clear message."""
    out = os.path.join(opts.work, "out.wav")
    expect_refusal(opts, [os.path.join(opts.work, "no-such-song.mid"), "-o", out],
                   ["cannot read MIDI file", "no-such-song.mid", "no such file"], "missing input")
    expect_refusal(opts, [opts.work, "-o", out], ["cannot read MIDI file", "folder"], "folder as input")
    expect_refusal(opts, ["-o", out], ["no MIDI file given"], "no input")


def case_broken_input(opts):
    """Files that are not standard MIDI files are refused, and so is one without events."""
    out = os.path.join(opts.work, "out.wav")
    inputs = os.path.join(opts.work, "inputs")
    os.mkdir(inputs)
    garbage = os.path.join(inputs, "garbage.mid")
    with open(garbage, "wb") as f:
        f.write(b"this is not a MIDI file at all\n" * 4)
    expect_refusal(opts, [garbage, "-o", out], ["cannot read MIDI file", "garbage.mid", "standard MIDI"],
                   "garbage input")
    empty = os.path.join(inputs, "empty.mid")
    open(empty, "wb").close()
    expect_refusal(opts, [empty, "-o", out], ["cannot read MIDI file", "empty"], "empty input")
    silent = os.path.join(inputs, "no-events.mid")
    write_midi(silent, [[(0, b"\xff\x51\x03\x07\xa1\x20")]])
    expect_refusal(opts, [silent, "-o", out], ["cannot read MIDI file", "no notes"], "input without events")


def case_no_partial_output(opts):
    """Failures leave no output or temporary file, and an existing output stays as it was."""
    out = os.path.join(opts.work, "song.wav")
    with open(out, "wb") as f:
        f.write(b"an earlier render")

    bad_preset = os.path.join(opts.work, "bad-preset.xml")
    with open(bad_preset, "w") as f:
        f.write("<somethingElse><PARAM id='drivergain' value='20'/></somethingElse>")
    expect_refusal(opts, [opts.demo, "--preset", bad_preset, "-o", out],
                   ["cannot load preset", "not a Quorvane preset"], "foreign preset")
    with open(bad_preset, "w") as f:
        f.write("this is not XML at all")
    expect_refusal(opts, [opts.demo, "--preset", bad_preset, "-o", out],
                   ["cannot load preset", "not valid XML"], "broken preset")
    bad_state = os.path.join(opts.work, "bad.state")
    with open(bad_state, "wb") as f:
        f.write(b"\x00\x01\x02 not a state")
    expect_refusal(opts, [opts.demo, "--state", bad_state, "-o", out],
                   ["cannot load saved state"], "broken state")
    expect_refusal(opts, [opts.demo, "-o", os.path.join(opts.work, "no-folder", "x.wav")],
                   ["cannot write", "does not exist"], "missing output folder")
    with open(out, "rb") as f:
        check(f.read() == b"an earlier render", "the earlier output file was changed")

    # An interrupted render removes its temporary file.
    fresh = os.path.join(opts.work, "interrupted.wav")
    before = files_in(opts.work)
    process = subprocess.Popen([opts.tool, opts.demo, "--rate", "96000", "--block", "16", "--tail", "30",
                                "-q", "-o", fresh], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    deadline = time.time() + 30
    temp_seen = False
    while time.time() < deadline and process.poll() is None:
        if len(files_in(opts.work)) > len(before):
            temp_seen = True
            time.sleep(0.3)
            break
        time.sleep(0.02)
    if process.poll() is None:
        process.send_signal(signal.SIGTERM)
    process.communicate(timeout=60)
    check(temp_seen, "no temporary file appeared while rendering")
    check(process.returncode != 0, "the interrupted render exited with 0")
    check(files_in(opts.work) == before, "files left after an interrupted render: %s" % files_in(opts.work))


def case_bad_options(opts):
    """Nonsense options are refused, each with its own message."""
    out = os.path.join(opts.work, "out.wav")
    cases = [
        (["--frobnicate"], ["unknown option"]),
        (["--bits", "12"], ["--bits", "16, 24 or 32"]),
        (["--block", "0"], ["block size"]),
        (["--block", "9000"], ["block size"]),
        (["--tail", "-1"], ["tail"]),
        (["--length", "0"], ["length"]),
        (["--tempo", "fast"], ["tempo"]),
        (["--rate"], ["needs a value"]),
        (["--preset", "a.xml", "--state", "b.state"], ["cannot be used together"]),
    ]
    for extra, needles in cases:
        expect_refusal(opts, [opts.demo, "-o", out] + extra, needles, " ".join(extra))
    code, stdout, _ = run(["--help"], opts.tool)
    check(code == 0 and "Usage: quorvane-render" in stdout and "--length" in stdout, "--help: %d %r" % (code, stdout))


def case_preset_and_state(opts):
    """The default instrument saved as a preset renders the same as no preset; a changed
    preset changes the sound; the same settings as a saved state give the same file."""
    import xml.etree.ElementTree as ElementTree

    default_preset = os.path.join(opts.work, "default.xml")
    code, stdout, err = run(["--save-preset", default_preset], opts.tool)
    if not check(code == 0 and os.path.isfile(default_preset), "--save-preset failed (%d): %s" % (code, err)):
        return
    check(files_in(opts.work) == ["default.xml"], "stray files: %s" % files_in(opts.work))

    tree = ElementTree.parse(default_preset)
    root = tree.getroot()
    check(root.tag == STATE_TAG, "the saved preset's root is <%s>" % root.tag)
    params = [p for p in root.iter("PARAM") if p.get("id") == "drivergain"]
    if not check(len(params) == 1, "the saved preset has no drivergain parameter"):
        return
    params[0].set("value", "15")
    quiet_preset = os.path.join(opts.work, "quiet.xml")
    tree.write(quiet_preset, encoding="UTF-8", xml_declaration=True)
    with open(quiet_preset, encoding="utf-8") as f:
        quiet_state = os.path.join(opts.work, "quiet.state")
        with open(quiet_state, "wb") as g:
            g.write(state_blob(f.read()))

    # Round trip: the preset written from the quiet state matches the quiet preset.
    resaved = os.path.join(opts.work, "resaved.xml")
    code, _, err = run(["--state", quiet_state, "--save-preset", resaved, "-q"], opts.tool)
    if check(code == 0, "--state with --save-preset failed (%d): %s" % (code, err)):
        value = [p.get("value") for p in ElementTree.parse(resaved).getroot().iter("PARAM")
                 if p.get("id") == "drivergain"]
        check(value and float(value[0]) == 15.0, "the state did not set drivergain: %s" % value)

    renders = {}
    common = [opts.demo, "--rate", "44100", "--length", "7", "-q", "--bits", "32"]
    for name, extra in (("plain", []), ("default", ["--preset", default_preset]),
                        ("preset", ["--preset", quiet_preset]), ("state", ["--state", quiet_state])):
        target = os.path.join(opts.work, name + ".wav")
        code, _, err = run(common + extra + ["-o", target], opts.tool)
        check(code == 0, "render %s failed (%d): %s" % (name, code, err))
        renders[name] = target
    if failures:
        return

    def content(name):
        with open(renders[name], "rb") as f:
            return f.read()

    check(content("plain") == content("default"), "the saved default preset does not render as the default")
    check(content("plain") != content("preset"), "the changed preset did not change the output")
    check(Wav(renders["preset"]).peak() > 1e-3, "the changed preset renders silence")
    check(content("preset") == content("state"), "preset and saved state renders differ")


def case_tempo_map(opts):
    """Ticks become seconds through the tempo map, across tracks: a note after a tempo change
    sounds on time. 120 bpm for two beats (1 s), then 60 bpm: beat 4 falls at 2 s."""
    song = os.path.join(opts.work, "tempo.mid")
    conductor = [(0, b"\xff\x51\x03\x07\xa1\x20"), (960, b"\xff\x51\x03\x0f\x42\x40")]
    notes = [(1440, b"\x90\x45\x64"), (480, b"\x80\x45\x40")]
    write_midi(song, [conductor, notes])
    out = os.path.join(opts.work, "tempo.wav")
    for block in (64, 512):
        code, stdout, err = run([song, "--rate", "48000", "--block", str(block), "--tail", "1", "-o", out],
                                opts.tool)
        if not check(code == 0, "render failed (%d): %s" % (code, err)):
            return
        check("tempo 120.0 bpm" in stdout, "the play head tempo is not the file's first tempo: %r" % stdout)
        wav = Wav(out)
        onset = wav.first_sound(1e-4)
        check(onset is not None, "no sound at all")
        if onset is not None:
            # The instrument starts the events of a block with the block; allow that and the attack.
            check(2.0 - block / 48000.0 - 0.001 <= onset <= 2.03,
                  "block %d: the note sounds at %.4f s, expected 2 s" % (block, onset))
        check(wav.frames == 4 * 48000, "%d frames, expected %d (last event + tail)" % (wav.frames, 4 * 48000))
    code, stdout, _ = run([song, "--tempo", "90", "--length", "0.1", "-o", out], opts.tool)
    check(code == 0 and "tempo 90.0 bpm" in stdout, "--tempo 90 is not reported: %r" % stdout)


CASES = {
    "demo": case_demo,
    "bits": case_bits,
    "refuse-rate": case_refuse_rate,
    "missing-input": case_missing_input,
    "broken-input": case_broken_input,
    "no-partial-output": case_no_partial_output,
    "bad-options": case_bad_options,
    "preset-and-state": case_preset_and_state,
    "tempo-map": case_tempo_map,
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("case", choices=sorted(CASES))
    parser.add_argument("--tool", required=True)
    parser.add_argument("--demo", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--rate", type=int, default=48000)
    parser.add_argument("--bits", type=int, default=24)
    opts = parser.parse_args()

    shutil.rmtree(opts.work, ignore_errors=True)
    os.makedirs(opts.work)
    CASES[opts.case](opts)
    if failures:
        print("%d check(s) failed" % len(failures))
        return 1
    print("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
