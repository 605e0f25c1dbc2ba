#pragma once

#include "grading.h"

#include <string>
#include <vector>

namespace looks {

struct Look {
    std::string name; // file name without ".cube"
    int size;         // edge length of its table
    RGB (*grade)(RGB);
};

// The built-in looks in archive order.
const std::vector<Look>& BuiltInLooks();

} // namespace looks
