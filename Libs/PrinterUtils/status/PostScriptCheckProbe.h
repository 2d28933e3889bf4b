// SPDX-License-Identifier: Apache-2.0
// What the PostScript check stands on: the spooler's description of a
// queue's driver (each platform in PostScriptCheck_*.cpp) and the status
// sources' readings of a printer (ReadStatusOver). Tests drive the check
// with a recording fake of this seam. The readings of drivers' own
// descriptions (a PPD's lines, a device id's command set, a Windows
// driver's name) are portable and live in PostScriptCheckDrivers.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "PostScriptCheck.h"
#include "PrinterQuery.h"

namespace PrinterUtils {

// A queue's driver as the spooler describes it.
struct TQueueDriver {
    enum class TKind : std::uint8_t {
        Unknown,     // the spooler did not say (in time)
        Raw,         // no driver: the bytes go to the device as they are
        PostScript,  // the printer takes PostScript
        Other,       // the printer takes the languages below (none: not known which)
    };
    TKind kind = TKind::Unknown;
    std::vector<std::string> languages;  // Other: readable, as LanguageList shows them
    std::string deviceUri;               // Raw: where the bytes go ("socket://...", "usb://...")
};

class TPostScriptProbe {
public:
    virtual ~TPostScriptProbe() = default;
    // The queue's driver, within timeoutMs.
    virtual TQueueDriver QueueDriver(const std::string& queue, int timeoutMs) = 0;
    // One protocol's reading of the printer, within timeoutMs (ReadStatusOver).
    virtual bool Read(TStatusSource source, const TStatusPlan& plan, int timeoutMs, TPrinterStatus& status) = 0;
};

// The check on a given probe; CheckPostScript runs it on the system's.
TPostScriptCheck CheckPostScript(TPostScriptProbe& probe, const TPrinterTarget& printer, int timeoutMs);

// The platform's description of a queue's driver (PostScriptCheck_*.cpp).
TQueueDriver ReadQueueDriver(const std::string& queue, int timeoutMs);

// A document format (MIME type) as a person reads it: "application/pdf"
// "PDF", "image/pwg-raster" "PWG Raster"; an unknown type as it is written.
std::string ReadableFormat(std::string_view mimeType);

// The languages an IEEE 1284 device id's command set names ("CMD:PJL,PCL,
// POSTSCRIPT;" gives PJL, PCL, PostScript); entries it does not know are
// left out.
std::vector<std::string> CommandSetLanguages(std::string_view deviceId);

// A CUPS queue's driver from its PPD, as CUPS itself reads it: a PPD
// without filters is a PostScript printer's; a *cupsFilter2 line's
// destination, and the source of a *cupsFilter line that hands it on
// unchanged ("-"), is a format the printer takes; deviceId is the queue's
// printer-device-id (its PPD's *1284DeviceID). A printer whose command set
// names PostScript takes it, whatever its driver makes.
TQueueDriver DriverFromPpd(std::string_view ppd, std::string_view deviceId);

// A Windows queue's driver that is no PostScript driver, from its name:
// the languages the name gives ("HP Universal Printing PCL 6": PCL XL),
// Raw for the "Generic / Text Only" driver, Unknown otherwise.
TQueueDriver DriverFromName(std::string_view driverName);

}  // namespace PrinterUtils
