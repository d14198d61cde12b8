// The single-instance guard where the session gives no runtime directory, and where no lock can
// be made at all.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <filesystem>
#include <functional>

namespace {

namespace fs = std::filesystem;

class InstanceGuardPlaces : public ::testing::Test {
protected:
    void SetUp() override {
        tmp = fs::temp_directory_path() / ("zentrel-guard-places-" + std::to_string(::getpid()));
        fs::remove_all(tmp);
        fs::create_directories(tmp);
        own = tmp / ("zentrel-utility-" + std::to_string(::getuid()));
        env = QProcessEnvironment::systemEnvironment();
        env.remove("XDG_RUNTIME_DIR");
        env.insert("TMPDIR", QString::fromStdString(tmp.string()));
    }
    void TearDown() override { fs::remove_all(tmp); }

    // Starts a probe on the default lock; its first line of output.
    QString Probe(QProcess& probe) {
        probe.setProcessEnvironment(env);
        probe.start(GUARD_PROBE, {});
        if (!probe.waitForReadyRead(10000)) return "no answer";
        return QString::fromUtf8(probe.readLine()).trimmed();
    }

    fs::path tmp, own;
    QProcessEnvironment env;
};

TEST_F(InstanceGuardPlaces, WithoutARuntimeDirectoryTheLockIsInADirectoryOfTheUsersOwn) {
    QProcess first, second;
    EXPECT_EQ(Probe(first), "acquired");
    EXPECT_EQ(Probe(second), "refused");
    struct stat info {};
    ASSERT_EQ(::lstat(own.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_EQ(info.st_uid, ::getuid());
    EXPECT_TRUE(fs::exists(own / "zentrel-utility.lock"));
    first.closeWriteChannel();
    EXPECT_TRUE(first.waitForFinished(10000));
    second.waitForFinished(10000);
}

// A place another user could have prepared, or none at all: the copy does not start unguarded.
TEST_F(InstanceGuardPlaces, WhereNoLockCanBeMadeTheProbeIsToldWhy) {
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"runtime directory missing", [&] { env.insert("XDG_RUNTIME_DIR", QString::fromStdString((tmp / "gone").string())); }},
        {"a symbolic link", [&] {
             fs::create_directory(tmp / "elsewhere");
             fs::create_directory_symlink(tmp / "elsewhere", own);
         }},
        {"open to others", [&] {
             fs::create_directory(own);
             ::chmod(own.c_str(), 0755);
         }},
        {"another user's", [&] {
             fs::create_directory(own);
             EXPECT_EQ(::chown(own.c_str(), ::getuid() + 1, ::getgid()), 0);
         }},
    };
    for (const auto& [what, prepare] : cases) {
        SCOPED_TRACE(what);
        if (std::string(what) == "another user's" && ::getuid() != 0) continue;  // only root can give a file away
        fs::remove_all(tmp);
        fs::create_directories(tmp);
        env.remove("XDG_RUNTIME_DIR");
        prepare();
        QProcess probe;
        const QString answer = Probe(probe);
        EXPECT_TRUE(answer.startsWith("failed: ")) << answer.toStdString();
        EXPECT_TRUE(probe.waitForFinished(10000));
        EXPECT_EQ(probe.exitCode(), 1);
    }
}

#ifdef ZENTREL_UTILITY
// The program itself says why it does not start, and ends with status 1.
TEST_F(InstanceGuardPlaces, TheProgramRefusesToStartUnguarded) {
    fs::create_directory(tmp / "elsewhere");
    fs::create_directory_symlink(tmp / "elsewhere", own);
    env.insert("ZENTREL_AUTO_ANSWER", "1");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess program;
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(QString::fromStdString(tmp.string()));
    // In an empty network namespace where possible: a copy that does start touches no real adapter.
    if (QProcess::execute("unshare", {"--net", "true"}) == 0) {
        program.start("unshare", {"--net", ZENTREL_UTILITY});
    } else {
        program.start(ZENTREL_UTILITY, {});
    }
    const bool ended = program.waitForFinished(20000);
    if (!ended) program.kill();
    ASSERT_TRUE(ended) << "the program started without its guard";
    EXPECT_EQ(program.exitCode(), 1);
    const std::string err = program.readAllStandardError().toStdString();
    EXPECT_NE(err.find("Attention!: The Zentrel Utility cannot make sure that it runs only once:"), std::string::npos) << err;
    EXPECT_NE(err.find(own.string()), std::string::npos) << err;
}
#endif

}  // namespace
