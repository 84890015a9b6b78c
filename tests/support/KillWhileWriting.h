// Kills a program with SIGKILL at random moments while it replaces a file,
// and sorts what each kill left: the old file, the new one, or a torn one,
// and the temporary files left beside it, hidden (a dot-name) or visible.
#pragma once

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace vktest {

// Kills per test: VELKOR_CRASH_ITERATIONS, or `fallback` for the short run.
inline int KillIterations(int fallback)
{
    const char* text = std::getenv("VELKOR_CRASH_ITERATIONS");
    const int n = text ? std::atoi(text) : 0;
    return n > 0 ? n : fallback;
}

struct KillOutcomes {
    int oldFile = 0; // the target as it was
    int newFile = 0; // the target as the uncut run wrote it
    int torn = 0;    // anything else, or no target at all
    int hiddenLeft = 0;
    std::vector<std::string> visibleLeft; // names a user would see

    std::string Summary(const std::string& what, unsigned seed) const
    {
        return what + ": " + std::to_string(oldFile + newFile + torn) + " kills: " + std::to_string(oldFile) +
               " old, " + std::to_string(newFile) + " new, " + std::to_string(torn) +
               " corrupt; temporaries left: " + std::to_string(hiddenLeft) + " hidden, " +
               std::to_string(visibleLeft.size()) + " visible (seed " + std::to_string(seed) + ")";
    }
};

class KillWhileWriting {
  public:
    // `argv` replaces `target`. With `waitsForReady`, the program writes a
    // byte to descriptor 3 (VELKOR_CRASH_READY_FD) when its save begins and
    // the kill delays count from there; else from its start. Its output
    // goes to `log`, outside the target's folder.
    KillWhileWriting(std::vector<std::string> argv, std::string target, std::string log, bool waitsForReady)
        : m_argv(std::move(argv)), m_target(std::move(target)), m_log(std::move(log)), m_ready(waitsForReady)
    {
        const auto slash = m_target.rfind('/');
        m_folder = m_target.substr(0, slash);
        m_name = m_target.substr(slash + 1);
    }

    // One uncut run over `oldBytes`: what it writes is the new file, its
    // time the span the kills are spread over. False when it failed.
    bool Calibrate(const std::string& oldBytes)
    {
        m_old = oldBytes;
        WriteFile(m_target, m_old);
        const auto start = Start();
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_span = std::chrono::steady_clock::now() - start;
        m_new = ReadFile(m_target);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0 && m_new != m_old && !m_new.empty();
    }
    std::string Log() const { return ReadFile(m_log); }

    // Kills `runs` runs, each after a random delay within the uncut run's
    // time, and clears what each left after counting it.
    KillOutcomes Run(int runs, unsigned seed, const std::vector<std::string>& keep)
    {
        KillOutcomes out;
        std::mt19937 random(seed);
        std::uniform_int_distribution<long long> delay(
            0, std::chrono::duration_cast<std::chrono::microseconds>(m_span).count());
        for (int i = 0; i < runs; ++i) {
            WriteFile(m_target, m_old);
            const auto start = Start();
            std::this_thread::sleep_until(start + std::chrono::microseconds(delay(random)));
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
            const std::string now = ReadFile(m_target);
            (now == m_old ? out.oldFile : now == m_new ? out.newFile : out.torn)++;
            for (const std::string& name : Names()) {
                if (name == m_name || std::find(keep.begin(), keep.end(), name) != keep.end())
                    continue;
                if (name[0] == '.')
                    ++out.hiddenLeft;
                else
                    out.visibleLeft.push_back(name);
                ::unlink((m_folder + "/" + name).c_str());
            }
        }
        return out;
    }

  private:
    // Spawns the program; returns when it is ready (or has ended).
    std::chrono::steady_clock::time_point Start()
    {
        int pipe[2];
        if (::pipe2(pipe, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe failed");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, m_log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        posix_spawn_file_actions_adddup2(&actions, pipe[1], 3);
        ::setenv("VELKOR_CRASH_READY_FD", "3", 1);
        std::vector<char*> argv;
        for (std::string& a : m_argv)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        const int error = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::unsetenv("VELKOR_CRASH_READY_FD");
        ::close(pipe[1]);
        if (error != 0) {
            ::close(pipe[0]);
            throw std::runtime_error("cannot start " + m_argv[0]);
        }
        char byte;
        if (m_ready)
            while (::read(pipe[0], &byte, 1) < 0 && errno == EINTR) {
            }
        ::close(pipe[0]);
        return std::chrono::steady_clock::now();
    }

    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        if (DIR* d = ::opendir(m_folder.c_str())) {
            while (dirent* e = ::readdir(d))
                if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                    names.push_back(e->d_name);
            ::closedir(d);
        }
        return names;
    }

    std::vector<std::string> m_argv;
    std::string m_target, m_folder, m_name, m_log;
    bool m_ready;
    pid_t m_pid = -1;
    std::string m_old, m_new;
    std::chrono::steady_clock::duration m_span{};
};

// Says the outcomes (the long script collects these lines) and checks
// that no kill left a torn target or a visible temporary.
inline void ExpectNothingLost(const KillOutcomes& out, const std::string& what, unsigned seed)
{
    std::printf("%s\n", out.Summary(what, seed).c_str());
    EXPECT_EQ(out.torn, 0) << out.Summary(what, seed);
    EXPECT_TRUE(out.visibleLeft.empty()) << out.visibleLeft.front();
}

} // namespace vktest
