#pragma once
// Keys of the X keyboard and virtual keys: a key's unshifted keysym gives its virtual key,
// and a virtual key gives the keysym that XTest presses for it.

#include <vector>

namespace platform {

// The virtual key of an unshifted keysym (and whether it is an extended key); 0 for a
// key the program has no name for.
int VirtualKeyOfKeysym(unsigned long keysym, bool* extended = nullptr);
// The keysym of a virtual key; 0 for none.
unsigned long KeysymOfVirtualKey(int vk);
// Every keysym whose key is that virtual key (both sides for Shift, Ctrl and Alt).
std::vector<unsigned long> KeysymsOfVirtualKey(int vk);
// The character a keysym types (Latin-1, Cyrillic and Unicode keysyms); 0 for none.
char32_t UnicodeOfKeysym(unsigned long keysym);
// The keysym that types a character.
unsigned long KeysymOfUnicode(char32_t u);

}  // namespace platform
