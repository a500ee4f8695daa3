#pragma once
// The pixel routines the skinned controls share: the fade blend and the colour
// effect with its colour-space conversions on a 0 … 240 scale.
#include <QImage>

// Moves every blue, green and red byte of `base` towards `target` by `percent`;
// both 32 bpp (blue-green-red-x bytes, QImage::Format_RGB32) and of one size.
void BlendTowards(QImage& base, const QImage& target, int percent);
// Gives every pixel of `source` the hue 255 (wrapped to 15, an orange red), keeping
// its lightness and saturation. False, with the error box, without a source.
bool Colorize(const QImage* source, QImage& destination);
void RgbToHls(int r, int g, int b, int& h, int& l, int& s);
void HlsToRgb(int h, int l, int s, int& r, int& g, int& b);
float HueToRgb(float m1, float m2, float h);

// round(256 × percent / 100), halves away from zero: the blend's weight.
int blendWeight(int percent);
