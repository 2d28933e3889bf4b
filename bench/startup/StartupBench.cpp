// SPDX-License-Identifier: Apache-2.0
// Process start to window shown: spawns a program under the X server in
// DISPLAY and waits for its first top-level window to be mapped. Runs
// QuellmarkExec against a private print server holding many queues, and a
// bare Qt window program, alternately; prints the medians and their ratio.
// With --hung, the print server never answers: QuellmarkExec's first window
// is then its start-up error box, timed beside lpstat -d, which waits for
// the same server.
//
//   startup_bench QUELLMARKEXEC BAREWINDOW [RUNS=21] [QUEUES=500]
//   startup_bench --hung QUELLMARKEXEC [RUNS=3]
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "CupsTestServer.h"
#include "HungServer.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

class Display {
public:
    Display()
    {
        connection_ = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection_)) throw std::runtime_error("cannot open the display in DISPLAY");
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, screen->root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(connection_);
    }
    ~Display() { xcb_disconnect(connection_); }
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    // Blocks until some client maps a top-level window.
    void WaitForMap()
    {
        for (;;) {
            xcb_generic_event_t* event = xcb_wait_for_event(connection_);
            if (!event) throw std::runtime_error("display connection lost");
            const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
            std::free(event);
            if (mapped) return;
        }
    }

private:
    xcb_connection_t* connection_ = nullptr;
};

double TimeToWindow(Display& display, const std::string& program)
{
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    const auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0)
        throw std::runtime_error("cannot start " + program);
    display.WaitForMap();
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    return ms;
}

// Process start to exit, for a program that prints nothing a window needs.
double TimeToExit(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    const auto start = Clock::now();
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &quiet, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (rc != 0) throw std::runtime_error("cannot start " + args[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

// Start-up against a print server that never answers: QuellmarkExec to its
// error box, lpstat -d to its exit.
int HungBench(const std::string& program, int runs)
{
    const QuellmarkTest::HungServer hung;
    ::setenv("CUPS_SERVER", hung.Address().c_str(), 1);
    Display display;
    std::vector<double> app, peer;
    for (int i = 0; i < runs; ++i) app.push_back(TimeToWindow(display, program));
    peer.push_back(TimeToExit({"lpstat", "-d"}));
    std::printf("server that never answers, runs %d\nQuellmarkExec to its error box median %.1f ms\n"
                "lpstat -d to its exit %.1f ms\n",
                runs, Median(app), Median(peer));
    return 0;
}

int main(int argc, char** argv)
{
    if (argc >= 3 && std::string(argv[1]) == "--hung") {
        try {
            return HungBench(argv[2], argc > 3 ? std::atoi(argv[3]) : 3);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "startup_bench: %s\n", e.what());
            return 1;
        }
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s QUELLMARKEXEC BAREWINDOW [RUNS] [QUEUES] | --hung QUELLMARKEXEC [RUNS]\n",
                     argv[0]);
        return 2;
    }
    const int runs = argc > 3 ? std::atoi(argv[3]) : 21;
    const int queues = argc > 4 ? std::atoi(argv[4]) : 500;
    try {
        QuellmarkTest::CupsTestServer server;
        for (int i = 0; i < queues; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "Bench%03d", i);
            server.AddLocalQueue(name);
        }
        char middle[32];
        std::snprintf(middle, sizeof middle, "Bench%03d", queues / 2);
        if (queues > 0) server.SetServerDefault(middle);
        Display display;
        std::vector<double> app, bare;
        TimeToWindow(display, argv[1]);  // warm the caches once for each
        TimeToWindow(display, argv[2]);
        for (int i = 0; i < runs; ++i) {
            app.push_back(TimeToWindow(display, argv[1]));
            bare.push_back(TimeToWindow(display, argv[2]));
        }
        const double a = Median(app), b = Median(bare);
        std::printf("queues %d, runs %d\nQuellmarkExec median %.1f ms\nbare window median %.1f ms\nratio %.2f\n",
                    queues, runs, a, b, a / b);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "startup_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
