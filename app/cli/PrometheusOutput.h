// SPDX-License-Identifier: Apache-2.0
// quellmark query --prometheus: the Prometheus text exposition format, for
// node_exporter's textfile collector. The families need their samples
// together, so the whole text is written at the end.
//
// Metrics (each with HELP and TYPE; every label value UTF-8, with '\\',
// '"' and line feeds escaped and other control characters as '?'):
//   quellmark_up{printer}                         1 answered, 0 did not
//   quellmark_printer_info{printer,make_and_model,serial_number,firmware}  1
//   quellmark_printer_state{printer,state}        1; idle, processing, stopped, unknown
//   quellmark_page_count_total{printer}           counter: total impressions
//   quellmark_uptime_seconds{printer}
//   quellmark_supply_level_ratio{printer,supply,kind,color}
//                                                 0 to 1; of a receptacle (waste
//                                                 toner) how full it is; unknown
//                                                 levels have no sample
//   quellmark_tray_level_ratio{printer,tray}      input trays: sheets in it / capacity
//   quellmark_alert{printer,alert}                1 for each alert the printer shows
//   quellmark_scan_addresses                      addresses of the ranges asked
//   quellmark_scan_silent_addresses               of those, how many did not answer
// A printer named twice is written once, and a supply, tray or alert name
// that repeats within a printer gets " #2", " #3" ...: the collector
// refuses a file with a series twice.
#pragma once

#include <memory>

#include "QuerySink.h"

namespace Cli {

std::unique_ptr<TQuerySink> NewPrometheusSink();

}  // namespace Cli
