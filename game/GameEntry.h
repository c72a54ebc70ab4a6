// The game's entry. GameEntry runs the game in the current engine (tests and
// replays call it in-process); RunGame is the program's: it builds the
// engine, finds the game's folder and calls GameEntry.
#pragma once

// The entry's steps up to the main loop: names, error texts, the single
// instance check, the application's set-up and GameApp::Init. False when
// another copy of the game runs (nothing was started).
bool GameSetUp();
// Runs the shown application's main loop until `ticks` timer ticks have
// passed or the loop ends; the ticks that passed.
long RunTicks(long ticks);
// The steps of the program entry on the current engine; 0 in every case.
// With `ticks` >= 0 the main loop ends after that many timer ticks (headless
// runs on virtual time).
int GameEntry(long ticks = -1);
// The program: 0, or 1 when the game's files are not where it looks.
int RunGame(int argc, char** argv);
