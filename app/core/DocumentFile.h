// SPDX-License-Identifier: Apache-2.0
// An embedded document as the file a raw job sends: the steps of the Print
// action between the document and the job, shared by every front-end.
#pragma once

#include <string>

#include "Resources.h"

namespace AppCore {

// Reads the whole document (8-bit text up to the first NUL, split into
// lines at CR LF, CR or LF) and writes its lines, each followed by CR LF,
// to a new file "ps<hex>.ps" in the temporary directory. Returns false, with
// nothing written, when no unique file could be created; raises EInOutError
// when writing fails or the file is no longer the one created (the file
// stays), and EOSError when the temporary directory cannot be found.
bool WriteDocumentFile(Resources::TResourceStream& document, std::string& fileName);

}  // namespace AppCore
