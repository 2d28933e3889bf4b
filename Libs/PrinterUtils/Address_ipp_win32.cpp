// SPDX-License-Identifier: Apache-2.0
// Windows has no IPP client here: ipp:// and ipps:// addresses are refused
// at opening, with the schemes that work.
#include "PrinterAddress.h"

namespace PrinterUtils {

SpoolerPrimitives* IppAddressPrimitives()
{
    return nullptr;
}

}  // namespace PrinterUtils
