#pragma once
#include <QString>
#include <cstdint>

namespace wxh {

// A byte count as the preview shows it, in decimal units, cut (never rounded up) to two
// decimals without trailing zeros: 1234567 -> "1.23MB", 1000 -> "1KB", 999 -> "999B".
QString SizeText(int64_t n);

}  // namespace wxh
