// The scripted transfer through the amplifier's service console: its steps,
// its variables, driven by a host (sequence_host.h) from its timer.
#pragma once

#include <cstdio>

enum transfer_sequence_enum {
  ts_unstarted = 0,
  ts_idversion = 1,
  ts_whysquiggle = 2,
  ts_findprompt = 3,
  ts_pickdrive = 4,
  ts_pickdrive2 = 5,
  ts_setdrive = 6,
  ts_getfile = 7,
  ts_receiving = 8,
  ts_sendfile = 9,
  ts_sending = 10,
  ts_timeout = 11,
  ts_reset = 12,
  ts_failed = 13,
  ts_resetwait = 14,
  ts_abort = 15,
  ts_cantreset = 16,
  ts_complete = 17,
  ts_unused = 18,
};

extern transfer_sequence_enum transfer_step;
extern int transfer_getfile;       // 1: get the file from the amplifier, 0: send it
extern char transfer_driveletter;  // 'C' or 'D' once a send has chosen; 0 before
extern int transfer_retries;       // in the current step
extern std::FILE* target_file;     // the open local file, or null
// transfer_filename, transfer_filepath and transfer_device are shared with
// the editor: records/program_state.h. xmodem_timer: link/wserial.h.

void InitModelCfgXmodemSequence();
// One step of the sequence: on the dialog's timer and whenever bytes arrive.
void ModelCfgXmodemSequence();
// Ends a sequence in progress as its own failures do: a transfer under way is
// cancelled and the amplifier told to reset, so that it answers frames again.
void AbortModelCfgXmodemSequence();
// The only way the step changes.
void SetTransferSequenceStep(transfer_sequence_enum new_step);
