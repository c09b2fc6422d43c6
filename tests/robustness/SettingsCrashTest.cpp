// Crash safety of the settings: a child process saves the settings key in a
// loop and is killed (SIGKILL) at a random moment, again and again. After
// every kill the file must open with every value present, and each value
// must be one that was saved in full: a torn save would lose or cut one.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "platform/SettingsKey.h"
#include "tests/platform/TempFolder.h"

namespace corvane::robustness {

namespace {

using platform::SettingsKey;

// The text saved with generation g: long enough that a save takes a while,
// and self-describing so that a cut or mixed text shows.
std::string TextOf(uint32_t generation) {
    const size_t length = 300 + (generation * 37) % 3000;
    return std::string(length, static_cast<char>('a' + generation % 26)) + "#" +
           std::to_string(generation);
}

bool ReadNumber(const SettingsKey& key, const char* name, uint32_t& value) {
    uint32_t size = sizeof(value);
    return key.Query(name, &value, &size) && size == sizeof(value);
}

bool ReadText(const SettingsKey& key, const char* name, std::string& text) {
    uint32_t size = 0;
    if (!key.Query(name, nullptr, &size) || size == 0) {
        return false;
    }
    std::string buffer(size, '\0');
    if (!key.Query(name, buffer.data(), &size)) {
        return false;
    }
    text.assign(buffer.c_str());
    return true;
}

// The child: from the generation the file holds, save text then number,
// one generation after the other, until killed. It tells the parent on
// `progress` when it is ready and after every generation saved.
[[noreturn]] void SaveForever(const std::string& file, int progress) {
    std::unique_ptr<SettingsKey> key = SettingsKey::OpenOrCreate(file);
    uint32_t generation = 0;
    if (key == nullptr || !ReadNumber(*key, "Generation", generation)) {
        _exit(2);
    }
    if (write(progress, "r", 1) != 1) {
        _exit(4);
    }
    for (;;) {
        ++generation;
        if (!key->SetText("Text", TextOf(generation).c_str()) ||
            !key->SetNumber("Generation", generation)) {
            _exit(3);
        }
        if (write(progress, "g", 1) != 1) {
            _exit(4);
        }
    }
}

// Reads `count` progress bytes; false when the child went away.
bool AwaitProgress(int progress, int count) {
    for (int i = 0; i < count; ++i) {
        char byte = 0;
        if (read(progress, &byte, 1) != 1) {
            return false;
        }
    }
    return true;
}

uint32_t GenerationOfText(const std::string& text) {
    const size_t hash = text.rfind('#');
    if (hash == std::string::npos) {
        return UINT32_MAX;
    }
    const uint32_t generation =
        static_cast<uint32_t>(std::strtoul(text.c_str() + hash + 1, nullptr, 10));
    return TextOf(generation) == text ? generation : UINT32_MAX;
}

}  // namespace

TEST(SettingsCrashTest, AKillMidSaveLeavesTheOldOrTheNewValuesInFull) {
    platform::test::TempFolder folder;
    const std::string file = folder.File("Settings.reg");
    {
        std::unique_ptr<SettingsKey> key = SettingsKey::OpenOrCreate(file);
        ASSERT_NE(key, nullptr);
        ASSERT_TRUE(key->SetText("Text", TextOf(0).c_str()));
        ASSERT_TRUE(key->SetNumber("Generation", 0));
        ASSERT_TRUE(key->SetText("Untouched", "stays as it is"));
    }
    const char* seedText = std::getenv("SOAK_SEED");
    const unsigned seed = seedText != nullptr ? static_cast<unsigned>(std::atoi(seedText)) : 8u;
    std::mt19937 random(seed);
    // The kill lands after 0 to 2 further generations and then anywhere in
    // the next few milliseconds (a save syncs the file and takes about that).
    std::uniform_int_distribution<int> generations(0, 2);
    std::uniform_int_distribution<int> delayUs(0, 8000);

    constexpr int kKills = 40;
    uint32_t lastGeneration = 0;
    int killedMidRun = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        int pipeEnds[2];
        ASSERT_EQ(pipe(pipeEnds), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(pipeEnds[0]);
            SaveForever(file, pipeEnds[1]);
        }
        close(pipeEnds[1]);
        const bool running = AwaitProgress(pipeEnds[0], 1 + generations(random));
        usleep(static_cast<useconds_t>(delayUs(random)));
        ::kill(child, SIGKILL);
        close(pipeEnds[0]);
        ASSERT_TRUE(running) << "the saving child ended early";
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saving child ended by itself, status " << status;
        ++killedMidRun;

        std::unique_ptr<SettingsKey> key = SettingsKey::OpenOrCreate(file);
        ASSERT_NE(key, nullptr) << "after kill " << kill;
        uint32_t generation = 0;
        std::string text;
        std::string untouched;
        ASSERT_TRUE(ReadNumber(*key, "Generation", generation)) << "after kill " << kill;
        ASSERT_TRUE(ReadText(*key, "Text", text)) << "after kill " << kill;
        ASSERT_TRUE(ReadText(*key, "Untouched", untouched)) << "after kill " << kill;
        EXPECT_EQ(untouched, "stays as it is");
        const uint32_t textGeneration = GenerationOfText(text);
        ASSERT_NE(textGeneration, UINT32_MAX) << "a cut or mixed text after kill " << kill;
        // Text is saved before the number: the two are one save apart at most.
        EXPECT_TRUE(textGeneration == generation || textGeneration == generation + 1)
            << "text " << textGeneration << ", number " << generation;
        EXPECT_GE(generation, lastGeneration) << "a save was lost";
        lastGeneration = generation;
    }
    EXPECT_EQ(killedMidRun, kKills);
    // The kills must have landed among saves, not only before the first.
    EXPECT_GT(lastGeneration, 0u);
    size_t strays = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        strays += entry.path().filename() != "Settings.reg" ? 1 : 0;
    }
    std::printf("settings crash test: %d kills, %u generations saved, %zu temporary files left\n",
                kKills, lastGeneration, strays);
}

}  // namespace corvane::robustness
