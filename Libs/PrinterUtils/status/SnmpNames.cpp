// SPDX-License-Identifier: Apache-2.0
// The enumerations' numbers are those of the Printer MIB (RFC 3805) and the
// Host Resources MIB (RFC 2790); only the values printers report in
// practice get a word, the rest a neutral fallback.
#include "SnmpNames.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace PrinterUtils::SnmpNames {

namespace {

template <typename T>
const T* Find(const std::pair<long long, T>* begin, const std::pair<long long, T>* end, long long key)
{
    const auto* it = std::find_if(begin, end, [key](const auto& entry) { return entry.first == key; });
    return it == end ? nullptr : &it->second;
}

constexpr std::pair<long long, const char*> kSupplyKinds[] = {
    {3, "toner"},         {4, "waste_toner"},         {5, "ink"},
    {6, "ink"},           {7, "ink_ribbon"},          {8, "waste_ink"},
    {9, "drum"},          {10, "developer"},          {11, "fuser_oil"},
    {12, "solid_wax"},    {13, "ribbon_wax"},         {14, "waste_wax"},
    {15, "fuser"},        {16, "corona_wire"},        {17, "fuser_oil_wick"},
    {18, "cleaner_unit"}, {19, "fuser_cleaning_pad"}, {20, "transfer_unit"},
    {21, "toner"},        {22, "fuser_oiler"},        {23, "water"},
    {24, "waste_water"},  {26, "waste_paper"},        {29, "stitching_wire"},
    {32, "staples"},
};

constexpr std::pair<long long, const char*> kLanguages[] = {
    {3, "PCL"},        {4, "HP-GL"}, {5, "PJL"},   {6, "PostScript"}, {7, "IPDS"},  {8, "PPDS"},  {9, "ESC/P"},
    {18, "SPDL"},      {30, "Text"}, {39, "LIPS"}, {40, "TIFF"},      {45, "LCDS"}, {46, "XES"},  {47, "PCL XL"},
    {50, "PRESCRIBE"}, {53, "XJCL"}, {54, "PDF"},  {55, "RPDL"},      {60, "CGM"},  {61, "JPEG"},
};

constexpr std::pair<long long, const char*> kAlertCodes[] = {
    {3, "cover open"},
    {5, "interlock open"},
    {7, "configuration changed"},
    {8, "paper jam"},
    {9, "part missing"},
    {10, "part nearly at end of life"},
    {11, "part at end of life"},
    {12, "supply nearly empty"},
    {13, "supply empty"},
    {14, "nearly full"},
    {15, "full"},
    {18, "part opened"},
    {22, "part offline"},
    {23, "power saver"},
    {24, "warming up"},
    {29, "recoverable failure"},
    {30, "unrecoverable failure"},
    {33, "memory exhausted"},
    {501, "door open"},
    {503, "powered up"},
    {507, "ready to print"},
    {801, "input tray missing"},
    {807, "paper low"},
    {808, "out of paper"},
    {809, "media change requested"},
    {810, "manual feed requested"},
    {813, "cannot feed the size selected"},
    {901, "output tray missing"},
    {902, "output tray nearly full"},
    {903, "output tray full"},
    {1001, "fuser under temperature"},
    {1002, "fuser over temperature"},
    {1101, "out of toner"},
    {1102, "out of ink"},
    {1104, "toner low"},
    {1105, "ink low"},
    {1107, "waste toner box nearly full"},
    {1108, "waste ink box nearly full"},
    {1109, "waste toner box full"},
    {1110, "waste ink box full"},
    {1111, "drum nearly at end of life"},
    {1112, "drum at end of life"},
    {1115, "toner cartridge missing"},
    {1304, "cannot print both sides of the media selected"},
};

// hrPrinterDetectedErrorState, most significant bit of the first byte first.
constexpr const char* kErrorBits[] = {
    "paper low",
    "out of paper",
    "toner low",
    "out of toner",
    "door open",
    "paper jam",
    "offline",
    "service requested",
    "input tray missing",
    "output tray missing",
    "supply missing",
    "output tray nearly full",
    "output tray full",
    "input tray empty",
    "preventive maintenance overdue",
};

struct TPaper {
    const char* name;
    double shortSide, longSide;
};
constexpr TPaper kPapers[] = {
    {"Letter", 612, 792},   {"Legal", 612, 1008}, {"Executive", 522, 756},  {"Statement", 396, 612},
    {"Tabloid", 792, 1224}, {"Folio", 612, 936},  {"A3", 842, 1191},        {"A4", 595, 842},
    {"A5", 420, 595},       {"A6", 297, 420},     {"B4", 729, 1032},        {"B5", 516, 729},
    {"ISO B5", 499, 709},   {"Env10", 297, 684},  {"EnvDL", 312, 624},      {"EnvC5", 459, 649},
    {"EnvC6", 323, 459},    {"EnvC4", 649, 918},  {"EnvMonarch", 279, 540}, {"Postcard", 283, 420},
};

}  // namespace

const char* SupplyKind(long long type) noexcept
{
    const auto* kind = Find(std::begin(kSupplyKinds), std::end(kSupplyKinds), type);
    return kind ? *kind : "other";
}

const char* LanguageFamily(long long family) noexcept
{
    const auto* name = Find(std::begin(kLanguages), std::end(kLanguages), family);
    return name ? *name : "";
}

std::string AlertCode(long long code)
{
    const auto* text = Find(std::begin(kAlertCodes), std::end(kAlertCodes), code);
    return text ? std::string(*text) : "alert " + std::to_string(code);
}

std::vector<std::string> ErrorStateBits(std::string_view bits)
{
    std::vector<std::string> texts;
    for (std::size_t bit = 0; bit < std::size(kErrorBits) && bit / 8 < bits.size(); ++bit) {
        const auto byte = static_cast<unsigned char>(bits[bit / 8]);
        if (byte & (0x80U >> (bit % 8))) texts.emplace_back(kErrorBits[bit]);
    }
    return texts;
}

std::string PaperSize(double widthPt, double heightPt)
{
    const double shortSide = std::min(widthPt, heightPt), longSide = std::max(widthPt, heightPt);
    for (const auto& paper : kPapers) {
        if (std::fabs(paper.shortSide - shortSide) <= 5 && std::fabs(paper.longSide - longSide) <= 5) return paper.name;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.0f x %.0f pt", widthPt, heightPt);
    return text;
}

}  // namespace PrinterUtils::SnmpNames
