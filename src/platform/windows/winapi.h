// The Windows names the program uses, from the system's own headers.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>

#include <cstddef>

// The part of the dialog record that the flow fills in and hands over: the
// record as it was before the reserved fields were added. The system headers
// compute it from a null pointer, which is no constant in C++; offsetof gives
// the same number as one, so that it can be checked at compile time.
#undef OPENFILENAME_SIZE_VERSION_400A
#define OPENFILENAME_SIZE_VERSION_400A \
    (offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR))
