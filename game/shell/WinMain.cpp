// The program's entry: hands the game's three functions to the engine and boots it.
#include "engine/core/Kestra.h"
#include "game/shell/GameMain.h"

int WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    Kestra::SetGameFunctions(ConfigureApplication, RunGame, OnWindowMessage);
    return Kestra::Boot(instance, __argc, __argv);
}
