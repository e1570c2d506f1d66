// The workshop record's commands where the record is locked, read-only or on a full disk.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>

#include "cli_fixture.h"
#include "record/record.h"

namespace tvx::cli::testing {
namespace {

using ::testing::HasSubstr;

// A console stream that notes which threads wrote to it and wakes whoever waits for a text.
class WatchedText : public std::streambuf {
public:
    bool waitFor(const std::string& text) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(60),
                                  [&] { return m_text.find(text) != std::string::npos; });
    }
    std::string text() {
        std::lock_guard lock(m_mutex);
        return m_text;
    }
    std::size_t writers() {
        std::lock_guard lock(m_mutex);
        return m_writers.size();
    }

protected:
    int_type overflow(int_type c) override {
        if (c != traits_type::eof()) {
            const char byte = static_cast<char>(c);
            xsputn(&byte, 1);
        }
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        {
            std::lock_guard lock(m_mutex);
            m_text.append(s, static_cast<std::size_t>(n));
            if (std::find(m_writers.begin(), m_writers.end(), std::this_thread::get_id()) ==
                m_writers.end()) {
                m_writers.push_back(std::this_thread::get_id());
            }
        }
        m_changed.notify_all();
        return n;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_text;
    std::vector<std::thread::id> m_writers;
};

// The record's writer thread has something to say (the record is locked by another
// program) while the command's own thread writes its progress: one thread writes it all.
TEST(CliRecordAccess, TheWritersNoticesAreWrittenByTheCommandsOwnThread) {
    DataDir data;
    const std::string dir = data.path();
    ASSERT_EQ(runCli({"--data-dir", dir, "--simulate", "petrol-car", "dtc", "read", "PCM"}).code,
              0);
    record::Database other(data.file(record::Record::kFileName), record::Database::Mode::ReadWrite);
    other.exec("BEGIN EXCLUSIVE");
    WatchedText errText;
    std::ostream err(&errText);
    std::thread holder([&] {
        errText.waitFor("locked by another program");
        other.exec("ROLLBACK");  // the other program is done
    });
    std::ostringstream out;
    std::istringstream in;
    Console console{in, out, err, false};
    link::VirtualClock clock;
    Environment environment;
    environment.clock = &clock;
    const int code = run({"--data-dir", dir, "--simulate", "petrol-car", "dtc", "read", "ABS"},
                         console, environment);
    holder.join();
    EXPECT_EQ(code, 0) << errText.text();
    EXPECT_EQ(errText.writers(), 1u) << errText.text();
    EXPECT_THAT(errText.text(), HasSubstr("free again"));
    const CliResult history = runCli({"--data-dir", dir, "history"});
    EXPECT_THAT(history.out, HasSubstr("       2      4"));  // both reads, one visit
}

// Root may write anywhere: the read-only directory is tried by an unprivileged child.
int asNobody(const std::function<int()>& body) {
    const pid_t child = fork();
    if (child == 0) {
        if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(99);
        }
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 98;
}

TEST(CliRecordAccess, HistoryAndReportReadFromAReadOnlyDirectory) {
    DataDir data;
    const std::string dir = data.path();
    ASSERT_EQ(runCli({"--data-dir", dir, "--simulate", "diesel-van", "dtc", "read", "PCM"}).code,
              0);
    namespace fs = std::filesystem;
    fs::permissions(dir, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                             fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(data.file(record::Record::kFileName),
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const std::string html = (fs::temp_directory_path() / "tvx-ro-report.html").string();
    fs::remove(html);
    const int result = asNobody([&] {
        const CliResult history = runCli({"--data-dir", dir, "history"});
        if (history.code != 0 || history.out.find("WF0XXXTTGX8C12345") == std::string::npos) {
            std::fprintf(stderr, "history: %d %s\n", history.code, history.err.c_str());
            return 1;
        }
        const CliResult report = runCli({"--data-dir", dir, "report", "--last", "--html", html});
        if (report.code != 0) {
            std::fprintf(stderr, "report: %d %s\n", report.code, report.err.c_str());
            return 2;
        }
        return 0;
    });
    EXPECT_EQ(result, 0) << "1: history failed, 2: report failed, 99: no unprivileged user";
    fs::remove(html);
}

// A full disk (a small memory file system filled to the last byte): reading needs no byte.
TEST(CliRecordAccess, HistoryReadsFromAFullDisk) {
    DataDir scratch(false);
    const auto mountPoint = scratch.file("full");
    std::filesystem::create_directory(mountPoint);
    if (mount("tvx-full", mountPoint.c_str(), "tmpfs", 0, "size=512k") != 0) {
        GTEST_SKIP() << "cannot mount a small file system here (needs root): "
                     << std::strerror(errno);
    }
    const std::string dir = mountPoint.string();
    for (const char* name : {"DTC5820EN.txt", "DTC5820TR.txt"}) {
        std::filesystem::copy_file(std::filesystem::path(TVX_CATALOGUE_DIR) / name,
                                   mountPoint / name);
    }
    const CliResult read =
        runCli({"--data-dir", dir, "--simulate", "diesel-van", "dtc", "read", "PCM"});
    {
        std::ofstream filler(mountPoint / "filler", std::ios::binary);
        const std::string block(4096, 'x');
        while (filler.write(block.data(), block.size())) {
        }
    }
    const CliResult history = runCli({"--data-dir", dir, "history"});
    umount2(mountPoint.c_str(), MNT_DETACH);
    ASSERT_EQ(read.code, 0) << read.err;
    EXPECT_EQ(history.code, 0) << history.err;
    EXPECT_THAT(history.out, HasSubstr("WF0XXXTTGX8C12345"));
}

}  // namespace
}  // namespace tvx::cli::testing
