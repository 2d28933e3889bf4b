// SPDX-License-Identifier: Apache-2.0
// The benchmark's PrinterUtils side as a process of its own, so that its
// time and peak memory compare with lp and lpstat, which are processes too.
//   printing_send print PRINTER FILES DOCUMENT
//   printing_send list
// Each prints "call <ms>" on stderr: the time of the PrinterUtils call alone.
#include <chrono>
#include <cstdio>
#include <string>

#include "PrinterUtils.h"
#include "SysUtils.h"

int main(int argc, char** argv)
{
    try {
        const std::string command = argc > 1 ? argv[1] : "";
        const auto start = std::chrono::steady_clock::now();
        const auto report = [&] {
            const std::chrono::duration<double, std::milli> ms = std::chrono::steady_clock::now() - start;
            std::fprintf(stderr, "call %.3f\n", ms.count());
        };
        if (command == "print" && argc == 5) {
            PrinterUtils::PrintFiles(argv[2], argv[3], argv[4]);
            report();
            return 0;
        }
        if (command == "list" && argc == 2) {
            SysUtils::TStringList list;
            PrinterUtils::ListPrinters(list,
                                       PrinterUtils::plpLocal | PrinterUtils::plpNetwork | PrinterUtils::plpShared);
            report();
            for (const auto& name : list.Lines()) std::printf("%s\n", name.c_str());
            return 0;
        }
    } catch (const SysUtils::Exception& e) {
        std::fprintf(stderr, "%s\n", e.Message().c_str());
        return 1;
    }
    std::fprintf(stderr, "usage: printing_send print PRINTER FILES DOCUMENT | list\n");
    return 2;
}
