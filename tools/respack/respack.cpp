// The respack program; see RespackCommand.h.
#include "RespackCommand.h"
#include "ui/TEngine.h"

int main(int argc, char** argv) {
    TEngine engine; // the engine's services, built first and gone last
    return tools::RunRespack(argc, argv);
}
