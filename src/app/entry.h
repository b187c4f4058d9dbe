#pragma once

#include <windows.h>

// The whole program: decides the process's role, once, and runs it.
int RunEntryPoint(HINSTANCE instance);
