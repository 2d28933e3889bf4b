// SPDX-License-Identifier: Apache-2.0
// Words for the Printer MIB's and Host Resources MIB's enumerations, as the
// status record shows them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace PrinterUtils::SnmpNames {

// prtMarkerSuppliesType: "toner", "waste_toner", "drum", ...; "other" for
// any value without a word of its own.
const char* SupplyKind(long long type) noexcept;
// prtInterpreterLangFamily: "PostScript", "PCL", ...; "" when unnamed.
const char* LanguageFamily(long long family) noexcept;
// prtAlertCode: a short English text ("paper jam"), or "alert N".
std::string AlertCode(long long code);
// hrPrinterDetectedErrorState: the text of each bit set, in bit order.
std::vector<std::string> ErrorStateBits(std::string_view bits);
// A paper size of width x height points by its name ("A4", "Letter"),
// either orientation, within 5 points; otherwise "W x H pt".
std::string PaperSize(double widthPt, double heightPt);

}  // namespace PrinterUtils::SnmpNames
