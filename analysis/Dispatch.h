// The clipboard change dispatch and what the analysers share.
#pragma once

#include <string>
#include <string_view>

#include "AnalysisHost.h"

// The 83 bytes a URL may hold.
inline constexpr std::string_view URL_CHARS =
    "!#$%&'()*+,-./0123456789:;=?@ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz~";

// Byte-wise equality: no case, width or locale folding.
bool TextEquals(std::string_view a, std::string_view b);

// The longest prefix of Text made only of URL_CHARS bytes.
std::string ExtractUrl(std::string_view text);

// The pause after a mail link: SleepTime milliseconds; a negative value is no pause.
void PauseAfterLink(IAnalysisHost& host);

// One clipboard change: takes a new text into lastClipText and runs the
// enabled analysers in order, each on a fresh read of the clipboard.
void ClipEventClipChange(IAnalysisHost& host, std::string& lastClipText);
