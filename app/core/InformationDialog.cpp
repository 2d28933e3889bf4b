// SPDX-License-Identifier: Apache-2.0
#include "InformationDialog.h"

#include <algorithm>
#include <cstdlib>

namespace AppCore {

int MulDivRounded(int a, int b, int c)
{
    if (c == 0) return -1;
    const long long product = static_cast<long long>(a) * b;
    const long long half = std::llabs(static_cast<long long>(c)) / 2;
    const bool negative = (product < 0) != (c < 0);
    const long long magnitude = (std::llabs(product) + half) / std::llabs(static_cast<long long>(c));
    return static_cast<int>(negative ? -magnitude : magnitude);
}

TDialogUnits DialogUnitsFromMetrics(int widthOf52Letters, int lineHeight)
{
    return {widthOf52Letters / 52, lineHeight};
}

int MessageWrapWidth(int screenWidth)
{
    return screenWidth / 2;
}

TInformationDialogLayout LayoutInformationDialog(TDialogUnits units, TSize textBlock,
                                                 const std::vector<int>& captionWidths)
{
    const int horzMargin = MulDivRounded(8, units.w, 4);
    const int vertMargin = MulDivRounded(8, units.h, 8);
    const int vertSpacing = MulDivRounded(10, units.h, 8);
    const int buttonHeight = MulDivRounded(14, units.h, 8);
    const int buttonSpacing = MulDivRounded(4, units.w, 4);

    int buttonWidth = MulDivRounded(50, units.w, 4);
    for (const int caption : captionWidths) buttonWidth = std::max(buttonWidth, caption + 8);

    const int buttonCount = static_cast<int>(captionWidths.size());
    const int rowWidth = buttonCount > 0 ? buttonCount * buttonWidth + (buttonCount - 1) * buttonSpacing : 0;

    TInformationDialogLayout layout;
    layout.client.width = std::max(textBlock.width, rowWidth) + 2 * horzMargin;
    layout.client.height = textBlock.height + vertSpacing + buttonHeight + 2 * vertMargin;
    layout.text = {horzMargin, vertMargin, textBlock.width, textBlock.height};

    const int rowTop = vertMargin + textBlock.height + vertSpacing;
    int left = (layout.client.width - rowWidth) / 2;
    for (int i = 0; i < buttonCount; ++i) {
        layout.buttons.push_back({left, rowTop, buttonWidth, buttonHeight});
        left += buttonWidth + buttonSpacing;
    }
    return layout;
}

TRect CentreIn(const TRect& area, TSize size)
{
    return {area.left + (area.width - size.width) / 2, area.top + (area.height - size.height) / 2, size.width,
            size.height};
}

std::string InformationCopyText(std::string_view caption, std::string_view message,
                                const std::vector<std::string>& buttonCaptions)
{
    const std::string divider = std::string(27, '-') + "\r\n";
    std::string captions;
    for (const std::string& button : buttonCaptions) {
        for (const char c : button)
            if (c != '&') captions += c;
        captions += "   ";
    }
    std::string text = divider;
    text.append(caption).append("\r\n").append(divider);
    text.append(message).append("\r\n").append(divider);
    text.append(captions).append("\r\n").append(divider);
    return text;
}

}  // namespace AppCore
