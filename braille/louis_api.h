// The braille translator's entry points that the program calls, as the
// library exports them. The translator is built with 32-bit characters:
// every text the program hands over holds one 32-bit value per character.
// Free of platform headers, so that the model code can name them too.
#pragma once
#include <cstdint>

#ifdef _WIN32
#define LOUIS_CALL __stdcall
#else
#define LOUIS_CALL
#endif

using LouisChar = std::uint32_t;

using LouisCharSizeFn = int(LOUIS_CALL*)();
using LouisVersionFn = const char*(LOUIS_CALL*)();
using LouisLogCallbackFn = void(LOUIS_CALL*)(int level, const char* message);
using LouisRegisterLogCallbackFn = void(LOUIS_CALL*)(LouisLogCallbackFn callback);
using LouisSetLogLevelFn = void(LOUIS_CALL*)(int level);
// Table list, input and its length (in/out), output and its length
// (in/out), type form, spacing, mode; 1 on success.
using LouisTranslateStringFn = int(LOUIS_CALL*)(const char* tables, const LouisChar* in, int* inLength, LouisChar* out,
                                                int* outLength, std::uint16_t* typeform, char* spacing, int mode);
using LouisFreeFn = void(LOUIS_CALL*)();

// The translator's dots mode: every output character is a dot pattern,
// bit n set for dot n + 1.
constexpr int kLouisDotsMode = 4;
// The translator's log levels step by this much (0 all, 1 debug ... 6 off).
constexpr int kLouisLogLevelStep = 10000;
constexpr int kLouisLogLevelOff = 6;
