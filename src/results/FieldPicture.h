// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Pictures of a cavity flow field: the speed as a colour map (one pixel per
// node, the lid at the top) and the colour bar that reads it.

#include <QColor>
#include <QImage>

namespace lbm {
struct ChannelSpec;
struct Fields;
} // namespace lbm

// The neutral colour of a channel's obstacle nodes.
inline constexpr QRgb kObstacleColour = 0xff9a9a9a;

// The colour of a value 0..1 on the scale: dark blue through cyan, green and
// yellow to dark red. Values outside are clamped.
QColor ScaleColour(double t);

// The speed |u| / lidSpeed at every node as a colour, scaled from 0 to
// `top` (0: the field's own largest speed, or 1 when the field is at rest).
// Row 0 of the picture is the lid's row. A channel's obstacle nodes
// (Fields::solid) are kObstacleColour. Returns the top used in *usedTop.
QImage SpeedPicture(const lbm::Fields& fields, double lidSpeed, double top = 0, double* usedTop = nullptr);

// Draws streamlines over a picture of the field (any size, the lid at the
// top): `count` contours of the stream function, evenly spaced between its
// least and largest values, as dark lines one pixel wide. A field at rest, or
// one that cannot be read, draws nothing. For a channel (fields with their
// obstacle nodes) the contours are those of the flow through it.
void DrawStreamlines(QImage& picture, const lbm::Fields& fields, double lidSpeed, int count = 16);

// Draws a channel's obstacle outlines over a picture of its field (any size,
// the channel filling it, its top at the top) as light lines.
void DrawOutline(QImage& picture, const lbm::ChannelSpec& channel);

// The colour bar from 0 (bottom) to `top` with its labels, for a legend.
QImage ColourBarPicture(double top, const QString& caption, QSize size = QSize(96, 256));
