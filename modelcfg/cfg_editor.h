// The configuration editor window: the list of lines with their buttons, the
// command row, scrolling, and what the mouse and keyboard do there.
#pragma once

#include "modelcfg/button.h"
#include "ui/window.h"

extern ui::Handle modelcfg_popup;  // no_window while the editor is closed
extern ui::Rect cfg_display_rect;  // the list area, set by every paint
extern int cfg_popup_virtual_display_height;
extern int cfg_popup_scroll_offset;
extern int modelcfg_lineselected;  // the line being dragged, -1 none

// The command row, left to right.
extern button_class getall_button, sendall_button, load_button, save_button, print_button,
    address_button, addline_button;

// Opens the editor (menu "Edit"); nothing when it is open already.
void CreateModelCfgPopup();
void PaintModelCfg(ui::Handle window, ui::PaintContext& dc);
void ResizeModelCfgPopup(ui::Handle cfg_popup);
void ManageModelCfgScrollBar(ui::Handle cfg_window);
void ScrollModelCfgWindow(ui::Handle cfg_window, ui::WordParam word);
ui::Result ModelCfgCallBack(ui::Handle this_window, unsigned message, ui::WordParam word_parm,
                            ui::LongParam long_parm);
// After a load: the editor as tall as the main window's client area allows
// (snapped to whole lines), shown and repainted; nothing while it is closed.
void PlaceModelCfgPopup();
// Sets the editor's title (the window's when it is open; kept for the next opening).
void SetModelCfgTitle(const char* title);
