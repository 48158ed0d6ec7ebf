#pragma once

#include <cstdint>
#include <string>

namespace vexrem {

// Outcome of one status check. A fresh value is all zero.
struct rDranbinInfo {
    bool Error = false;     // the request failed
    std::string Text;       // failure text, or the whole status page
    std::int32_t Count = 0; // games in which the player is due; -1: page lacks the count
    std::int32_t GID = 0;   // the one game's id when Count is 1 (-1: page lacks it)

    friend bool operator==(const rDranbinInfo&, const rDranbinInfo&) = default;
};

} // namespace vexrem
