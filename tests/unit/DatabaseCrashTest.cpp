// A save interrupted at any moment must leave a plc.data that loads as it was last written whole.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <iostream>
#include <random>
#include <thread>

#include "RegistryFixture.h"
#include "registry/Database.h"
#include "pages/Storage.h"

using namespace zentrel;
using namespace zentrel::test;

namespace {

// The label of record j of generation g, "g<g>-<j>". Appended piece by piece: GCC 12 at -O3
// takes a literal put in front of a temporary string for an overlapping copy (-Wrestrict).
std::string Label(std::int64_t g, int j) {
    std::string label = "g";
    label += std::to_string(g);
    label += '-';
    label += std::to_string(j);
    return label;
}

// Generation g holds 1 + g % 32 records, each telling which generation and slot it belongs to.
void FillGeneration(Core& core, std::int64_t g) {
    core.db = DeviceDatabase{};
    core.db.historyCount = static_cast<int>(1 + g % kMaxHistory);
    for (int j = 0; j < core.db.historyCount; ++j) {
        auto& rec = core.db.history[static_cast<std::size_t>(j)];
        const Mac mac{0x02, 0, static_cast<std::uint8_t>(g >> 16), static_cast<std::uint8_t>(g >> 8), static_cast<std::uint8_t>(g),
                      static_cast<std::uint8_t>(j + 1)};
        std::memcpy(rec.mac, mac.data(), 6);
        SetRecordText(rec.label, sizeof rec.label, Label(g, j));
        SetRecordText(rec.password, sizeof rec.password, std::string(static_cast<std::size_t>(j) * 3, 'p'));
        rec.lastSeen = g;
        rec.speed = static_cast<std::uint8_t>(j);
    }
    core.link.currentAdapter = static_cast<int>(g % kMaxAdapters);
    core.link.tables[static_cast<std::size_t>(g % kMaxAdapters)].stationCount = static_cast<std::int32_t>(g);
}

// The loaded state is exactly one whole generation.
::testing::AssertionResult IsWholeGeneration(const Core& core) {
    const int n = core.db.historyCount;
    if (n < 1 || n > kMaxHistory) return ::testing::AssertionFailure() << "count " << n;
    const std::int64_t g = core.db.history[0].lastSeen;
    if (n != 1 + g % kMaxHistory) return ::testing::AssertionFailure() << "count " << n << " for generation " << g;
    if (core.link.currentAdapter != g % kMaxAdapters ||
        core.link.tables[static_cast<std::size_t>(g % kMaxAdapters)].stationCount != g)
        return ::testing::AssertionFailure() << "station tables of another generation";
    for (int j = 0; j < n; ++j) {
        const auto& rec = core.db.history[static_cast<std::size_t>(j)];
        if (rec.lastSeen != g || rec.mac[5] != j + 1 || rec.mac[4] != static_cast<std::uint8_t>(g) ||
            RecordText(rec.label, 32) != Label(g, j) ||
            RecordText(rec.password, 118) != std::string(static_cast<std::size_t>(j) * 3, 'p'))
            return ::testing::AssertionFailure() << "record " << j << " of generation " << g << " differs";
    }
    return ::testing::AssertionSuccess();
}

class DatabaseCrashTest : public RegistryTest {};

TEST_F(DatabaseCrashTest, KilledSaverNeverLeavesADamagedFile) {
    constexpr int kKills = 200;
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> delayUs(0, 4000);
    FillGeneration(*core, 1);
    SaveDatabase(*core);

    std::int64_t start = 2;
    for (int kill = 0; kill < kKills; ++kill) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(ready[0]);
            const char go = 1;
            if (::write(ready[1], &go, 1) != 1) ::_exit(3);
            for (std::int64_t g = start;; ++g) {
                FillGeneration(*core, g);
                SaveDatabase(*core);
            }
        }
        ::close(ready[1]);
        char go = 0;
        ASSERT_EQ(::read(ready[0], &go, 1), 1);
        ::close(ready[0]);
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(rng)));
        ASSERT_EQ(::kill(pid, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saver ended on its own";

        const auto sizeBefore = std::filesystem::file_size(dir / kDatabaseFile);
        messages.shown.clear();
        auto loaded = Reopen();
        LoadDatabase(*loaded);
        ASSERT_TRUE(messages.shown.empty()) << "kill " << kill;
        ASSERT_EQ(std::filesystem::file_size(dir / kDatabaseFile), sizeBefore) << "the load recreated the file";
        ASSERT_EQ(sizeBefore, kDatabaseBaseBytes + kHistoryRecordBytes * static_cast<std::size_t>(loaded->db.historyCount));
        ASSERT_TRUE(IsWholeGeneration(*loaded)) << "kill " << kill;
        start = loaded->db.history[0].lastSeen + 1000000;  // the next child writes recognisably newer data
    }

    // Kills that landed between creating the temporary file and the rename leave that file behind;
    // plc.data itself is never one of them.
    int leftovers = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        if (e.path().filename() != kDatabaseFile) ++leftovers;
    }
    struct stat st{};
    ASSERT_EQ(::stat((dir / kDatabaseFile).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    std::cout << "[ info ] " << kKills << " kills, " << leftovers << " of them in the middle of a save\n";
}

}  // namespace
