#pragma once
// A 128-bit identifier of stream types, interfaces and media subtypes, with
// the registry text form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".

#include <QString>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>

namespace lumicar {

struct TGUID {
  uint32_t D1 = 0;
  uint16_t D2 = 0;
  uint16_t D3 = 0;
  uint8_t D4[8] = {};

  // Parses the braced registry form; nullopt for anything else.
  static std::optional<TGUID> Parse(const QString& text);
  // Parses a literal known to be valid; aborts the program on a typo.
  static TGUID FromString(const char* text);

  // Upper-case braced registry form.
  QString ToString() const;
  bool IsNull() const { return *this == TGUID{}; }

  // Identifiers compare byte for byte in memory order.
  friend bool operator==(const TGUID& a, const TGUID& b) { return std::memcmp(&a, &b, sizeof(TGUID)) == 0; }
  friend bool operator<(const TGUID& a, const TGUID& b) { return std::memcmp(&a, &b, sizeof(TGUID)) < 0; }
};
static_assert(sizeof(TGUID) == 16);

inline const TGUID GUID_NULL{};

}  // namespace lumicar

template <>
struct std::hash<lumicar::TGUID> {
  size_t operator()(const lumicar::TGUID& g) const noexcept {
    uint64_t a, b;
    std::memcpy(&a, &g, 8);
    std::memcpy(&b, reinterpret_cast<const char*>(&g) + 8, 8);
    return std::hash<uint64_t>()(a ^ (b * 0x9E3779B97F4A7C15ull));
  }
};
