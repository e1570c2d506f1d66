#pragma once

// Child processes for the Wine suite: a program run to its end with its output kept, and
// the simulator kept running beside the tests.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace tvx::wine {

struct Finished {
    int exitCode = -1;  // -1 when it had to be stopped
    std::string out;
    std::string err;
};

inline std::string readAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Starts argv[0] in a process group of its own, standard output to `out` (a file, or -1 to
// keep the parent's), standard error to `err`.
inline pid_t spawn(const std::vector<std::string>& argv, int out, int err) {
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        const int nothing = ::open("/dev/null", O_RDONLY);
        dup2(nothing, STDIN_FILENO);
        if (out >= 0) {
            dup2(out, STDOUT_FILENO);
        }
        if (err >= 0) {
            dup2(err, STDERR_FILENO);
        }
        std::vector<char*> args;
        for (const std::string& arg : argv) {
            args.push_back(const_cast<char*>(arg.c_str()));
        }
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    return pid;
}

// Runs a program to its end, stopping it (and what it started) after `limit`.
inline Finished run(const std::vector<std::string>& argv, std::chrono::seconds limit) {
    const auto base = std::filesystem::temp_directory_path() /
                      ("tvx-wine-" + std::to_string(std::random_device{}()));
    const std::filesystem::path outFile = base.string() + ".out";
    const std::filesystem::path errFile = base.string() + ".err";
    const int out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const pid_t pid = spawn(argv, out, err);
    ::close(out);
    ::close(err);
    Finished finished;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(-pid, SIGKILL);
            waitpid(pid, &status, 0);
            status = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (status != -1 && WIFEXITED(status)) {
        finished.exitCode = WEXITSTATUS(status);
    }
    finished.out = readAll(outFile);
    finished.err = readAll(errFile);
    std::filesystem::remove(outFile);
    std::filesystem::remove(errFile);
    return finished;
}

// A program that keeps running until the object goes, its first line of output read.
class Background {
public:
    explicit Background(const std::vector<std::string>& argv) {
        int fds[2];
        if (pipe(fds) != 0) {
            return;
        }
        m_pid = spawn(argv, fds[1], -1);
        ::close(fds[1]);
        m_out = fdopen(fds[0], "r");
        char line[512] = {};
        if (m_out != nullptr && std::fgets(line, sizeof line, m_out) != nullptr) {
            m_firstLine = line;
            m_firstLine.erase(m_firstLine.find_last_not_of("\r\n") + 1);
        }
    }
    ~Background() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_out != nullptr) {
            std::fclose(m_out);
        }
    }
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;

    const std::string& firstLine() const { return m_firstLine; }

private:
    pid_t m_pid = -1;
    FILE* m_out = nullptr;
    std::string m_firstLine;
};

}  // namespace tvx::wine
