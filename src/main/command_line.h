// The command-line reader shared by the show and the offline renderer: each
// program lists its options, this reads them and reports the common mistakes
// in one line, and the program then gives the values their meaning.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class OptionTakes { Nothing, Value };

struct OptionSpec {
    const char* name;  // "--size", or a short form such as "-C"
    OptionTakes takes;
};

struct OptionRead {
    std::string name;   // as listed in the specs
    std::string value;  // empty for options that take nothing
};

// Reads argv[1 .. argc-1] into *read, in command-line order. A value follows
// its option as the next argument, or after "=" for long options
// (--size=800x600). False with *error set for an unexpected argument, an
// unknown option, one given twice, a value given to an option that takes
// none, a missing value, or an empty one.
bool readOptions(int argc, const char* const* argv, const OptionSpec* specs, size_t specCount,
                 std::vector<OptionRead>* read, std::string* error);

template <size_t N>
bool readOptions(int argc, const char* const* argv, const OptionSpec (&specs)[N], std::vector<OptionRead>* read,
                 std::string* error) {
    return readOptions(argc, argv, specs, N, read, error);
}

// A decimal number made only of digits, at most max; false otherwise (empty,
// sign, spaces, other characters, or too large).
bool parseDecimal(const char* begin, const char* end, uint64_t max, uint64_t* out);
