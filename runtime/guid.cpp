#include "runtime/guid.h"

#include <cstdio>
#include <cstdlib>

namespace lumicar {

namespace {

int HexValue(QChar c) {
  const char16_t u = c.unicode();
  if (u >= '0' && u <= '9') return u - '0';
  if (u >= 'a' && u <= 'f') return u - 'a' + 10;
  if (u >= 'A' && u <= 'F') return u - 'A' + 10;
  return -1;
}

// Reads `digits` hex digits from text at pos; false on any non-digit.
bool ReadHex(const QString& text, int pos, int digits, uint64_t& value) {
  value = 0;
  for (int i = 0; i < digits; ++i) {
    const int v = HexValue(text[pos + i]);
    if (v < 0) return false;
    value = value << 4 | uint64_t(v);
  }
  return true;
}

}  // namespace

std::optional<TGUID> TGUID::Parse(const QString& text) {
  // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
  if (text.size() != 38 || text[0] != '{' || text[37] != '}' || text[9] != '-' || text[14] != '-' || text[19] != '-' ||
      text[24] != '-')
    return std::nullopt;
  TGUID g;
  uint64_t v;
  if (!ReadHex(text, 1, 8, v)) return std::nullopt;
  g.D1 = uint32_t(v);
  if (!ReadHex(text, 10, 4, v)) return std::nullopt;
  g.D2 = uint16_t(v);
  if (!ReadHex(text, 15, 4, v)) return std::nullopt;
  g.D3 = uint16_t(v);
  const int bytePos[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) {
    if (!ReadHex(text, bytePos[i], 2, v)) return std::nullopt;
    g.D4[i] = uint8_t(v);
  }
  return g;
}

TGUID TGUID::FromString(const char* text) {
  const auto g = Parse(QString::fromLatin1(text));
  if (!g) {
    std::fprintf(stderr, "invalid GUID literal %s\n", text);
    std::abort();
  }
  return *g;
}

QString TGUID::ToString() const {
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", unsigned(D1), unsigned(D2),
                unsigned(D3), D4[0], D4[1], D4[2], D4[3], D4[4], D4[5], D4[6], D4[7]);
  return QString::fromLatin1(buf);
}

}  // namespace lumicar
