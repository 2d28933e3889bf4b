// SPDX-License-Identifier: Apache-2.0
// An embedded document as the file a raw job sends: the steps of the Print
// action between the document and the job, shared by every front-end.
#pragma once

#include <string>

namespace AppCore {

// The embedded document NAME of TYPE in a new file "ps<hex>.ps" in the
// temporary directory: the whole document (8-bit text up to the first NUL,
// split into lines at CR LF, CR or LF), each line followed by CR LF. The
// file is removed when the object goes unless Keep() was called, and also
// when a signal ends the process meanwhile; one that cannot be removed is
// left behind.
class TDocumentFile {
public:
    // Raises EResNotFound for a missing document, EOSError when the
    // temporary directory cannot be found, and EInOutError when writing
    // fails or the file is no longer the one created (the file stays).
    TDocumentFile(const char* name, const char* type);
    ~TDocumentFile();
    TDocumentFile(const TDocumentFile&) = delete;
    TDocumentFile& operator=(const TDocumentFile&) = delete;

    // False when no unique file could be created: nothing was written.
    bool Created() const noexcept { return created_; }
    const std::string& Path() const noexcept { return path_; }
    // Leaves the file where it is when the object goes.
    void Keep() noexcept;

private:
    std::string path_;
    bool created_ = false;
};

}  // namespace AppCore
