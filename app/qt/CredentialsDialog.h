// SPDX-License-Identifier: Apache-2.0
// The dialog that asks for the user name and password a print server wants.
#pragma once

#include <string>

// Shows the modal credentials dialog for server, the user field holding
// user's suggestion; on OK fills user and password and returns true, on
// Cancel (or Esc, or the close button) returns false. The password is never
// stored anywhere but in the strings the caller passes.
bool AskPrintServerCredentials(const std::string& server, std::string& user, std::string& password);
