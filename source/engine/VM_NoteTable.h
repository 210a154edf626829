#pragma once
// Equal-tempered note frequencies for the string voices, MIDI notes 24 to 99.
// Each value is 440 * 2^((n - 69) / 12) Hz rounded to two decimals; E5 (note 76)
// is tuned to 659.25 Hz.

namespace vm
{
constexpr int kNoteTableFirst = 24;
constexpr int kNoteTableLast = 99;
constexpr int kNoteTableSize = kNoteTableLast - kNoteTableFirst + 1; // 76

constexpr double kNoteFrequencies[kNoteTableSize] = {
    32.7,    34.65,   36.71,   38.89,   41.2,    43.65,   46.25,   49,      51.91,   55,
    58.27,   61.74,   65.41,   69.3,    73.42,   77.78,   82.41,   87.31,   92.5,    98,
    103.83,  110,     116.54,  123.47,  130.81,  138.59,  146.83,  155.56,  164.81,  174.61,
    185,     196,     207.65,  220,     233.08,  246.94,  261.63,  277.18,  293.66,  311.13,
    329.63,  349.23,  369.99,  392,     415.3,   440,     466.16,  493.88,  523.25,  554.37,
    587.33,  622.25,  659.25,  698.46,  739.99,  783.99,  830.61,  880,     932.33,  987.77,
    1046.5,  1108.73, 1174.66, 1244.51, 1318.51, 1396.91, 1479.98, 1567.98, 1661.22, 1760,
    1864.66, 1975.53, 2093,    2217.46, 2349.32, 2489.02};

// Frequency of a MIDI note in Hz; notes outside the table take its nearest end.
constexpr double noteFrequency(int note) noexcept
{
    if (note < kNoteTableFirst)
        note = kNoteTableFirst;
    if (note > kNoteTableLast)
        note = kNoteTableLast;
    return kNoteFrequencies[note - kNoteTableFirst];
}
} // namespace vm
