// SPDX-License-Identifier: Apache-2.0
// A command run under printing_measure, which reports the child's own
// time and peak RSS: the benchmarks of printing and of printer addresses.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

struct MeasuredSample {
    double ms;  // whole process
    long maxRssKb;
    double callMs;  // the PrinterUtils call alone, when the child reports it
};

// Runs argv under printing_measure, which reports the child's own time
// and peak RSS.
inline MeasuredSample RunMeasured(const std::string& measure, const std::vector<std::string>& argv)
{
    int pipefd[2];
    if (::pipe(pipefd) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipefd[1], 2);
    posix_spawn_file_actions_addclose(&actions, pipefd[0]);
    std::vector<char*> args{const_cast<char*>(measure.c_str())};
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, measure.c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipefd[1]);
    if (rc != 0) {
        ::close(pipefd[0]);
        throw std::runtime_error("cannot run " + measure);
    }
    std::string text;
    char buf[512];
    for (ssize_t n; (n = ::read(pipefd[0], buf, sizeof buf)) > 0;) text.append(buf, static_cast<std::size_t>(n));
    ::close(pipefd[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error(argv[0] + " failed: " + text);
    MeasuredSample sample{};
    const auto call = text.find("call ");
    if (call != std::string::npos) sample.callMs = std::atof(text.c_str() + call + 5);
    // The last line is the launcher's; anything before it is the child's.
    const auto nl = text.find_last_of('\n', text.size() >= 2 ? text.size() - 2 : 0);
    const std::string last = nl == std::string::npos ? text : text.substr(nl + 1);
    if (std::sscanf(last.c_str(), "%lf %ld", &sample.ms, &sample.maxRssKb) != 2)
        throw std::runtime_error("no measurement from " + argv[0] + ": " + text);
    return sample;
}
