// Messages that every window talking to the adapter shows when an exchange cannot start
// or a read-out cannot be trusted, worded as the users of this adapter know them.
#pragma once

#include <string_view>

inline constexpr std::string_view kNoPortChosen = "포트가 정해져 있지 않습니다.";
inline constexpr std::string_view kPortUnusable = "포트가 이미 열려 있거나 올바르지 않습니다.";
inline constexpr std::string_view kLinkNotUp = "1.TA에 쓸 수가 없습니다.";
inline constexpr std::string_view kReadError = "Reading TA DATA Error!!!";
