// SPDX-License-Identifier: Apache-2.0
// The information dialog's geometry and its Ctrl+C text, for any toolkit.
// Front-ends measure text in the dialog's font; everything else is here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace AppCore {

struct TSize {
    int width = 0;
    int height = 0;
    bool operator==(const TSize&) const = default;
};

struct TRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const TRect&) const = default;
};

// The string whose width, divided by 52, gives the average character width.
inline constexpr std::string_view kAverageWidthLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
inline constexpr const char* kInformationButtonCaption = "OK";

// a * b / c rounded to the nearest integer, halves away from zero.
int MulDivRounded(int a, int b, int c);

// The dialog units: w from the width of the 52 letters (remainder dropped), h the line height.
struct TDialogUnits {
    int w = 0;
    int h = 0;
};
TDialogUnits DialogUnitsFromMetrics(int widthOf52Letters, int lineHeight);

// The widest a line of the message may be before it wraps: half the screen.
int MessageWrapWidth(int screenWidth);

struct TInformationDialogLayout {
    TSize client;
    TRect text;
    std::vector<TRect> buttons;
};

// Places the message block (already measured, word-wrapped at
// MessageWrapWidth) and one button per caption width, each button at least
// 50w/4 wide or its caption width plus 8, centred below the text.
TInformationDialogLayout LayoutInformationDialog(TDialogUnits units, TSize textBlock,
                                                 const std::vector<int>& captionWidths);

// Top-left corner that centres a window of size within area.
TRect CentreIn(const TRect& area, TSize size);

// What Ctrl+C puts on the clipboard: divider, caption, divider, message,
// divider, the captions (each followed by three blanks, "&" removed),
// divider; every line ends in CR LF.
std::string InformationCopyText(std::string_view caption, std::string_view message,
                                const std::vector<std::string>& buttonCaptions);

}  // namespace AppCore
