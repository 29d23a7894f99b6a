/* Identifiers shared by the resource script and the C++ code. Plain #defines,
   since the resource compiler reads this file too. */
#ifndef TABRIVET_IDS_H
#define TABRIVET_IDS_H

#define IDM_CANCEL 167
#define IDM_HELP 168
#define IDM_START 169
#define IDC_COMMAND_LINE 170
#define AUTOSTART_TIMER_ID 171
#define CURSOR_TIMER_ID 172

#endif
