#pragma once

#include <concepts>
#include <string>
#include <string_view>

// Joins texts and numbers into one string by appending, which also keeps GCC 12's false
// -Wrestrict report on `"literal" + std::string` out of the build.
inline void AppendPart(std::string& text, std::string_view part) {
    text += part;
}

inline void AppendPart(std::string& text, char part) {
    text += part;
}

template <std::integral Number>
requires(!std::same_as<Number, char>) void AppendPart(std::string& text, Number part) {
    text += std::to_string(part);
}

template <typename... Parts>
std::string Concat(const Parts&... parts) {
    std::string text;
    (AppendPart(text, parts), ...);
    return text;
}
