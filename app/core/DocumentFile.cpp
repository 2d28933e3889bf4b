// SPDX-License-Identifier: Apache-2.0
#include "DocumentFile.h"

#include "FilePrimitives.h"
#include "OsUtils.h"
#include "Resources.h"
#include "SysUtils.h"
#include "TextFile.h"

namespace AppCore {

TDocumentFile::TDocumentFile(const char* name, const char* type)
{
    Resources::TResourceStream document(name, type);
    const std::string tempDir = OsUtils::GetTempDirectory();
    OsUtils::FileIdentity created;
    if (!OsUtils::CreateUniqueFileName(tempDir, "ps", "ps", path_, &created)) return;
    std::string bytes(document.Size(), '\0');
    bytes.resize(document.Read(bytes.data(), bytes.size()));
    SysUtils::TStringList lines;
    lines.SetText(bytes);
    // The file written must still be the one just created.
    WriteTextFile(path_, lines.Text(), &created);
    created_ = true;
    OsUtils::RemoveOnTermination(path_);
}

TDocumentFile::~TDocumentFile()
{
    if (!created_) return;
    OsUtils::SystemFilePrimitives().Delete(path_);
    OsUtils::KeepOnTermination(path_);
}

void TDocumentFile::Keep() noexcept
{
    if (created_) OsUtils::KeepOnTermination(path_);
    created_ = false;
}

}  // namespace AppCore
