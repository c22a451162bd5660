#include "records/program_state.h"

int polling_enabled = 1;
int factory_mode = 0;
int good_color = 1;
int mini_ocontrol = 0;
int commandline_mode = 0;
int autoload_cfg = 0;
int autoload_fw = 0;
int application_busy = 0;
int use_device = 'A';
char key_down[256];

unsigned timer_id1 = 0;
unsigned timer_id2 = 0;

char transfer_filename[1000];
char transfer_filepath[1024];
int transfer_device = 'A';
