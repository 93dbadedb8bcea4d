// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <tuple>

#include "app/DataFolder.h"
#include "app/SingleInstance.h"
#include "support/Files.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

namespace corvalin {
namespace {

using test::ReadAll;

namespace fs = std::filesystem;

fs::perms Rights(const std::string& path) {
    return fs::symlink_status(path).permissions() & fs::perms::all;
}

TEST(SingleInstance, WithoutAUsableRuntimeFolderCopiesMeetInAPrivateFolderOfTheUser) {
    test::TempDir dir;
    // A folder given that is not there leaves it unknown.
    EXPECT_EQ(SingleInstance(dir.File("missing/folder")).state(), SingleInstance::State::Unknown);
    ScopedEnvironment environment;
    environment.Set("TMPDIR", dir.File("tmp"));
    environment.Set("XDG_CACHE_HOME", dir.File("cache"));
    environment.Set("HOME", dir.File("home"));
    fs::create_directories(dir.File("tmp"));
    const std::string mine = dir.File("tmp/corvalin-" + std::to_string(geteuid()));

    // Empty, a folder whose parent is not there, a file: the private
    // folder, where a second copy is told of the first and the next one
    // after it is first again. A runtime folder of the user's is used as it is; named but not
    // there, it is made, as Qt makes it.
    fs::create_directories(dir.File("run"));
    fs::permissions(dir.File("run"), fs::perms::owner_all | fs::perms::group_read);
    test::WriteAll(dir.File("file"), "");
    const std::tuple<std::string, std::string, fs::perms> rows[] = {
        {"", mine, fs::perms::owner_all},
        {dir.File("missing/run"), mine, fs::perms::owner_all},
        {dir.File("file"), mine, fs::perms::owner_all},
        {dir.File("run"), dir.File("run"), fs::perms::owner_all | fs::perms::group_read},
        {dir.File("made"), dir.File("made"), fs::perms::owner_all},
    };
    for (const auto& [runtime, folder, rights] : rows) {
        SCOPED_TRACE(runtime);
        environment.Set("XDG_RUNTIME_DIR", runtime);
        SingleInstance first;
        EXPECT_EQ(first.state(), SingleInstance::State::First);
        EXPECT_EQ(first.lockPath(), folder + "/kv7500.lock");
        EXPECT_EQ(SingleInstance().state(), SingleInstance::State::AnotherIsRunning);
        EXPECT_EQ(Rights(folder), rights);
    }

    // The private folder's name taken by a link: the cache folder instead,
    // and nothing is made where the link points.
    environment.Set("XDG_RUNTIME_DIR", dir.File("missing/run"));
    fs::remove_all(mine);
    fs::create_directories(dir.File("elsewhere"));
    fs::create_directory_symlink(dir.File("elsewhere"), mine);
    {
        SingleInstance first;
        EXPECT_EQ(first.lockPath(), dir.File("cache/corvalin/kv7500.lock"));
        EXPECT_EQ(SingleInstance().state(), SingleInstance::State::AnotherIsRunning);
        EXPECT_EQ(Rights(dir.File("cache/corvalin")), fs::perms::owner_all);
    }
    EXPECT_TRUE(fs::is_empty(dir.File("elsewhere")));
    // Taken by a folder of another user (only root can make one).
    if (geteuid() == 0) {
        fs::remove(mine);
        fs::create_directory(mine);
        ASSERT_EQ(chown(mine.c_str(), 65534, 65534), 0);
        EXPECT_EQ(SingleInstance().lockPath(), dir.File("cache/corvalin/kv7500.lock"));
        EXPECT_TRUE(fs::is_empty(mine));
    }
}

TEST(DataFolder, FreshFolderGetsDatabaseAndWritableIniAndExistingFilesStay) {
    test::TempDir dir;
    const std::string program = dir.File("bin"), data = dir.File("share/KV7500");
    fs::create_directories(program);
    test::WriteAll(program + "/Main.ini", "[Main]\n");
    fs::permissions(program + "/Main.ini", fs::perms::owner_read);
    EXPECT_TRUE(PrepareDataFolder(data, program).problems.empty());
    EXPECT_EQ(ReadAll(data + "/Main.ini"), "[Main]\n");
    EXPECT_NE(fs::status(data + "/Main.ini").permissions() & fs::perms::owner_write,
              fs::perms::none);

    // Existing files keep their bytes, even without a template.
    test::WriteAll(data + "/7500.db", "earlier records");
    test::WriteAll(data + "/Main.ini", "edited");
    EXPECT_TRUE(PrepareDataFolder(data, dir.File("no-program-folder")).problems.empty());
    EXPECT_EQ(ReadAll(data + "/7500.db"), "earlier records");
    EXPECT_EQ(ReadAll(data + "/Main.ini"), "edited");

    // A missing template is reported and start-up goes on.
    const DataFolderReport report = PrepareDataFolder(dir.File("d"), dir.File("nothing"));
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_NE(report.problems[0].find("Main.ini"), std::string::npos);
    EXPECT_TRUE(fs::exists(dir.File("d/7500.db")));
}

}  // namespace
}  // namespace corvalin
