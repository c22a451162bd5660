// The font of the panels' four-line display, kept in font.dat.
#pragma once

#include "ui/paint.h"

// The display font the panels draw with.
extern ui::FontSpec font_handle;

void LoadFont();
void SaveFont();
// Lets the operator choose a fixed-pitch font; saves it when confirmed.
void PickFont();

// The record in font.dat and the screen font, one from the other.
ui::FontSpec FontFromRecord();
void RecordFromFont(const ui::FontSpec& font, int point_size_tenths);
