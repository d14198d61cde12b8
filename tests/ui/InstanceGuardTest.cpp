// The single-instance guard: where the session gives no runtime directory, where no lock can be
// made at all, and ten copies of the desktop program started at once.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <vector>

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

#ifdef ZENTREL_UTILITY
    // The desktop program in the scratch directory, its stderr in err.<copy> there. It runs
    // offscreen with ZENTREL_AUTO_ANSWER=1, so a message box is printed on stderr and closed at
    // once instead of waiting for a click; in an empty network namespace where possible, so that
    // a copy that does start touches no real adapter.
    std::unique_ptr<QProcess> StartProgram(int copy) {
        static const bool unshare = QProcess::execute("unshare", {"--net", "true"}) == 0;
        auto program = std::make_unique<QProcess>();
        env.insert("ZENTREL_AUTO_ANSWER", "1");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        program->setProcessEnvironment(env);
        program->setWorkingDirectory(QString::fromStdString(tmp.string()));
        program->setStandardOutputFile(QProcess::nullDevice());
        program->setStandardErrorFile(QString::fromStdString((tmp / ("err." + std::to_string(copy))).string()));
        program->start(unshare ? "unshare" : ZENTREL_UTILITY, unshare ? QStringList{"--net", ZENTREL_UTILITY} : QStringList{});
        return program;
    }
    std::string Err(int copy) const {
        std::ifstream file(tmp / ("err." + std::to_string(copy)));
        return {std::istreambuf_iterator<char>(file), {}};
    }
#endif

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
    const auto program = StartProgram(0);
    const bool ended = program->waitForFinished(20000);
    if (!ended) program->kill();
    ASSERT_TRUE(ended) << "the program started without its guard";
    EXPECT_EQ(program->exitCode(), 1);
    EXPECT_NE(Err(0).find("Attention!: The Zentrel Utility cannot make sure that it runs only once:"), std::string::npos) << Err(0);
    EXPECT_NE(Err(0).find(own.string()), std::string::npos) << Err(0);
}

// Ten copies at once: exactly one keeps running, the others show the refusal and end with 0.
TEST_F(InstanceGuardPlaces, TenCopiesAtOnceLeaveExactlyOneRunning) {
    // The lock lives in the runtime directory; a private one keeps other copies on this machine
    // out of the count.
    fs::permissions(tmp, fs::perms::owner_all);  // as a runtime directory must be
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(tmp.string()));
    std::vector<std::unique_ptr<QProcess>> copies;
    for (int i = 0; i < 10; ++i) copies.push_back(StartProgram(i));
    const auto running = [&] { return std::count_if(copies.begin(), copies.end(), [](const auto& p) { return p->state() != QProcess::NotRunning; }); };
    // Until all but one have ended (generously: ten Qt start-ups on a busy machine); then the
    // survivor keeps running while a late refusal gets a moment to show up.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (running() > 1 && std::chrono::steady_clock::now() < deadline) {
        for (const auto& p : copies) p->waitForFinished(20);
    }
    for (const auto& p : copies) p->waitForFinished(500);

    const std::string refusal = "Attention!: The Zentrel Utility is already running.\nOnly one copy can run at a time.\n";
    EXPECT_EQ(running(), 1);
    for (int i = 0; i < 10; ++i) {
        QProcess& copy = *copies[static_cast<std::size_t>(i)];
        if (copy.state() != QProcess::NotRunning) {
            EXPECT_EQ(Err(i).find("already running"), std::string::npos) << Err(i);
            copy.kill();
            copy.waitForFinished(10000);
            continue;
        }
        EXPECT_TRUE(copy.exitStatus() == QProcess::NormalExit && copy.exitCode() == 0) << "copy " << i;
        EXPECT_NE(Err(i).find(refusal), std::string::npos) << "copy " << i << " printed:\n" << Err(i);
    }
}

// The program loads its window only from beside itself or its own library directory: a file of
// that name in the work directory, which is the user's, is never loaded.
TEST_F(InstanceGuardPlaces, TheWindowIsNeverLoadedFromTheWorkDirectory) {
    fs::create_directory(tmp / "bin");
    fs::copy_file(ZENTREL_UTILITY, tmp / "bin" / "zentrel-utility");
    std::ofstream(tmp / "zentrel-desktop.so") << "not a module";
    QProcess program;
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(QString::fromStdString(tmp.string()));
    program.start(QString::fromStdString((tmp / "bin" / "zentrel-utility").string()), {});
    ASSERT_TRUE(program.waitForFinished(20000));
    EXPECT_EQ(program.exitCode(), 1);
    const std::string err = program.readAllStandardError().toStdString();
    EXPECT_NE(err.find("zentrel-desktop.so) is neither in " + (tmp / "bin").string() + "/ nor in"), std::string::npos) << err;
}
#endif

}  // namespace
