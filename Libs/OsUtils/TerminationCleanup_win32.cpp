// SPDX-License-Identifier: Apache-2.0
// Files removed when the console ends the process (Ctrl+C, Ctrl+Break,
// the console window closed, logoff, shutdown): the handler, which Windows
// runs on a thread of its own, deletes every registered path and lets the
// default handling end the process.
#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "OsUtils.h"

namespace OsUtils {

namespace {

std::mutex registering;
std::vector<std::string>& Registered()
{
    static std::vector<std::string>* paths = new std::vector<std::string>;  // used until the process ends
    return *paths;
}

BOOL WINAPI RemoveFilesAndEnd(DWORD)
{
    const std::lock_guard<std::mutex> lock(registering);
    for (const std::string& path : Registered()) ::DeleteFileA(path.c_str());
    return FALSE;
}

}  // namespace

void RemoveOnTermination(const std::string& path)
{
    const std::lock_guard<std::mutex> lock(registering);
    static const bool installed = ::SetConsoleCtrlHandler(RemoveFilesAndEnd, TRUE) != 0;
    (void)installed;
    Registered().push_back(path);
}

void KeepOnTermination(const std::string& path)
{
    const std::lock_guard<std::mutex> lock(registering);
    std::vector<std::string>& paths = Registered();
    for (auto it = paths.begin(); it != paths.end(); ++it) {
        if (*it == path) {
            paths.erase(it);
            return;
        }
    }
}

}  // namespace OsUtils
