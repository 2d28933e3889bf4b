// SPDX-License-Identifier: Apache-2.0
// Runs one command and prints "<elapsed ms> <peak RSS KiB>" on stderr.
// Linux carries a process's peak RSS across fork and exec, so a child
// started straight from the benchmark would report the benchmark's own
// size; started from this small launcher it reports its own.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>

extern char** environ;

int main(int argc, char** argv)
{
    if (argc < 2) return 2;
    timespec start{}, end{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[1], argv + 1);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    clock_gettime(CLOCK_MONOTONIC, &end);
    const double ms = (end.tv_sec - start.tv_sec) * 1e3 + (end.tv_nsec - start.tv_nsec) / 1e6;
    std::fprintf(stderr, "%.3f %ld\n", ms, usage.ru_maxrss);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}
