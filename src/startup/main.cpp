// The process entry of both hosts: the platform turns the process's
// arguments into the program's command line and runs the program as it
// needs (on the native host, on a thread with a Windows-sized stack).
#include "platform/platform.h"
#include "startup/startup.h"

int main(int argc, char** argv) { return orv::platform::run_entry(argc, argv, orv::run_program); }
