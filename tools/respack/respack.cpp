// The respack program; see RespackCommand.h.
#include "RespackCommand.h"

int main(int argc, char** argv) {
    return tools::RunRespack(argc, argv);
}
