#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>

// printf- and scanf-style text in the C locale whatever the user's locale is: every text
// format of the system writes and reads numbers with a decimal point.
namespace platform {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* format, va_list args);

// fprintf in the C locale; returns what fprintf returns.
int PrintFile(std::FILE* file, const char* format, ...) __attribute__((format(printf, 2, 3)));

// sscanf in the C locale; returns what sscanf returns.
int Scan(const char* text, const char* format, ...) __attribute__((format(scanf, 2, 3)));

// Parses a whole number; 0 when the text holds none. `ok` tells whether one was found.
double ParseDouble(const char* text, bool* ok = nullptr);

} // namespace platform
