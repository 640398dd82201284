#include "platform/ParentConsole.h"

// Outside Windows a program always keeps the terminal or the redirection it was started with.
void attachParentConsole() {}
