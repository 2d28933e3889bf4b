// SPDX-License-Identifier: Apache-2.0
// Build-time assembler of the status page documents.
//
//   DocumentAssembler document TEMPLATE OUTPUT
//       Expands a document template (see resources/documents/*.psd) into the
//       document that is sent to the printer: 7-bit text, CR LF after every
//       line, the same bytes on every run.
//   DocumentAssembler embed OUTPUT.cpp NAME TYPE FILE [NAME TYPE FILE ...]
//       Writes a C++ source with the files' bytes and the lookup table that
//       Resources.cpp searches.
//   DocumentAssembler labels SOURCE OUTPUT.h
//       Writes a C++ header with the page's fixed words: every
//       "/&_NAME (text) store" line of SOURCE as the constant NAME, so that
//       programs print the page's words from the page's own source.
//
// Template lines are copied as they stand, except source comments ("% ..."),
// blank lines and directive lines:
//   @@include FILE      the file, expanded the same way
//   @@eexec FILE        "currentfile eexec", the file enciphered, the zeros, "cleartomark";
//                       the file may hold @@include lines of its own
//   @@casetable UP|LOW  the 16 lines of a Windows-1252 case table
//   @@ascii85 FILE      the file's bytes as an ASCII85 string literal
//   @@ppd FILE          the page-device procedure table entries built from FILE
// FILE names are relative to the template's folder.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct AssemblyError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw AssemblyError("cannot open " + path.string());
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) throw AssemblyError("cannot read " + path.string());
    return text.str();
}

void WriteFile(const fs::path& path, const std::string& bytes)
{
    // Written under a temporary name and renamed, so an interrupted build
    // never leaves a half document behind.
    const fs::path temp = path.string() + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) throw AssemblyError("cannot create " + temp.string());
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) throw AssemblyError("cannot write " + temp.string());
    }
    fs::rename(temp, path);
}

// Source text as lines; accepts LF or CR LF line ends, refuses anything the
// documents may not carry (tabs, control bytes, bytes above 0x7E).
std::vector<std::string> SourceLines(const fs::path& path)
{
    const std::string text = ReadFile(path);
    std::vector<std::string> lines;
    std::string line;
    int number = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(std::move(line));
            line.clear();
            ++number;
            continue;
        }
        if ((c < 0x20 && c != '\r') || c > 0x7E)
            throw AssemblyError(path.string() + ":" + std::to_string(number) + ": byte " + std::to_string(c) +
                                " is not printable 7-bit text");
        line.push_back(static_cast<char>(c));
    }
    if (!line.empty()) lines.push_back(std::move(line));
    for (const std::string& l : lines)
        if (l.find('\r') != std::string::npos) throw AssemblyError(path.string() + ": lone carriage return");
    return lines;
}

std::size_t Indent(const std::string& line)
{
    std::size_t n = 0;
    while (n < line.size() && line[n] == ' ') ++n;
    return n;
}

// "% text" or a lone "%" is a note for the reader of the source; DSC
// comments (%% and %!) and the document's own %Keyword: lines are kept.
bool IsSourceComment(const std::string& line)
{
    const std::size_t i = Indent(line);
    if (i == line.size()) return true;  // blank line
    if (line[i] != '%') return false;
    return i + 1 == line.size() || line[i + 1] == ' ';
}

class Document {
public:
    void Line(std::string_view text)
    {
        bytes_.append(text);
        bytes_.append("\r\n");
    }
    void Raw(std::string_view text) { bytes_.append(text); }
    const std::string& Bytes() const { return bytes_; }

private:
    std::string bytes_;
};

// --- eexec -----------------------------------------------------------------

std::uint32_t Fnv1a(std::string_view text)
{
    std::uint32_t h = 2166136261u;
    for (unsigned char c : text) {
        h ^= c;
        h *= 16777619u;
    }
    return h;
}

std::string Encipher(std::string_view plain)
{
    // Four leading bytes that the interpreter discards; taken from a hash of
    // the text so the output stays the same from build to build.
    std::uint32_t seed = Fnv1a(plain);
    std::string input;
    for (int i = 0; i < 4; ++i) {
        seed = seed * 1103515245u + 12345u;
        input.push_back(static_cast<char>((seed >> 16) & 0xFF));
    }
    input.append(plain);

    std::uint16_t r = 55665;
    constexpr std::uint16_t c1 = 52845, c2 = 22719;
    std::string cipher;
    cipher.reserve(input.size());
    for (unsigned char p : input) {
        const unsigned char c = static_cast<unsigned char>(p ^ (r >> 8));
        // Unsigned arithmetic: the sum wraps modulo 2^16 by design.
        r = static_cast<std::uint16_t>((static_cast<unsigned>(c) + r) * c1 + c2);
        cipher.push_back(static_cast<char>(c));
    }
    return cipher;
}

// The plain text of an enciphered block: the file with its includes, without
// the indentation and source comments that would only cost bytes inside the
// cipher text.
void EexecPlain(std::string& plain, const fs::path& path, int depth)
{
    if (depth > 8) throw AssemblyError(path.string() + ": includes nest too deep");
    for (const std::string& line : SourceLines(path)) {
        if (IsSourceComment(line)) continue;
        if (line.rfind("@@include ", 0) == 0) {
            EexecPlain(plain, path.parent_path() / line.substr(10), depth + 1);
            continue;
        }
        if (line.rfind("@@", 0) == 0)
            throw AssemblyError(path.string() + ": only @@include works in an enciphered block");
        plain.append(line, Indent(line));
        plain.push_back('\n');
    }
}

void Eexec(Document& doc, const fs::path& path)
{
    std::string plain;
    EexecPlain(plain, path, 0);
    const std::string cipher = Encipher(plain);

    static const char kHex[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(cipher.size() * 2);
    for (unsigned char c : cipher) {
        hex.push_back(kHex[c >> 4]);
        hex.push_back(kHex[c & 15]);
    }

    doc.Line("currentfile eexec");
    std::size_t at = 0;
    while (hex.size() - at > 80) {
        doc.Line(std::string_view(hex).substr(at, 80));
        at += 80;
    }
    // The last cipher line runs straight into the first of nine runs of 76 zeros.
    doc.Raw(std::string_view(hex).substr(at));
    for (int run = 0; run < 9; ++run) doc.Line(std::string(76, '0'));
    doc.Line("cleartomark");
}

// --- case tables -------------------------------------------------------------

unsigned char Upper1252(unsigned char c)
{
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
    if (c == 0x9A || c == 0x9C || c == 0x9E) return static_cast<unsigned char>(c - 0x10);
    if (c == 0xFF) return 0x9F;
    if ((c >= 0xE0 && c <= 0xF6) || (c >= 0xF8 && c <= 0xFE)) return static_cast<unsigned char>(c - 0x20);
    return c;
}

unsigned char Lower1252(unsigned char c)
{
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
    if (c == 0x8A || c == 0x8C || c == 0x8E) return static_cast<unsigned char>(c + 0x10);
    if (c == 0x9F) return 0xFF;
    if ((c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xDE)) return static_cast<unsigned char>(c + 0x20);
    return c;
}

std::string StringLiteralChar(unsigned char c)
{
    switch (c) {
    case '\t': return "\\t";
    case '\n': return "\\n";
    case '\f': return "\\f";
    case '\r': return "\\r";
    case '\'': return "\\'";
    case '(': return "\\(";
    case ')': return "\\)";
    case '\\': return "\\\\";
    default: break;
    }
    if (c == 0x7F || (c >= 0x20 && c < 0x7F)) return std::string(1, static_cast<char>(c));
    char octal[8];
    std::snprintf(octal, sizeof octal, "\\%03o", c);
    return octal;
}

void CaseTable(Document& doc, const std::string& which)
{
    unsigned char (*map)(unsigned char) = nullptr;
    if (which == "UP")
        map = Upper1252;
    else if (which == "LOW")
        map = Lower1252;
    else
        throw AssemblyError("@@casetable wants UP or LOW, not " + which);
    for (int row = 0; row < 16; ++row) {
        std::string line;
        for (int col = 0; col < 16; ++col) line += StringLiteralChar(map(static_cast<unsigned char>(row * 16 + col)));
        line += '\\';
        doc.Line(line);
    }
}

// --- ASCII85 -------------------------------------------------------------------

void Ascii85(Document& doc, const fs::path& path)
{
    const std::string data = ReadFile(path);
    std::string text = "<~";
    for (std::size_t i = 0; i < data.size(); i += 4) {
        const std::size_t n = std::min<std::size_t>(4, data.size() - i);
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 4; ++k)
            group = (group << 8) | (k < n ? static_cast<unsigned char>(data[i + k]) : 0u);
        if (n == 4 && group == 0) {
            text += 'z';
            continue;
        }
        char digits[5];
        for (int k = 4; k >= 0; --k) {
            digits[k] = static_cast<char>('!' + group % 85);
            group /= 85;
        }
        text.append(digits, n + 1);
    }
    text += "~>";
    for (std::size_t at = 0; at < text.size(); at += 80) doc.Line(std::string_view(text).substr(at, 80));
}

// --- page-device table -----------------------------------------------------------

// FILE holds one "Option width height" line per page size, in table order.
void PageDeviceTable(Document& doc, const fs::path& path)
{
    struct Size {
        std::string option, width, height;
    };
    std::vector<Size> sizes;
    for (const std::string& line : SourceLines(path)) {
        if (IsSourceComment(line)) continue;
        std::istringstream fields(line);
        Size s;
        if (!(fields >> s.option >> s.width >> s.height))
            throw AssemblyError(path.string() + ": bad page size line: " + line);
        sizes.push_back(s);
    }
    for (const char* feature : {"PageSize", "PageRegion"})
        for (const Size& s : sizes)
            doc.Line("dup (" + std::string(feature) + "|" + s.option + ") cvn {" + s.width + " " + s.height +
                     " //^PPD.size exec} bind put");
    for (int n = 0; n < 16; ++n)
        doc.Line("dup (InputSlot|" + std::to_string(n) + ") cvn {" + std::to_string(n) + " //^PPD.slot exec} bind put");
    for (int n = 0; n < 16; ++n)
        doc.Line("dup (OutputBin|" + std::to_string(n) + ") cvn {" + std::to_string(n) + " //^PPD.bin exec} bind put");
}

// --- templates ---------------------------------------------------------------------

// Copies a source file into the document, expanding its directives; an
// included file may hold directives of its own.
void Expand(Document& doc, const fs::path& path, int depth)
{
    if (depth > 8) throw AssemblyError(path.string() + ": includes nest too deep");
    const fs::path dir = path.parent_path();
    int number = 0;
    for (const std::string& line : SourceLines(path)) {
        ++number;
        if (line.rfind("@@", 0) != 0) {
            if (!IsSourceComment(line)) doc.Line(line);
            continue;
        }
        std::istringstream words(line.substr(2));
        std::string directive, argument, extra;
        words >> directive >> argument >> extra;
        const std::string where = path.string() + ":" + std::to_string(number) + ": ";
        if (argument.empty() || !extra.empty()) throw AssemblyError(where + "a directive takes one argument");
        if (directive == "include")
            Expand(doc, dir / argument, depth + 1);
        else if (directive == "eexec")
            Eexec(doc, dir / argument);
        else if (directive == "casetable")
            CaseTable(doc, argument);
        else if (directive == "ascii85")
            Ascii85(doc, dir / argument);
        else if (directive == "ppd")
            PageDeviceTable(doc, dir / argument);
        else
            throw AssemblyError(where + "unknown directive " + directive);
    }
}

std::string Assemble(const fs::path& templatePath)
{
    Document doc;
    Expand(doc, templatePath, 0);
    return doc.Bytes();
}

std::string Embed(const std::vector<std::string>& args)
{
    std::ostringstream out;
    out << "// Generated by DocumentAssembler from the assembled status page documents.\n"
           "#include \"EmbeddedDocuments.h\"\n\n"
           "namespace Resources::Embedded {\n\nnamespace {\n";
    std::size_t count = 0;
    for (std::size_t i = 0; i + 2 < args.size(); i += 3, ++count) {
        const std::string bytes = ReadFile(args[i + 2]);
        out << "\nalignas(8) const unsigned char kData" << count << "[] = {";
        for (std::size_t k = 0; k < bytes.size(); ++k) {
            if (k % 20 == 0) out << "\n   ";
            out << ' ' << static_cast<unsigned>(static_cast<unsigned char>(bytes[k])) << ',';
        }
        out << "\n    0};  // not part of the resource; keeps the array non-empty\n";
    }
    out << "\n}  // namespace\n\nconst TEntry kEntries[] = {\n";
    count = 0;
    for (std::size_t i = 0; i + 2 < args.size(); i += 3, ++count) {
        const std::size_t size = fs::file_size(args[i + 2]);
        out << "    {\"" << args[i] << "\", \"" << args[i + 1] << "\", reinterpret_cast<const char*>(kData" << count
            << "), " << size << "u},\n";
    }
    out << "};\n\nconst std::size_t kEntryCount = " << count << ";\n\n}  // namespace Resources::Embedded\n";
    return out.str();
}

// --- page labels -------------------------------------------------------------------

std::string Labels(const fs::path& source)
{
    std::ostringstream out;
    out << "// Generated by DocumentAssembler from " << source.filename().string()
        << ": the words the status page prints.\n"
           "#pragma once\n\nnamespace PageLabels {\n\n";
    std::vector<std::string> names;
    for (const std::string& line : SourceLines(source)) {
        // Only a plain literal stored as it stands; a label built at run
        // time from the printer's values is not a fixed word.
        const std::size_t at = Indent(line);
        const std::size_t open = line.find(" (", at);
        if (line.compare(at, 3, "/&_") != 0 || open == std::string::npos) continue;
        const std::string name = line.substr(at + 3, open - at - 3);
        const std::string rest = line.substr(open + 2);
        const std::size_t close = rest.find_first_of("()\\");
        if (close == std::string::npos || rest[close] != ')' || rest.substr(close) != ") store") continue;
        if (name.empty() || !std::all_of(name.begin(), name.end(), [](char c) {
                return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
            }))
            throw AssemblyError(source.string() + ": label name \"" + name + "\" is not a C++ name");
        if (std::find(names.begin(), names.end(), name) != names.end())
            throw AssemblyError(source.string() + ": label " + name + " is stored twice");
        names.push_back(name);
        std::string text;
        for (char c : rest.substr(0, close)) {
            if (c == '"') text += '\\';
            text += c;
        }
        out << "inline constexpr char " << name << "[] = \"" << text << "\";\n";
    }
    if (names.empty()) throw AssemblyError(source.string() + ": no labels");
    out << "\n}  // namespace PageLabels\n";
    return out.str();
}

int Usage()
{
    std::cerr << "usage: DocumentAssembler document TEMPLATE OUTPUT\n"
                 "       DocumentAssembler embed OUTPUT.cpp NAME TYPE FILE [NAME TYPE FILE ...]\n"
                 "       DocumentAssembler labels SOURCE OUTPUT.h\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.size() == 3 && args[0] == "document") {
            WriteFile(args[2], Assemble(args[1]));
            return 0;
        }
        if (args.size() >= 5 && args[0] == "embed" && (args.size() - 2) % 3 == 0) {
            for (std::size_t i = 2; i < args.size(); i += 3)
                for (char c : args[i] + args[i + 1])
                    if (c == '"' || c == '\\') throw AssemblyError("resource names may not hold quotes or backslashes");
            WriteFile(args[1], Embed({args.begin() + 2, args.end()}));
            return 0;
        }
        if (args.size() == 3 && args[0] == "labels") {
            WriteFile(args[2], Labels(args[1]));
            return 0;
        }
        return Usage();
    } catch (const std::exception& e) {
        std::cerr << "DocumentAssembler: " << e.what() << '\n';
        return 1;
    }
}
