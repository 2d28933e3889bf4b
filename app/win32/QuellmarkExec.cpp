// SPDX-License-Identifier: Apache-2.0
// QuellmarkExec for Windows: the application object, the main window, the
// message loop. Whatever escapes all three catch points ends the program
// after the last-resort box.
#include <exception>
#include <string>
#include <typeinfo>

#include "Application.h"
#include "Messages.h"
#include "OsUtils.h"
#include "QuellmarkImpl1.h"
#include "SysUtils.h"
#include "Win32Presenter.h"

namespace {

int RunProgram(HINSTANCE instance, int showCommand)
{
    // The title is fixed before any window exists.
    Messages::ApplicationTitle();
    QuellmarkWin32::TApplication application(instance);
    QuellmarkWin32::TWin32Presenter presenter(application);
    application.SetPresenter(presenter);
    QuellmarkWin32::TQuellmarkX form(application);
    return application.Run(form.Handle(), showCommand);
}

std::string ModuleName()
{
    const std::string path = OsUtils::ExecutablePath();
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void LastResort(const char* className, const std::string& message)
{
    // The address shown is that of the program body the exception left.
    const std::string text =
        Messages::LastResortText(className, ModuleName(), reinterpret_cast<const void*>(&RunProgram), message);
    ::MessageBoxA(nullptr, text.c_str(), "Application Error", MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    try {
        RunProgram(instance, showCommand);
        return 0;
    } catch (const SysUtils::Exception& e) {
        LastResort(e.ClassName(), e.Message());
    } catch (const std::exception& e) {
        LastResort("Exception", e.what());
    } catch (...) {
        LastResort("Exception", "External exception");
    }
    return 1;
}
