// The desktop program as a player starts it; everything it does is RunDesktopProgram's.

#include "app/qt/desktop_program.h"

int main(int argc, char* argv[])
{
    return pyrandel::RunDesktopProgram(argc, argv);
}
