// SPDX-License-Identifier: Apache-2.0
// What a printer says about itself, in one record filled from every
// protocol it speaks: PostScript, PJL, IPP and SNMP. Each source reads the
// printer its own way and fills a TPrinterStatus with the values it knows;
// MergeStatus then takes each value from the most reliable source that has
// it, in one documented order, and names that source.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace PrinterUtils {

enum class TStatusSource : std::uint8_t { PostScript, Pjl, Ipp, Snmp };

// "postscript", "pjl", "ipp", "snmp".
const char* SourceName(TStatusSource source) noexcept;

// What is left of a supply (for a receptacle such as a waste toner box:
// how close it is to full, "empty" then meaning full).
enum class TSupplyState : std::uint8_t { Ok, Low, Empty, SomeLeft, Unknown };
const char* SupplyStateName(TSupplyState state) noexcept;  // "ok", "low", "empty", "some_left", "unknown"

struct TSupply {
    std::string name;                    // as the printer names it, e.g. "Black Toner Cartridge"
    std::string kind;                    // "toner", "ink", "waste_toner", "drum", "fuser", "other", ...
    std::string color;                   // "black", "cyan", ... or "" when the supply has none
    std::optional<double> levelPercent;  // 0 to 100; none when the printer gives no number
    TSupplyState state = TSupplyState::Unknown;
    bool receptacle = false;  // fills up as it is used (waste toner)
};

struct TTray {
    std::optional<int> number;
    std::string name;             // "Tray 1", "Manual Feed", ...
    std::string size;             // paper size, as the page names it
    std::string type;             // media type
    std::string media;            // the media loaded, as the printer names it
    std::optional<int> level;     // sheets in it; none when unknown
    std::optional<int> capacity;  // sheets it holds
    bool someLeft = false;        // level unknown but not empty
};

// One printer's record. Every field is optional: a source fills what it
// knows, and the merged record says which source each value came from.
struct TPrinterStatus {
    std::optional<std::string> makeAndModel;
    std::optional<std::string> serialNumber;
    std::optional<std::string> firmware;
    std::optional<long long> pageCount;
    std::optional<long long> uptimeSeconds;
    std::optional<std::string> state;  // "idle", "processing", "stopped", "unknown"
    std::vector<std::string> alerts;
    std::vector<TSupply> supplies;
    std::vector<TTray> inputTrays;
    std::vector<TTray> outputTrays;
    std::vector<std::string> languages;  // "PostScript", "PCL", "PJL", "PDF", ...
    std::optional<bool> takesPostScript;
    // Memory in bytes, where only a non-PostScript source knows it.
    std::optional<long long> memoryBytes;

    // For each key of the record that holds a value (the JSON names:
    // "make_and_model", "supplies", ...), the source it came from.
    std::map<std::string, TStatusSource> sources;
};

// How SNMP is asked: v1 and v2c with the community; v3 with the user,
// authenticated when authPassword is set and private as well when
// privPassword is set.
struct TSnmpSettings {
    std::string version = "2c";
    std::string community = "public";
    std::string user;
    std::string authProtocol;  // "SHA" (default when a password is set), "MD5", "SHA-256", "SHA-512"
    std::string authPassword;
    std::string privProtocol;  // "AES" (default when a password is set), "DES"
    std::string privPassword;
};

// The record from what each source read, a value from the first source in
// this order that has it (documented in the man page):
//   make_and_model, serial_number, state, alerts: ipp, snmp, pjl, postscript
//   firmware: ipp, pjl, snmp, postscript
//   page_count: snmp, pjl, ipp, postscript
//   supplies, input_trays, output_trays: snmp, ipp, postscript, pjl
//   languages, takes_postscript: snmp, ipp, pjl, postscript
//   uptime_seconds: snmp, ipp;  memory: postscript, pjl, snmp
TPrinterStatus MergeStatus(const std::map<TStatusSource, TPrinterStatus>& readings);

}  // namespace PrinterUtils
