// What the editor window does with the operator's clicks: the line hit tests,
// the drop position of a dragged line, and the dialogs of the command row.
#pragma once

#include "ui/window.h"

// One press (down 1) or release (0) at client coordinates.
void ModelCfgMouseClick(int x, int y, int down);
// A right-button release at client coordinates.
void ModelCfgRightClick(int x, int y);
// Offers the event to one line; 1 when the line took it.
int DetectCfgLineClick(int x, int y, int line, int down);
// The drop position for a pointer height: the index the dragged line goes before.
int ModelCfgLineFromCursor(int ymouse);

// Shows the cursor for the drag state (after a click starts or ends a drag).
void UpdateModelCfgCursor();

// Lets the operator edit one line in its display form; a changed text is
// parsed again and the line counts as edited.
void EditCfgLine(int line);

// Serial address dialog (template "#2") and the load dialog (template "#17").
ui::Result GetTransferAddressCallBack(ui::Handle dialog, unsigned message, ui::WordParam word,
                                      ui::LongParam l);
ui::Result Get807NumberCallBack(ui::Handle dialog, unsigned message, ui::WordParam word,
                                ui::LongParam l);
// Lets the operator choose the device over Ethernet.
void EditModelGetIp();

// The folder holding one folder per document number, with a trailing '/':
// CORVANE_DOCUMENT_DIR, else the program directory.
const char* DocumentDirectory();
// The editor's title as last set.
const char* ModelCfgTitle();
// Applies one scroll action with a position of full width (the thumb and the
// Home and End keys).
void ScrollModelCfgTo(ui::Handle cfg_window, unsigned scroll_code, int position);
