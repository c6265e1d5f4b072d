#include "main/command_line.h"

bool readOptions(int argc, const char* const* argv, const OptionSpec* specs, size_t specCount,
                 std::vector<OptionRead>* read, std::string* error) {
    std::vector<bool> seen(specCount, false);
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        std::string value;
        bool inlineValue = false;
        if (arg.compare(0, 2, "--") == 0) {
            const size_t eq = arg.find('=');
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
                arg.resize(eq);
                inlineValue = true;
            }
        }
        size_t index = 0;
        while (index < specCount && arg != specs[index].name) index++;
        if (index == specCount) {
            *error =
                arg.empty() || arg[0] != '-' ? "unexpected argument '" + arg + "'" : "unknown option '" + arg + "'";
            return false;
        }
        if (seen[index]) {
            *error = arg + " given twice";
            return false;
        }
        seen[index] = true;
        if (specs[index].takes == OptionTakes::Nothing) {
            if (inlineValue) {
                *error = arg + " takes no value";
                return false;
            }
        } else {
            if (!inlineValue) {
                if (i + 1 >= argc) {
                    *error = arg + " needs a value";
                    return false;
                }
                value = argv[++i];
            }
            if (value.empty()) {
                *error = arg + ": the value is empty";
                return false;
            }
        }
        read->push_back({arg, value});
    }
    return true;
}

bool parseDecimal(const char* begin, const char* end, uint64_t max, uint64_t* out) {
    if (begin >= end) return false;
    uint64_t value = 0;
    for (const char* p = begin; p < end; p++) {
        if (*p < '0' || *p > '9') return false;
        const uint64_t digit = static_cast<uint64_t>(*p - '0');
        if (value > (max - digit) / 10) return false;
        value = value * 10 + digit;
    }
    *out = value;
    return true;
}
