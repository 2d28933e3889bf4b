// SPDX-License-Identifier: Apache-2.0
#include "QuellmarkApplication.h"

int main()
{
    return RunQuellmark(CreateQuellmarkX);
}
