#pragma once
// Where a control sits in its parent window: nowhere in particular, along one
// edge, or filling what the edge-aligned siblings leave; and the arithmetic
// that places a parent's aligned children.

#include <QObject>
#include <QRect>
#include <vector>

// In a namespace of its own so that designs store the values by name ("alClient").
namespace lumicar::align {
Q_NAMESPACE

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
Q_ENUM_NS(TAlign)

}  // namespace lumicar::align

namespace lumicar {

using align::TAlign;
using enum align::TAlign;

struct TAlignItem {
  TAlign align = alNone;
  QRect bounds;  // the control's current bounds in the parent's client area
};

// The new bounds of each item inside client. Edge-aligned items are placed in
// the order top, bottom, left, right (each keeping its own thickness and, among
// items of one kind, their order in the list); alClient items take what is
// left; alNone and alCustom items keep their bounds. The remaining area never
// gets a negative size, so a small parent gives empty controls, not inverted ones.
std::vector<QRect> AlignRects(const QRect& client, const std::vector<TAlignItem>& items);

}  // namespace lumicar
