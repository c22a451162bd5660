// The editor's colours.
#pragma once

#include "ui/window.h"

constexpr ui::Colour cfg_line_colour = ui::MakeColour(175, 163, 159);      // a line's band
constexpr ui::Colour cfg_dragged_colour = ui::MakeColour(231, 239, 255);   // the line being dragged
constexpr ui::Colour cfg_keyword_colour = ui::MakeColour(183, 171, 167);   // the keyword box
constexpr ui::Colour cfg_text_colour = ui::MakeColour(0, 0, 31);           // text, button captions
constexpr ui::Colour cfg_green = ui::MakeColour(0, 255, 0);    // suggested step; picked, not sent
constexpr ui::Colour cfg_yellow = ui::MakeColour(255, 255, 0); // send failed; sent from the command line
