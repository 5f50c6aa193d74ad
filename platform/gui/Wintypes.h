#pragma once
// Basic types of the window system: handles, message words, points, rectangles.
// Handles are pointer-sized opaque values; message parameters are pointer-sized.

#include <cstdint>

// Opaque handle types: distinct pointer types so that mixing them up does not compile.
#define QUILLARAN_DECLARE_HANDLE(name) struct name##__ { int unused; }; typedef name##__* name
QUILLARAN_DECLARE_HANDLE(HWND);
QUILLARAN_DECLARE_HANDLE(HDC);
QUILLARAN_DECLARE_HANDLE(HCURSOR);
QUILLARAN_DECLARE_HANDLE(HINSTANCE);
QUILLARAN_DECLARE_HANDLE(HMENU);
QUILLARAN_DECLARE_HANDLE(HICON);
#undef QUILLARAN_DECLARE_HANDLE

// GDI objects share one handle space: any of them converts to HGDIOBJ.
struct HGDIOBJ_base { int unused; };
typedef HGDIOBJ_base* HGDIOBJ;
struct HPEN__ : HGDIOBJ_base {};
struct HBRUSH__ : HGDIOBJ_base {};
struct HFONT__ : HGDIOBJ_base {};
struct HBITMAP__ : HGDIOBJ_base {};
struct HRGN__ : HGDIOBJ_base {};
typedef HPEN__* HPEN;
typedef HBRUSH__* HBRUSH;
typedef HFONT__* HFONT;
typedef HBITMAP__* HBITMAP;
typedef HRGN__* HRGN;
typedef HINSTANCE HMODULE;
typedef void* HANDLE;

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef std::uint32_t DWORD;
typedef std::int32_t LONG;
typedef unsigned int UINT;
typedef std::intptr_t INT_PTR;
typedef std::uintptr_t UINT_PTR;
typedef std::intptr_t LONG_PTR;
typedef std::uintptr_t ULONG_PTR;
typedef std::uintptr_t WPARAM;
typedef std::intptr_t LPARAM;
typedef std::intptr_t LRESULT;
typedef std::uint32_t COLORREF;
typedef std::uint16_t ATOM;
typedef short SHORT;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

struct POINT { LONG x, y; };
struct SIZE { LONG cx, cy; };
struct RECT { LONG left, top, right, bottom; };
struct POINTS { SHORT x, y; };

typedef LRESULT (*WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef void (*TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);
typedef BOOL (*WNDENUMPROC)(HWND, LPARAM);

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};

inline constexpr WORD LOWORD(std::uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
inline constexpr WORD HIWORD(std::uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
inline constexpr BYTE LOBYTE(std::uintptr_t v) { return static_cast<BYTE>(v & 0xFF); }
inline constexpr LONG MAKELONG(unsigned lo, unsigned hi) {
  return static_cast<LONG>((lo & 0xFFFF) | ((hi & 0xFFFF) << 16));
}
inline constexpr WPARAM MAKEWPARAM(unsigned lo, unsigned hi) { return static_cast<DWORD>(MAKELONG(lo, hi)); }
inline constexpr LPARAM MAKELPARAM(unsigned lo, unsigned hi) { return static_cast<DWORD>(MAKELONG(lo, hi)); }
inline constexpr LRESULT MAKELRESULT(unsigned lo, unsigned hi) { return static_cast<DWORD>(MAKELONG(lo, hi)); }
// Signed coordinates packed into a message word.
inline constexpr int GET_X_LPARAM(LPARAM l) { return static_cast<SHORT>(l & 0xFFFF); }
inline constexpr int GET_Y_LPARAM(LPARAM l) { return static_cast<SHORT>((l >> 16) & 0xFFFF); }
inline constexpr SHORT GET_WHEEL_DELTA_WPARAM(WPARAM w) { return static_cast<SHORT>(HIWORD(w)); }

inline constexpr COLORREF RGB(unsigned r, unsigned g, unsigned b) {
  return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
}
inline constexpr BYTE GetRValue(COLORREF c) { return c & 0xFF; }
inline constexpr BYTE GetGValue(COLORREF c) { return (c >> 8) & 0xFF; }
inline constexpr BYTE GetBValue(COLORREF c) { return (c >> 16) & 0xFF; }
