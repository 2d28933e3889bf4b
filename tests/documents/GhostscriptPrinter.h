// SPDX-License-Identifier: Apache-2.0
// Ghostscript as the printer: runs PostScript files through gs under -dSAFER
// and reads back the text it placed on each page.
#pragma once

#include <string>
#include <vector>

namespace DocumentTests {

struct TGsResult {
    int exitCode = -1;
    std::string out;  // the device's output (txtwrite) or the job's %stdout (nullpage)
    std::string err;
};

// One shown string as txtwrite reports it: points from the top-left corner,
// y at the baseline.
struct TSpan {
    int page = 0;  // 1-based
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0, size = 0;
    std::string text;
};

class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    const std::string& Path() const { return path_; }
    // Writes a file in the folder and returns its path.
    std::string Write(const std::string& name, const std::string& bytes) const;

private:
    std::string path_;
};

// gs -q -dSAFER -dBATCH -dNOPAUSE -sPAPERSIZE=<paper> <deviceArgs...> <files...>
// paper is a Ghostscript paper name (letter, a4, 11x17, ...).
TGsResult RunGs(const std::vector<std::string>& deviceArgs, const std::vector<std::string>& files,
                const std::string& paper = "letter");

// Runs the files on the txtwrite device (the job's %stdout goes to err).
TGsResult RunText(const std::vector<std::string>& files, const std::string& paper = "letter");
// Runs the files on the nullpage device; the job's %stdout is in out.
TGsResult RunNull(const std::vector<std::string>& files, const std::string& paper = "letter");

std::vector<TSpan> ParseSpans(const std::string& txtwriteOutput);
int PageCount(const std::string& txtwriteOutput);

// The texts of a page's lines: spans on the same baseline in the same column
// (left or right of 4.7 in) joined in x order, from top to bottom.
std::vector<std::string> PageLines(const std::vector<TSpan>& spans, int page);

const TSpan* FindSpan(const std::vector<TSpan>& spans, int page, const std::string& text);

std::string ReadFileBytes(const std::string& path);

}  // namespace DocumentTests
