#pragma once
// Texts that the extended controls show to the user.

inline constexpr const char* SNotImplemented = "Функция не реализована";
