// velmora: keeps a local copy of the recordings on the configured cameras.
// Everything but the entry point lives in the velmora_cli library, which the
// tests link as well.
#include "modes.h"

int main(int argc, char** argv) { return velmora::run_program(argc, argv); }
