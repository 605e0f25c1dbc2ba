#pragma once

#include <QString>

#include <array>
#include <span>

namespace pq {

// Interface texts that are not in the language lists, with their
// translations. The languages are those of the lists but English, in
// kOffListLanguages' order.
inline constexpr std::array<const char*, 13> kOffListLanguages{"zh", "de", "es", "fr", "it", "ja", "ko",
                                                               "nl", "pl", "pt", "ru", "tr", "uk"};

struct OffListText {
    const char* english;
    std::array<const char*, 13> texts; // UTF-8, by kOffListLanguages
};

std::span<const OffListText> OffListTexts();

} // namespace pq
