// SPDX-License-Identifier: Apache-2.0
#include "Presenter.h"

#include <exception>
#include <new>

#include "Messages.h"

namespace AppCore {

std::optional<std::string> ErrorBoxText(const SysUtils::Exception& error)
{
    if (dynamic_cast<const SysUtils::EAbort*>(&error)) return std::nullopt;
    return Messages::ApplyPeriodRule(error.Message());
}

void ReportCurrentException(IPresenter& presenter)
{
    try {
        throw;
    } catch (const SysUtils::Exception& e) {
        presenter.ReportError(e);
    } catch (const std::bad_alloc&) {
        presenter.ReportError(SysUtils::Exception("Out of memory"));
    } catch (const std::exception& e) {
        presenter.ReportError(SysUtils::Exception(e.what()));
    } catch (...) {
        presenter.ReportError(SysUtils::Exception("External exception"));
    }
}

}  // namespace AppCore
