#include "ui/align.h"

#include <algorithm>

namespace lumicar {

std::vector<QRect> AlignRects(const QRect& client, const std::vector<TAlignItem>& items) {
  std::vector<QRect> result;
  result.reserve(items.size());
  for (const TAlignItem& item : items) result.push_back(item.bounds);
  int left = client.left();
  int top = client.top();
  int right = left + std::max(client.width(), 0);
  int bottom = top + std::max(client.height(), 0);
  for (TAlign pass : {alTop, alBottom, alLeft, alRight, alClient}) {
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (items[i].align != pass) continue;
      const int width = right - left;
      const int height = bottom - top;
      QRect r;
      switch (pass) {
        case alTop: {
          const int h = std::clamp(items[i].bounds.height(), 0, height);
          r = QRect(left, top, width, h);
          top += h;
          break;
        }
        case alBottom: {
          const int h = std::clamp(items[i].bounds.height(), 0, height);
          r = QRect(left, bottom - h, width, h);
          bottom -= h;
          break;
        }
        case alLeft: {
          const int w = std::clamp(items[i].bounds.width(), 0, width);
          r = QRect(left, top, w, height);
          left += w;
          break;
        }
        case alRight: {
          const int w = std::clamp(items[i].bounds.width(), 0, width);
          r = QRect(right - w, top, w, height);
          right -= w;
          break;
        }
        default:
          r = QRect(left, top, width, height);
          break;
      }
      result[i] = r;
    }
  }
  return result;
}

}  // namespace lumicar
