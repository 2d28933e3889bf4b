// SPDX-License-Identifier: Apache-2.0
#include "DocumentFile.h"

#include "OsUtils.h"
#include "SysUtils.h"
#include "TextFile.h"

namespace AppCore {

bool WriteDocumentFile(Resources::TResourceStream& document, std::string& fileName)
{
    const std::string tempDir = OsUtils::GetTempDirectory();
    OsUtils::FileIdentity created;
    if (!OsUtils::CreateUniqueFileName(tempDir, "ps", "ps", fileName, &created)) return false;
    std::string bytes(document.Size(), '\0');
    bytes.resize(document.Read(bytes.data(), bytes.size()));
    SysUtils::TStringList lines;
    lines.SetText(bytes);
    // The file written must still be the one just created.
    WriteTextFile(fileName, lines.Text(), &created);
    return true;
}

}  // namespace AppCore
