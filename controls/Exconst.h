#pragma once
// Texts that the extended controls show to the user.

inline constexpr const char* SNotImplemented = "Функция не реализована";
inline constexpr const char* SFileNotExec =
    "Указанный файл не является исполнимым файлом, динамической библиотекой или файлом иконки";
