#pragma once

#include <QImage>
#include <QString>

// The transport buttons' pictures: 48 x 30, drawn only in the four greys of the standard
// 16-colour palette, so they stay 16-colour pictures and match the window's grey face.
enum class ButtonGlyph { First, Prev, Play, Stop, Next, Last };
enum class ButtonState { Normal, Pressed, Focused, Disabled };

// At `scale` device pixels per pixel (1 or 2): 48 x 30 or 96 x 60.
QImage drawButton(ButtonGlyph glyph, ButtonState state, int scale = 1);
QString buttonGlyphName(ButtonGlyph glyph);
QString buttonStateName(ButtonState state);
