// GradientFill of msimg32, reached through its System32 path at run time.
#pragma once

#include <windows.h>

// As GradientFill; FALSE when msimg32 cannot be loaded.
BOOL CallGradientFill(HDC dc, TRIVERTEX* vertices, ULONG count, void* mesh, ULONG meshCount, ULONG mode);
