// SPDX-License-Identifier: Apache-2.0
// Identifiers of the program's resources, shared by its resource script and code.
#pragma once

#define IDI_QUELLMARK 1
