#include "setups/SetupFile.h"
#include "midi/EngineFixture.h"
#include "support/RecordingNotifier.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace fs = std::filesystem;
using namespace tonwerk;
using namespace tonwerk::setups;
using tonwerk::test::readFile;
using tonwerk::test::RecordingNotifier;
using tonwerk::test::TempDir;
using tonwerk::test::writeFile;

namespace {

std::span<const std::byte> asBytes(const std::string& s) {
    return std::span(reinterpret_cast<const std::byte*>(s.data()), s.size());
}

void le32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
}

void chunk(std::string& out, const char* id, std::string_view data) {
    out.append(id, 4);
    le32(out, static_cast<std::uint32_t>(data.size()));
    out.append(data);
}

std::string recordPart(const midi::Split& split, std::size_t from, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(&split) + from, size);
}

// The setup list written by hand from the file layout.
std::string stupList(const midi::Setup& setup) {
    std::string body = "STUP";
    for (const midi::Split& split : setup.splits) {
        chunk(body, "SPLT", recordPart(split, 0, 604));
        chunk(body, "AVII", recordPart(split, 604, 276));
        chunk(body, "WAVI", recordPart(split, 880, 64));
    }
    std::string list;
    chunk(list, "LIST", body);
    return list;
}

std::string riff(std::string_view body) {
    std::string out;
    chunk(out, "RIFF", std::string("MAKE") + std::string(body));
    return out;
}

midi::Setup defaultSetup() {
    midi::Setup setup{};
    for (int i = 0; i < midi::kSplitCount; ++i) {
        midi::resetSplit(setup.splits[static_cast<std::size_t>(i)], 0, i, 4);
    }
    return setup;
}

midi::Setup randomSetup(std::mt19937& rng) {
    midi::Setup setup{};
    auto* bytes = reinterpret_cast<unsigned char*>(&setup.splits);
    for (std::size_t i = 0; i < sizeof setup.splits; ++i) {
        bytes[i] = static_cast<unsigned char>(rng());
    }
    for (midi::Split& s : setup.splits) {
        s.comment.back() = '\0';
        s.fileName.back() = '\0';
    }
    return setup;
}

TEST(SetupFile, SavedSetupIsByteExact) {
    midi::Setup setup = defaultSetup();
    setup.splits[0].state = 1;
    setup.splits[3].transpose = -12;
    setup.splits[23].video.mixX = 17;
    setup.splits[5].sample.volume = -300;
    const std::string expected = riff(stupList(setup));
    ASSERT_EQ(expected.size(), 23256u);
    EXPECT_EQ(setupFileBytes(setup), expected);

    std::string bankBody = "STPS";
    bankBody += stupList(setup);
    bankBody += stupList(defaultSetup());
    std::string stps;
    chunk(stps, "LIST", bankBody);
    const midi::Setup both[] = {setup, defaultSetup()};
    EXPECT_EQ(bankFileBytes(both), riff(stps));
}

TEST(SetupFile, RandomRecordsRoundTrip) {
    std::mt19937 rng(944);
    for (int round = 0; round < 50; ++round) {
        const midi::Setup setup = randomSetup(rng);
        const std::string bytes = setupFileBytes(setup);
        const auto read = readSetupBytes(asBytes(bytes));
        ASSERT_TRUE(read.contents);
        ASSERT_EQ(read.contents->setups.size(), 1u);
        EXPECT_FALSE(read.contents->bank);
        EXPECT_EQ(std::memcmp(&read.contents->setups[0].splits, &setup.splits, sizeof setup.splits), 0);
        EXPECT_EQ(setupFileBytes(read.contents->setups[0]), bytes); // load -> save gives the same file
    }
}

TEST(SetupFile, ChunkRules) {
    const midi::Setup defaults = defaultSetup();
    // Only "SPLT" chunks: video and sample blocks keep their defaults; loopStart is reset.
    midi::Split split = defaults.splits[0];
    split.state = 1;
    split.sample.loopStart = 99;
    std::string body = "STUP";
    chunk(body, "AVII", std::string(276, '\x7f'));                            // before the first split: skipped
    chunk(body, "SPLT", recordPart(split, 0, 604) + std::string(40, '\x55')); // longer: 604 bytes read
    chunk(body, "JUNK", "xyz");                                               // odd size, padded below
    body.push_back('\0');
    chunk(body, "SPLT", recordPart(split, 0, 100)); // short: fills only its bytes
    std::string list;
    chunk(list, "LIST", body);
    const auto read = readSetupBytes(asBytes(riff(list)));
    ASSERT_TRUE(read.contents);
    const midi::Setup& setup = read.contents->setups.at(0);
    EXPECT_EQ(setup.splits[0].state, 1);
    EXPECT_EQ(std::memcmp(&setup.splits[0].video, &defaults.splits[0].video, sizeof(midi::VideoBlock)), 0);
    EXPECT_EQ(setup.splits[0].sample.loopStart, 0);
    EXPECT_EQ(setup.splits[0].sample.pan, 400);
    EXPECT_EQ(setup.splits[1].state, 1); // from the short chunk's first bytes
    EXPECT_EQ(setup.splits[1].program, 0);
    EXPECT_EQ(setup.splits[1].midiOutChannel, 0); // from the chunk (split 0's record)
    EXPECT_EQ(setup.splits[1].rootNote, 60);      // beyond the chunk: default
    EXPECT_EQ(setup.splits[2].state, 0);
}

TEST(SetupFile, MoreThanTwentyFourSplitsAndMoreSetupsThanSlots) {
    midi::Setup setup = defaultSetup();
    std::string body = "STUP";
    for (int i = 0; i < 30; ++i) {
        midi::Split s = setup.splits[0];
        s.transpose = i;
        chunk(body, "SPLT", recordPart(s, 0, 604));
        chunk(body, "WAVI", recordPart(s, 880, 64));
    }
    std::string list;
    chunk(list, "LIST", body);
    std::string stps = "STPS" + list + list + list;
    std::string bank;
    chunk(bank, "LIST", stps);
    const auto read = readSetupBytes(asBytes(riff(bank)));
    ASSERT_TRUE(read.contents);
    EXPECT_TRUE(read.contents->bank);
    ASSERT_EQ(read.contents->setups.size(), 3u);
    EXPECT_EQ(read.contents->setups[2].setupNumber, 2);
    EXPECT_EQ(read.contents->setups[0].splits[23].transpose, 23);
}

TEST(SetupFile, HostileBytesNeverEscapeTheirRecords) {
    std::mt19937 rng(7);
    const std::string good = setupFileBytes(randomSetup(rng));
    // Every truncation of a good file.
    for (std::size_t n = 0; n < good.size(); n += 97) {
        (void)readSetupBytes(asBytes(good.substr(0, n)));
    }
    // Sizes past the end, huge sizes, garbage.
    std::string lying = good;
    lying[4] = lying[5] = lying[6] = lying[7] = '\xff';
    lying[16] = lying[17] = lying[18] = lying[19] = '\xff';
    EXPECT_TRUE(readSetupBytes(asBytes(lying)).contents);
    for (int round = 0; round < 200; ++round) {
        std::string noise = good.substr(0, 12 + rng() % 400);
        for (int flips = 0; flips < 20; ++flips) {
            noise[rng() % noise.size()] = static_cast<char>(rng());
        }
        (void)readSetupBytes(asBytes(noise));
    }
    // Texts without their zero are cut to their field.
    midi::Setup setup = defaultSetup();
    setup.splits[0].comment.fill('c');
    setup.splits[0].fileName.fill('f');
    const auto read = readSetupBytes(asBytes(setupFileBytes(setup)));
    EXPECT_EQ(midi::fieldText(read.contents->setups[0].splits[0].comment), std::string(19, 'c'));
    EXPECT_EQ(std::strlen(read.contents->setups[0].splits[0].fileName.data()), 259u);
}

TEST(SetupFile, NotASetupFile) {
    const auto empty = readSetupBytes({});
    EXPECT_FALSE(empty.contents);
    EXPECT_EQ(empty.mmioError, 265);
    std::string wave;
    chunk(wave, "RIFF", "WAVEfmt ");
    EXPECT_EQ(readSetupBytes(asBytes(wave)).mmioError, 265);
}

// --- Loading into the engine ---

class Hooks final : public SetupLoadHooks {
public:
    std::vector<std::string> calls;
    void stopTransport() override { calls.push_back("stop"); }
    void setupLoaded(int tempo) override { calls.push_back("tempo " + std::to_string(tempo)); }
    void loadCompanionSong(const fs::path& path) override { calls.push_back("song " + path.filename().string()); }
    void reloadSample(int split, midi::Split& record) override {
        calls.push_back("sample " + std::to_string(split) + " " + midi::fieldText(record.fileName));
    }
    void reloadClip(int split, midi::Split&) override { calls.push_back("clip " + std::to_string(split)); }
    void clearMedia(int split, midi::Split&) override { calls.push_back("clear " + std::to_string(split)); }
};

class ScriptedSearch final : public MediaSearch {
public:
    std::vector<Result> answers;
    std::vector<std::string> asked;
    std::function<void()> whileAsking; // what the performer plays while the dialog is open
    Result search(int split, const std::string& stored, midi::SplitTask) override {
        asked.push_back(std::to_string(split) + " " + stored);
        if (whileAsking) {
            whileAsking();
        }
        if (answers.empty()) {
            return {};
        }
        Result r = answers.front();
        answers.erase(answers.begin());
        return r;
    }
};

class SetupStoreTest : public test::EngineTest {
protected:
    TempDir dir;
    RecordingNotifier notifier;
    Hooks setupHooks;
    ScriptedSearch search;
    SetupStore store{engine, notifier, setupHooks, search, MediaFolders{dir / "program", dir / "setups", {}}};

    fs::path saveFile(const midi::Setup& setup, const char* name) {
        fs::create_directories(dir / "setups");
        const fs::path path = dir / "setups" / name;
        writeFile(path, setupFileBytes(setup));
        return path;
    }
};

TEST_F(SetupStoreTest, LoadEndsSoundingNotesAndResendsPrograms) {
    on(0).transpose = 1;
    play(0x90, 60, 100); // held while the setup loads
    midi::Setup setup = defaultSetup();
    setup.splits[2].state = 1;
    setup.splits[2].program = 12;
    setup.splits[0].setupTempo = 97;
    const fs::path path = saveFile(setup, "Gig.mks");
    hooks.take();
    ASSERT_TRUE(store.loadSetupFile(path));
    EXPECT_EQ(hooks.take(), (std::vector<std::string>{"midi 80 3d 64", "key-released 61", "midi c2 0c"}));
    EXPECT_EQ(setupHooks.calls, (std::vector<std::string>{"stop", "tempo 97", "song Gig.mid"}));
    EXPECT_EQ(engine.pool().freeCount(), 512);
    EXPECT_EQ(midi::fieldText(engine.currentSetup().setupName), "Gig.mks");
    play(0x80, 60, 0); // the old key's release finds nothing
    EXPECT_TRUE(hooks.take().empty());
}

TEST_F(SetupStoreTest, KeysPlayedWhileTheLoaderAsksEndWithTheLoad) {
    // The search dialog keeps the program playing: a key pressed while it is open sounds through
    // the half-loaded setup, and its note-off must still leave when the load completes.
    midi::Setup setup = defaultSetup();
    setup.splits[0].state = 1;
    setup.splits[0].midiInChannel = 1;
    setup.splits[0].midiOutChannel = 2;
    setup.splits[1].state = 1;
    setup.splits[1].task = 2;
    midi::setFieldText(setup.splits[1].fileName, "E:\\gone\\hat.wav");
    search.whileAsking = [&] { play(0x91, 88, 90); };
    hooks.take();
    ASSERT_TRUE(store.loadSetupFile(saveFile(setup, "Asks.mks")));
    const auto sent = hooks.take();
    const auto sounded = std::find(sent.begin(), sent.end(), "midi 92 58 5a");
    ASSERT_NE(sounded, sent.end()) << "the key played during the load sounds";
    EXPECT_NE(std::find(sounded, sent.end(), "midi 82 58 5a"), sent.end()) << "and is ended by the load";
    EXPECT_EQ(engine.pool().freeCount(), 512);
    play(0x81, 88, 0); // the key's release later finds nothing
    EXPECT_TRUE(hooks.take().empty());
}

TEST_F(SetupStoreTest, UnreadableFilesLeaveTheSetupAsItWas) {
    on(4).transpose = 9;
    EXPECT_FALSE(store.loadSetupFile(dir / "missing.mks"));
    EXPECT_EQ(notifier.last().text, "Error while loading file !");
    writeFile(dir / "bad.mks", "RIFF\x04\0\0\0WAVE");
    EXPECT_FALSE(store.loadSetupFile(dir / "bad.mks"));
    EXPECT_EQ(notifier.last().text, "MIOERROR:\tCHUNKNOTFOUND");
    EXPECT_EQ(engine.split(4).transpose, 9);
}

TEST_F(SetupStoreTest, MediaSearchOrder) {
    fs::create_directories(dir / "setups" / "loops" / "old");
    writeFile(dir / "setups" / "loops" / "old" / "kick.wav", "x");
    writeFile(dir / "setups" / "loops" / "kick.wav", "x");
    midi::Setup setup = defaultSetup();
    auto sample = [&](int i, const std::string& path) {
        midi::Split& s = setup.splits[static_cast<std::size_t>(i)];
        s.task = 2;
        midi::setFieldText(s.fileName, path);
    };
    sample(0, "C:\\Loops\\kick.wav");                            // found by its bare name below the setup folder
    sample(1, (dir / "setups" / "loops" / "kick.wav").string()); // at its stored path
    sample(2, "D:/gone/snare.wav");                              // the dialog finds it
    sample(3, "E:\\gone\\hat.wav");                              // skipped by the user
    sample(4, "E:\\gone\\ride.wav");                             // cancelled: the rest is removed
    sample(5, "E:\\gone\\crash.wav");
    writeFile(dir / "snare.wav", "x");
    search.answers = {{MediaSearch::Answer::Found, dir / "snare.wav"},
                      {MediaSearch::Answer::Skip, {}},
                      {MediaSearch::Answer::Cancel, {}}};
    ASSERT_TRUE(store.loadSetupFile(saveFile(setup, "Media.mks")));

    const std::string found = (dir / "setups" / "loops" / "old" / "kick.wav").string(); // the last match wins
    EXPECT_EQ(midi::fieldText(engine.split(0).fileName), found);
    EXPECT_EQ(engine.split(0).fileTitleOffset, static_cast<int>(found.size() - 8));
    EXPECT_EQ(search.asked,
              (std::vector<std::string>{"2 D:/gone/snare.wav", "3 E:\\gone\\hat.wav", "4 E:\\gone\\ride.wav"}));
    EXPECT_EQ(store.folders().lastSearch, dir.path());
    EXPECT_EQ(midi::fieldText(engine.split(3).fileName), "no sample or AVI file loaded");
    EXPECT_EQ(engine.split(3).task, 2); // the task stays
    EXPECT_EQ(midi::fieldText(engine.split(5).fileName), "no sample or AVI file loaded");
    const auto shown = notifier.shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].request.text, "Sample in split 4 removed !");
    EXPECT_EQ(shown[1].request.text, "All samples and AVIs after split 5 were removed !");
    EXPECT_NE(std::find(setupHooks.calls.begin(), setupHooks.calls.end(), "sample 0 " + found), setupHooks.calls.end());
    EXPECT_NE(std::find(setupHooks.calls.begin(), setupHooks.calls.end(), "clear 5"), setupHooks.calls.end());
}

TEST_F(SetupStoreTest, BankFillsTheSlotsFromZero) {
    midi::Setup first = defaultSetup();
    first.splits[0].transpose = 5;
    const midi::Setup bank[] = {first, defaultSetup(), defaultSetup()};
    writeFile(dir / "Bank1.mkb", bankFileBytes(bank));
    ASSERT_TRUE(store.loadSetupFile(dir / "Bank1.mkb"));
    EXPECT_EQ(engine.split(0).transpose, 5);
    EXPECT_EQ(engine.currentProgram(), 0);
}

TEST_F(SetupStoreTest, SavesAreAtomicAndFailuresSaySo) {
    on(0).transpose = 3;
    const fs::path path = dir / "Gig.mks";
    ASSERT_TRUE(store.saveSetup(path).ok());
    const midi::Setup saved = engine.currentSetup();
    EXPECT_EQ(readFile(path), setupFileBytes(saved));
    ASSERT_TRUE(store.saveBank(dir / "Bank1.mkb").ok());
    EXPECT_EQ(readFile(dir / "Bank1.mkb"), bankFileBytes(std::span(&saved, 1)));

    writeFile(dir / "plain", "x");
    EXPECT_FALSE(store.saveSetup(dir / "plain" / "Gig.mks").ok());
    EXPECT_NE(notifier.last().text.find("plain/Gig.mks"), std::string::npos);
    EXPECT_EQ(notifier.last().caption, "Error");
}

} // namespace
