// The Windows names the dialog flow is written against, for the Linux build.
// Only what the flow uses is here. The record keeps the Windows field order
// and types, so that its size arithmetic works as it does on Windows.
#pragma once

#include <cstddef>
#include <cstdint>

#define WINAPI
#define CALLBACK

using BOOL = int;
using DWORD = std::uint32_t;
using WORD = std::uint16_t;
using UINT = unsigned int;
using LPARAM = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using HWND = struct albinate_hwnd*;
using HINSTANCE = struct albinate_hinstance*;
using LPSTR = char*;
using LPCSTR = const char*;
using LPOFNHOOKPROC = UINT_PTR(CALLBACK*)(HWND, UINT, UINT_PTR, LPARAM);

struct OPENFILENAMEA {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCSTR lpstrFilter;
    LPSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex;
    LPSTR lpstrFile;
    DWORD nMaxFile;
    LPSTR lpstrFileTitle;
    DWORD nMaxFileTitle;
    LPCSTR lpstrInitialDir;
    LPCSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    LPCSTR lpstrDefExt;
    LPARAM lCustData;
    LPOFNHOOKPROC lpfnHook;
    LPCSTR lpTemplateName;
    void* pvReserved;
    DWORD dwReserved;
    DWORD FlagsEx;
};

// The record as it was before the reserved fields were added: the part the
// flow fills in and hands over.
#define OPENFILENAME_SIZE_VERSION_400A \
    (offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR))

#define OFN_OVERWRITEPROMPT 0x00000002
#define OFN_PATHMUSTEXIST 0x00000800
#define OFN_FILEMUSTEXIST 0x00001000

#define MB_OK 0x00000000
#define MB_ICONERROR 0x00000010
#define MB_ICONINFORMATION 0x00000040
#define IDOK 1

BOOL WINAPI GetOpenFileNameA(OPENFILENAMEA* record);
BOOL WINAPI GetSaveFileNameA(OPENFILENAMEA* record);
int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
void WINAPI InitCommonControls();
