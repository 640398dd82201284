#pragma once

// Gives standard output and error a place to go where the system gave them none. A Windows GUI program
// (no console window of its own on a double-click) starts with nowhere to print unless its output was
// redirected: it then writes into the console it was started from, if there is one, and keeps every stream
// that already goes to a file, a pipe or a console. Call it first, before anything prints.
void attachParentConsole();
