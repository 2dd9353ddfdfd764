#pragma once
// What the program says, once, when its Snapcast server cannot be reached or goes away:
// in the bell log (as a "snapcast" line) and, in the windowed program, in status pane 3.

#include "player/snapcast_output.h"

namespace app {

inline constexpr const char* kSnapcastLogKind = "snapcast";
inline constexpr const char* kSnapcastUnreachableText =
    "Snapcast 服务器无法连接，铃声未能送到各处扬声器";
inline constexpr const char* kSnapcastLostText = "Snapcast 服务器连接中断，下一项将重新连接";

// The text for trouble, or nullptr for none.
inline const char* SnapcastNoticeText(player::SnapcastTrouble trouble) {
    switch (trouble) {
        case player::SnapcastTrouble::Unreachable:
            return kSnapcastUnreachableText;
        case player::SnapcastTrouble::Lost:
            return kSnapcastLostText;
        case player::SnapcastTrouble::None:
            break;
    }
    return nullptr;
}

}  // namespace app
