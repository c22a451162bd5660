// Undo and redo of the operator's changes to the line table: each step keeps
// the whole table with its statuses, the title and the colours of the two
// buttons that suggest the next step.
#pragma once

#include <memory>

struct CfgSnapshot;

// The current state, to be pushed once the change it precedes has happened.
std::shared_ptr<const CfgSnapshot> TakeCfgSnapshot();
// Records the state before a change; the redo steps are dropped.
void PushCfgUndo(std::shared_ptr<const CfgSnapshot> before);
// 1 when a step was undone or redone.
int UndoCfgChange();
int RedoCfgChange();
// After a send the device holds part of the table: older states no longer apply.
void ClearCfgUndo();
int CfgUndoSteps();
int CfgRedoSteps();

constexpr int max_cfg_undo_steps = 32;
