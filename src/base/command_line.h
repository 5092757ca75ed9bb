#pragma once

#include <cstdio>
#include <cstring>
#include <optional>

namespace corvane {

// One version for every program, set once in the build.
inline constexpr const char* Version = CORVANE_VERSION;

// --help and --version, answered alike by every program: the text on
// standard output and exit status 0. Reads the raw arguments, so that the
// window program answers before it needs a display. Nothing when neither
// was asked for.
inline std::optional<int> answerHelpOrVersion(int argc, char** argv, const char* program, const char* usage)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(usage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s %s\n", program, Version);
            return 0;
        }
    }
    return std::nullopt;
}

} // namespace corvane
