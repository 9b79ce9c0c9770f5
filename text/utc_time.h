// SPDX-License-Identifier: MIT
#pragma once
// The time now as ISO 8601 in UTC: "2024-05-01T12:00:00Z", or with
// milliseconds "2024-05-01T12:00:00.123Z".

#include <chrono>
#include <cstdio>
#include <string>

namespace brixel::text {

inline std::string utcNow(bool withMilliseconds = false) {
    using namespace std::chrono;
    const auto now = floor<milliseconds>(system_clock::now());
    const auto day = floor<days>(now);
    const year_month_day date{day};
    const hh_mm_ss time{now - day};
    char text[96];
    const int length = std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d", static_cast<int>(date.year()),
                                     static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                                     static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                                     static_cast<int>(time.seconds().count()));
    std::string out(text, static_cast<std::size_t>(length));
    if (withMilliseconds) {
        std::snprintf(text, sizeof text, ".%03d", static_cast<int>(time.subseconds().count()));
        out += text;
    }
    return out + 'Z';
}

}  // namespace brixel::text
