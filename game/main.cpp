// adventure: the game. Its files lie beside the program (resource.ini and
// what it names); see the README.
#include "GameEntry.h"

int main(int argc, char** argv) {
    return RunGame(argc, argv);
}
