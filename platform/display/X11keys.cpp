#include "platform/display/X11keys.h"

#include <X11/keysym.h>

#include "platform/gui/Winkeys.h"

namespace platform {

namespace {

struct KeyPair {
  unsigned long keysym;
  int vk;
  bool extended;
};

// Keys that are neither letters, digits nor function keys. The first keysym of a virtual
// key is the one XTest presses.
const KeyPair kKeys[] = {
    {XK_BackSpace, VK_BACK, false}, {XK_Tab, VK_TAB, false}, {XK_ISO_Left_Tab, VK_TAB, false},
    {XK_Return, VK_RETURN, false}, {XK_KP_Enter, VK_RETURN, true}, {XK_Escape, VK_ESCAPE, false},
    {XK_space, VK_SPACE, false}, {XK_Pause, VK_PAUSE, false}, {XK_Print, VK_SNAPSHOT, true},
    {XK_Caps_Lock, VK_CAPITAL, false}, {XK_Num_Lock, VK_NUMLOCK, true}, {XK_Scroll_Lock, VK_SCROLL, false},
    {XK_Shift_L, VK_LSHIFT, false}, {XK_Shift_R, VK_RSHIFT, false},
    {XK_Control_L, VK_LCONTROL, false}, {XK_Control_R, VK_RCONTROL, true},
    {XK_Alt_L, VK_LMENU, false}, {XK_Alt_R, VK_RMENU, true}, {XK_Meta_L, VK_LMENU, false},
    {XK_ISO_Level3_Shift, VK_RMENU, true}, {XK_Super_L, VK_LWIN, true}, {XK_Super_R, VK_RWIN, true},
    {XK_Menu, VK_APPS, true},
    {XK_Home, VK_HOME, true}, {XK_End, VK_END, true}, {XK_Prior, VK_PRIOR, true}, {XK_Next, VK_NEXT, true},
    {XK_Left, VK_LEFT, true}, {XK_Right, VK_RIGHT, true}, {XK_Up, VK_UP, true}, {XK_Down, VK_DOWN, true},
    {XK_Insert, VK_INSERT, true}, {XK_Delete, VK_DELETE, true},
    {XK_KP_Home, VK_HOME, false}, {XK_KP_End, VK_END, false}, {XK_KP_Prior, VK_PRIOR, false},
    {XK_KP_Next, VK_NEXT, false}, {XK_KP_Left, VK_LEFT, false}, {XK_KP_Right, VK_RIGHT, false},
    {XK_KP_Up, VK_UP, false}, {XK_KP_Down, VK_DOWN, false}, {XK_KP_Insert, VK_INSERT, false},
    {XK_KP_Delete, VK_DELETE, false}, {XK_KP_Begin, VK_CLEAR, false},
    {XK_KP_Multiply, VK_MULTIPLY, false}, {XK_KP_Add, VK_ADD, false}, {XK_KP_Subtract, VK_SUBTRACT, false},
    {XK_KP_Decimal, VK_DECIMAL, false}, {XK_KP_Divide, VK_DIVIDE, true}, {XK_KP_Separator, VK_SEPARATOR, false},
    {XK_semicolon, VK_OEM_1, false}, {XK_equal, VK_OEM_PLUS, false}, {XK_comma, VK_OEM_COMMA, false},
    {XK_minus, VK_OEM_MINUS, false}, {XK_period, VK_OEM_PERIOD, false}, {XK_slash, VK_OEM_2, false},
    {XK_grave, VK_OEM_3, false}, {XK_bracketleft, VK_OEM_4, false}, {XK_backslash, VK_OEM_5, false},
    {XK_bracketright, VK_OEM_6, false}, {XK_apostrophe, VK_OEM_7, false},
};

// Cyrillic keysyms 0x6c0..0x6df (lower case; upper case 0x20 above) follow this order.
const char32_t kCyrillic[32] = {0x44E, 0x430, 0x431, 0x446, 0x434, 0x435, 0x444, 0x433, 0x445, 0x438, 0x439,
                                0x43A, 0x43B, 0x43C, 0x43D, 0x43E, 0x43F, 0x44F, 0x440, 0x441, 0x442, 0x443,
                                0x436, 0x432, 0x44C, 0x44B, 0x437, 0x448, 0x44D, 0x449, 0x447, 0x44A};
constexpr unsigned long kUnicodeKeysym = 0x01000000;

}  // namespace

char32_t UnicodeOfKeysym(unsigned long keysym) {
  if ((keysym >= 0x20 && keysym <= 0x7E) || (keysym >= 0xA0 && keysym <= 0xFF)) return static_cast<char32_t>(keysym);
  if (keysym >= 0x6C0 && keysym <= 0x6FF) {
    char32_t lower = kCyrillic[(keysym - 0x6C0) & 0x1F];
    return keysym >= 0x6E0 ? lower - 0x20 : lower;
  }
  if (keysym == XK_Cyrillic_io) return 0x451;
  if (keysym == XK_Cyrillic_IO) return 0x401;
  if ((keysym & 0xFF000000) == kUnicodeKeysym) {
    char32_t u = static_cast<char32_t>(keysym & 0x00FFFFFF);
    return u >= 0x20 && u <= 0x10FFFF ? u : 0;
  }
  return 0;
}

unsigned long KeysymOfUnicode(char32_t u) {
  if ((u >= 0x20 && u <= 0x7E) || (u >= 0xA0 && u <= 0xFF)) return u;
  if (u == 0x451) return XK_Cyrillic_io;
  if (u == 0x401) return XK_Cyrillic_IO;
  for (int i = 0; i < 32; ++i) {
    if (kCyrillic[i] == u) return 0x6C0 + static_cast<unsigned long>(i);
    if (kCyrillic[i] - 0x20 == u) return 0x6E0 + static_cast<unsigned long>(i);
  }
  return kUnicodeKeysym | u;
}

int VirtualKeyOfKeysym(unsigned long keysym, bool* extended) {
  if (extended) *extended = false;
  if (keysym >= XK_a && keysym <= XK_z) return static_cast<int>('A' + (keysym - XK_a));
  if (keysym >= XK_A && keysym <= XK_Z) return static_cast<int>(keysym);
  if (keysym >= XK_0 && keysym <= XK_9) return static_cast<int>(keysym);
  if (keysym >= XK_KP_0 && keysym <= XK_KP_9) return VK_NUMPAD0 + static_cast<int>(keysym - XK_KP_0);
  if (keysym >= XK_F1 && keysym <= XK_F24) return VK_F1 + static_cast<int>(keysym - XK_F1);
  for (const KeyPair& k : kKeys)
    if (k.keysym == keysym) {
      if (extended) *extended = k.extended;
      return k.vk;
    }
  return 0;
}

unsigned long KeysymOfVirtualKey(int vk) {
  if (vk >= 'A' && vk <= 'Z') return XK_a + static_cast<unsigned long>(vk - 'A');
  if (vk >= '0' && vk <= '9') return static_cast<unsigned long>(vk);
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return XK_KP_0 + static_cast<unsigned long>(vk - VK_NUMPAD0);
  if (vk >= VK_F1 && vk < VK_F1 + 24) return XK_F1 + static_cast<unsigned long>(vk - VK_F1);
  switch (vk) {
    case VK_SHIFT: return XK_Shift_L;
    case VK_CONTROL: return XK_Control_L;
    case VK_MENU: return XK_Alt_L;
    default: break;
  }
  for (const KeyPair& k : kKeys)
    if (k.vk == vk) return k.keysym;
  return 0;
}

std::vector<unsigned long> KeysymsOfVirtualKey(int vk) {
  std::vector<unsigned long> out;
  auto side = [](int generic, int key) {
    switch (generic) {
      case VK_SHIFT: return key == VK_LSHIFT || key == VK_RSHIFT;
      case VK_CONTROL: return key == VK_LCONTROL || key == VK_RCONTROL;
      case VK_MENU: return key == VK_LMENU || key == VK_RMENU;
      default: return false;
    }
  };
  for (const KeyPair& k : kKeys)
    if (k.vk == vk || side(vk, k.vk)) out.push_back(k.keysym);
  if (out.empty())
    if (unsigned long sym = KeysymOfVirtualKey(vk)) out.push_back(sym);
  return out;
}

}  // namespace platform
