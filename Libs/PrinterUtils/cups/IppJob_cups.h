// SPDX-License-Identifier: Apache-2.0
// Following an IPP job to its end with libcups, for the queues of the print
// server and for ipp:// printers alike.
#pragma once

#include <cups/cups.h>

#include <cstdint>
#include <string>

#include "PrinterUtils.h"

namespace PrinterUtils {

// Asks for the job's state on http until it is completed, aborted or
// canceled, or options.timeoutMs passes, and fills outcome: its state and,
// for a job that did not complete, job-state-reasons and job-state-message.
// False with the last error recorded when the server or printer stops
// answering.
bool FollowIppJob(http_t* http, const std::string& printerUri, int jobId, const TJobOptions& options,
                  TJobOutcome& outcome);

// The job's reasons and message, as one text ("reason, reason: message").
std::string JobStateText(ipp_t* response);

}  // namespace PrinterUtils
