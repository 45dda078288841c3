#ifndef APP_PROGRAM_END_H
#define APP_PROGRAM_END_H

// Called by main after the event loop and the window are gone. Returns the exit
// code, or ends the process at once when a calculation is still running: the
// application object would wait for it, possibly for a reply that never comes,
// and the program writes no files, so there is nothing left to finish.
int end_program(int exitCode);

#endif
