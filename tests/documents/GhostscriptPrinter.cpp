// SPDX-License-Identifier: Apache-2.0
#include "GhostscriptPrinter.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <tuple>

extern char** environ;

namespace DocumentTests {

namespace fs = std::filesystem;

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TTempDir::TTempDir()
{
    std::string pattern = (fs::temp_directory_path() / "quellmark-docs-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TTempDir::~TTempDir()
{
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::string TTempDir::Write(const std::string& name, const std::string& bytes) const
{
    const std::string path = path_ + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path);
    return path;
}

TGsResult RunGs(const std::vector<std::string>& deviceArgs, const std::vector<std::string>& files,
                const std::string& paper)
{
    TTempDir capture;
    const std::string outPath = capture.Path() + "/out", errPath = capture.Path() + "/err";
    std::vector<std::string> args = {"gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sPAPERSIZE=" + paper};
    args.insert(args.end(), deviceArgs.begin(), deviceArgs.end());
    args.insert(args.end(), files.begin(), files.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, "gs", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("cannot start gs (is Ghostscript installed?)");
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) throw std::runtime_error("waitpid failed");
    TGsResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = ReadFileBytes(outPath);
    result.err = ReadFileBytes(errPath);
    return result;
}

TGsResult RunText(const std::vector<std::string>& files, const std::string& paper)
{
    return RunGs({"-sDEVICE=txtwrite", "-dTextFormat=0", "-sstdout=%stderr", "-o", "-"}, files, paper);
}

TGsResult RunNull(const std::vector<std::string>& files, const std::string& paper)
{
    return RunGs({"-sDEVICE=nullpage"}, files, paper);
}

namespace {

std::string Unescape(const std::string& s)
{
    static const std::pair<const char*, char> kEntities[] = {
        {"&quot;", '"'}, {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&apos;", '\''}};
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        bool matched = false;
        for (const auto& [entity, c] : kEntities) {
            const std::string e = entity;
            if (s.compare(i, e.size(), e) == 0) {
                out += c;
                i += e.size();
                matched = true;
                break;
            }
        }
        if (!matched) out += s[i++];
    }
    return out;
}

}  // namespace

std::vector<TSpan> ParseSpans(const std::string& output)
{
    static const std::regex kSpan(
        R"re(<span bbox="([-\d.]+) ([-\d.]+) ([-\d.]+) ([-\d.]+)" font="[^"]*" size="([\d.]+)">)re");
    static const std::regex kChar(R"re(<char bbox="[^"]*" c="(.*)"/>)re");
    std::vector<TSpan> spans;
    std::istringstream lines(output);
    std::string line;
    int page = 0;
    TSpan* current = nullptr;
    std::smatch m;
    while (std::getline(lines, line)) {
        if (line.rfind("<page", 0) == 0) {
            ++page;
        } else if (std::regex_search(line, m, kSpan)) {
            spans.push_back(
                {page, std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4]), std::stod(m[5]), ""});
            current = &spans.back();
        } else if (current && std::regex_search(line, m, kChar)) {
            current->text += Unescape(m[1]);
        } else if (line.rfind("</span>", 0) == 0) {
            current = nullptr;
        }
    }
    return spans;
}

int PageCount(const std::string& output)
{
    int pages = 0;
    for (std::size_t at = output.find("<page"); at != std::string::npos; at = output.find("<page", at + 1)) ++pages;
    return pages;
}

std::vector<std::string> PageLines(const std::vector<TSpan>& spans, int page)
{
    std::map<std::tuple<long, bool>, std::vector<const TSpan*>> rows;
    for (const TSpan& s : spans)
        if (s.page == page) rows[{std::lround(s.y0), s.x0 >= 4.7 * 72}].push_back(&s);
    std::vector<std::string> lines;
    for (auto& [key, row] : rows) {
        std::sort(row.begin(), row.end(), [](const TSpan* a, const TSpan* b) { return a->x0 < b->x0; });
        std::string text;
        for (const TSpan* s : row) text += s->text;
        lines.push_back(text);
    }
    return lines;
}

const TSpan* FindSpan(const std::vector<TSpan>& spans, int page, const std::string& text)
{
    for (const TSpan& s : spans)
        if (s.page == page && s.text == text) return &s;
    return nullptr;
}

}  // namespace DocumentTests
