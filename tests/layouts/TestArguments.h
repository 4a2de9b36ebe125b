// The arguments CTest passes after the test program's name (gtest has taken its own).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

inline std::vector<std::string> TestArguments() {
    std::vector<std::string> arguments = ::testing::internal::GetArgvs();
    if (!arguments.empty()) {
        arguments.erase(arguments.begin());
    }
    return arguments;
}
