// The one way framework and program code include the Win32 headers.
// Generic-text macros whose names the framework uses as member names are removed
// here, so that every translation unit sees the same member names; the framework
// always calls the explicit ANSI ("A") forms of the platform functions.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef LoadString
#undef GetClassName
#undef MessageBox
#undef SendMessage
#undef PostMessage
#undef DefWindowProc
#undef GetObject
#undef TextOut
#undef ExtTextOut
#undef DrawText
#undef LoadBitmap
#undef LoadIcon
#undef LoadCursor
#undef LoadMenu
#undef LoadAccelerators
#undef CreateWindow
#undef CreateDialog
#undef DialogBox
#undef GetWindowText
#undef SetWindowText
#undef GetTextMetrics
#undef GetTextExtent
#undef SetProp
#undef GetProp
#undef RemoveProp
#undef CopyMetaFile
#undef GetCurrentTime
