// Error texts of the media libraries, value parsers for option texts and
// printf-style formatting into std::string.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>

namespace media {

// printf-style formatting of any length.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatTextV(const char* format, va_list args);

// The text for a negative error code of a media library call (or of the
// system); "Error number %d occurred" for codes without one.
std::string MediaErrorText(int32_t code);
// name + ": " + the text for the code.
std::string FormatMediaError(const std::string& name, int32_t code);

// Parsers for option values; a text that does not convert throws
// std::runtime_error naming the option and the text. No range checks beyond
// what the result type can hold. decimalSeparator is the user's locale's.
int32_t ParseIntegerValue(const std::string& name, const std::string& text);
int64_t ParseInt64Value(const std::string& name, const std::string& text);
float ParseFloatValue(const std::string& name, const std::string& text, char decimalSeparator = '.');
double ParseDoubleValue(const std::string& name, const std::string& text, char decimalSeparator = '.');
// Microseconds through av_parse_time (avutil must be bound); isDuration
// chooses between "duration" and "date" texts.
int64_t ParseTimeValue(const std::string& name, const std::string& text, bool isDuration);
// The message ParseTimeValue raises, for callers that refuse a time themselves.
std::string InvalidTimeText(const std::string& name, const std::string& text, bool isDuration);

}  // namespace media
