// SPDX-License-Identifier: Apache-2.0
// How much a printer's alert weighs for a monitoring system. Alerts arrive
// as texts from several protocols ("paper jam", "media jam (error)", "Black
// toner is low"), so they are weighed by the words in them.
#pragma once

#include <string>

namespace Cli {

enum class TAlertSeverity { None, Warning, Critical };

// None for news that needs nobody (power saver, warming up, an IPP
// "(report)"); Critical for what stops printing (a jam, an open door or
// cover, offline, out of paper or toner, a missing or spent part, a full
// receptacle, a failure, an IPP "(error)"); Warning for every other alert,
// among them what will soon stop it (low, nearly full, an IPP "(warning)").
TAlertSeverity AlertSeverity(const std::string& alert);

}  // namespace Cli
