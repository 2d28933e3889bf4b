// SPDX-License-Identifier: Apache-2.0
// What the main window does, written once for every front-end: the
// front-ends' own handlers call these.
#pragma once

#include "MainView.h"
#include "Presenter.h"

namespace AppCore {

// Every printer (local, network and shared) into the printer box,
// newest-listed first, then the user's default made current when the box's
// own search finds it. An exception goes to presenter.ReportError; the box
// keeps what was listed before it.
void FillPrinterBox(IMainView& view, IPresenter& presenter);

// The chosen status page document, through a new temporary file, as one raw
// job to the printer named in the box. A printer known not to take
// PostScript (PostScriptCheck.h) is first asked about through
// AskSendAnyway, before the file exists: Cancel leaves nothing behind.
// Raises on failure (the caller's catch point reports it); a temporary file
// that could not be created is reported through ShowInformation instead.
void PrintStatusPage(IMainView& view, IPresenter& presenter);

}  // namespace AppCore
