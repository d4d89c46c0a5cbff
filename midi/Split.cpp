#include "Split.h"

#include "platform/TextEncoding.h"
#include "res/Strings.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tonwerk::midi {

namespace {

constexpr const char* kGeneralMidiNames[128] = {"1 Acoustic Grand",
                                                "2 Bright Acoustic",
                                                "3 Electric Grand",
                                                "4 Honky-Tonk",
                                                "5 Electric Piano 1",
                                                "6 Electric Piano 2",
                                                "7 Harpsichord",
                                                "8 Clav",
                                                "9 Celesta",
                                                "10 Glockenspiel",
                                                "11 Music Box",
                                                "12 Vibraphone",
                                                "13 Marimba",
                                                "14 Xylophone",
                                                "15 Tubular Bells",
                                                "16 Dulcimer",
                                                "17 Drawbar Organ",
                                                "18 Percussive Organ",
                                                "19 Rock Organ",
                                                "20 Church Organ",
                                                "21 Reed Organ",
                                                "22 Accoridan",
                                                "23 Harmonica",
                                                "24 Tango Accordian",
                                                "25 Nylon Guitar",
                                                "26 Steel Guitar",
                                                "27 Jazz Guitar",
                                                "28 Clean Guitar",
                                                "29 Muted Guitar",
                                                "30 Overdriven Guitar",
                                                "31 Distortion Guitar",
                                                "32 Guitar Harmonics",
                                                "33 Acoustic Bass",
                                                "34 Fingered Bass",
                                                "35 Picked Bass",
                                                "36 Fretless Bass",
                                                "37 Slap Bass 1",
                                                "38 Slap Bass 2",
                                                "39 Synth Bass 1",
                                                "40 Synth Bass 2",
                                                "41 Violin",
                                                "42 Viola",
                                                "43 Cello",
                                                "44 Contrabass",
                                                "45 Tremolo Strings",
                                                "46 Pizzicato Strings",
                                                "47 Orchestral Strings",
                                                "48 Timpani",
                                                "49 String Ensemble 1",
                                                "50 String Ensemble 2",
                                                "51 SynthStrings 1",
                                                "52 SynthStrings 2",
                                                "53 Choir Aahs",
                                                "54 Voice Oohs",
                                                "55 Synth Voice",
                                                "56 Orchestra Hit",
                                                "57 Trumpet",
                                                "58 Trombone",
                                                "59 Tuba",
                                                "60 Muted Trumpet",
                                                "61 French Horn",
                                                "62 Brass Section",
                                                "63 SynthBrass 1",
                                                "64 SynthBrass 2",
                                                "65 Soprano Sax",
                                                "66 Alto Sax",
                                                "67 Tenor Sax",
                                                "68 Baritone Sax",
                                                "69 Oboe",
                                                "70 English Horn",
                                                "71 Bassoon",
                                                "72 Clarinet",
                                                "73 Piccolo",
                                                "74 Flute",
                                                "75 Recorder",
                                                "76 Pan Flute",
                                                "77 Blown Bottle",
                                                "78 Skakuhachi",
                                                "79 Whistle",
                                                "80 Ocarina",
                                                "81 Lead 1 (square)",
                                                "82 Lead 2 (sawtooth)",
                                                "83 Lead 3 (calliope)",
                                                "84 Lead 4 (chiff)",
                                                "85 Lead 5 (charang)",
                                                "86 Lead 6 (voice)",
                                                "87 Lead 7 (fifths)",
                                                "88 Lead 8 (bass+lead)",
                                                "89 Pad 1 (new age)",
                                                "90 Pad 2 (warm)",
                                                "91 Pad 3 (polysynth)",
                                                "92 Pad 4 (choir)",
                                                "93 Pad 5 (bowed)",
                                                "94 Pad 6 (metallic)",
                                                "95 Pad 7 (halo)",
                                                "96 Pad 8 (sweep)",
                                                "97 FX 1 (rain)",
                                                "98 FX 2 (soundtrack)",
                                                "99 FX 3 (crystal)",
                                                "100 FX 4 (atmosphere)",
                                                "101 FX 5 (brightness)",
                                                "102 FX 6 (goblins)",
                                                "103 FX 7 (echoes)",
                                                "104 FX 8 (sci-fi)",
                                                "105 Sitar",
                                                "106 Banjo",
                                                "107 Shamisen",
                                                "108 Koto",
                                                "109 Kalimba",
                                                "110 Bagpipe",
                                                "111 Fiddle",
                                                "112 Shanai",
                                                "113 Tinkle Bell",
                                                "114 Agogo",
                                                "115 Steel Drums",
                                                "116 Woodblock",
                                                "117 Taiko Drum",
                                                "118 Melodic Tom",
                                                "119 Synth Drum",
                                                "120 Reverse Cymbal",
                                                "121 Guitar Fret Noise",
                                                "122 Breath Noise",
                                                "123 Seashore",
                                                "124 Bird Tweet",
                                                "125 Telephone Ring",
                                                "126 Helicopter",
                                                "127 Applause",
                                                "128 Gunshot"};

constexpr const char* kNoteNames[12] = {" C", "#C", " D", "#D", " E", " F", "#F", " G", "#G", " A", "#A", " B"};

// Floor division and modulo, so that negative keys (possible in a loaded file) still name a note.
int floorDiv(int a, int b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0); }
int floorMod(int a, int b) { return a - floorDiv(a, b) * b; }

std::string splitLabel(int index) {
    char label[16];
    static_cast<void>(std::snprintf(label, sizeof label, index + 1 < 10 ? "Split 0%d" : "Split %d", index + 1));
    return label;
}

} // namespace

void resetSampleBlock(Split& split) {
    split.sample = SampleBlock{};
    split.sample.sampleRate = 22050;
    split.sample.pan = 400;
    split.sample.sampleFlags = 9;
}

void resetVideoBlock(Split& split, int index) {
    VideoBlock& v = split.video;
    v = VideoBlock{};
    v.splitIndex = index; // the clip identifier
    v.firstStream = -1;
    v.endStream = -1;
    v.clipEnd = 1000;
    v.stepWidth = 1;
    v.rangeEnd = 1000;
    v.rowEnd.fill(1000);
    v.optionFlags = 2;
    v.brightness = 0xFFFF;
    v.effectFlags = 0x4000000;
    v.mixMode = 0x4000000;
    v.mixX = -1;
    v.mixY = -1;
    v.mixWidth = -1;
    v.mixHeight = -1;
    v.blackKeyLevel = 5;
    v.whiteKeyLevel = 200;
    v.blueKeyLevel = 200;
    v.keyRange = {255, 0, 255, 0, 255, 0};
    v.rowEffect = {0x800000, 0x10000, 4, 0x100000, 0x80000, 0x200000, 8, 2};
    v.rowEnabled.fill(1);
    v.currentRow = -1;
}

std::int32_t VideoBlock::word(std::size_t splitOffset) const {
    std::int32_t value = 0;
    const std::size_t offset = splitOffset - 604;
    if (offset + sizeof value <= sizeof(VideoBlock)) {
        std::memcpy(&value, reinterpret_cast<const unsigned char*>(this) + offset, sizeof value);
    }
    return value;
}

void resetSplit(Split& split, int setupNumber, int index, std::int32_t screenMask) {
    std::memset(&split, 0, sizeof split);
    split.midiOutChannel = index;
    split.velocityMax = 127;
    split.keyHigh = 127;
    split.bank = -30000;
    for (std::size_t i = 0; i < split.velocityCurve.size(); ++i) {
        split.velocityCurve[i] = static_cast<std::uint8_t>(i);
    }
    split.curveEditMode = 1;
    const std::string comment = "Setup " + std::to_string(setupNumber) + " Split " + std::to_string(index + 1);
    std::memcpy(split.comment.data(), comment.data(), std::min(comment.size(), split.comment.size() - 1));
    split.reserved220 = -30000;
    split.playingLimit = 1;
    split.noteInterval = 2;
    split.noteCounter = index;
    split.noteCounterReset = 1;
    split.controllerTarget = 1;
    split.pressureTarget = 1;
    split.pitchTarget = 1;
    split.noteTarget = 1;
    split.velocityTarget = 1;
    split.setSampleMode(SampleMode::Tuned);
    split.rootNote = 60;
    setFieldText(split.fileName, res::loadString(res::StringId::kNoMediaLoaded));
    split.setTask(SplitTask::Midi);
    split.lastIndex = 8;
    split.loopTempo = 120;
    split.setupTempo = 120;
    split.crossfaderValue = 63;
    split.splitNumber = index;
    split.screenMask = screenMask;
    resetSampleBlock(split);
    resetVideoBlock(split, index);
}

std::string noteName(int key) {
    return std::string(kNoteNames[floorMod(key, 12)]) + std::to_string(floorDiv(key, 12) - 2);
}

const char* generalMidiName(int program) { return (program >= 0 && program < 128) ? kGeneralMidiNames[program] : ""; }

std::string fieldText(const char* field, std::size_t size) {
    const std::size_t length = static_cast<std::size_t>(std::find(field, field + size, '\0') - field);
    return platform::decodeLegacyText(std::string_view(field, length));
}

bool setFieldText(char* field, std::size_t size, std::string_view text) {
    if (size == 0 || text.size() >= size || text.find('\0') != std::string_view::npos) {
        return false;
    }
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), text.size());
    return true;
}

std::string splitSummary(const Split& split, int index) {
    const std::string label = splitLabel(index);
    if (split.stateKind() == SplitState::Off) {
        return label + "\toff\t \t \t \t \t";
    }
    std::string name;
    if (split.showComment == 1) {
        name = fieldText(split.comment);
    } else if (split.taskKind() == SplitTask::Sample || split.taskKind() == SplitTask::Avi) {
        const auto offset = static_cast<std::size_t>(
            std::clamp<std::int32_t>(split.fileTitleOffset, 0, static_cast<std::int32_t>(split.fileName.size())));
        name = fieldText(split.fileName.data() + offset, split.fileName.size() - offset);
    } else {
        name = generalMidiName(split.program);
    }
    const std::string keys =
        split.keyLow == split.keyHigh ? noteName(split.keyLow) : noteName(split.keyLow) + "-" + noteName(split.keyHigh);
    // The channel shown is the one the split sends on (its low four bits).
    return label + "\t" + name + "\t" + std::to_string((split.midiOutChannel & 0x0F) + 1) + "\t" +
           std::to_string(split.velocityMin) + "-" + std::to_string(split.velocityMax) + "\t" + keys + "\t" +
           std::to_string(split.midiInChannel + 1) + "\t" + std::to_string(split.transpose);
}

} // namespace tonwerk::midi
