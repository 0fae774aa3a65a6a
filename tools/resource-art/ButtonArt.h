#pragma once

#include <QImage>
#include <QString>

// The transport buttons' pictures: 48 x 30, drawn only in the four greys of the standard
// 16-colour palette, so they stay 16-colour pictures and match the window's grey face.
enum class ButtonGlyph { First, Prev, Play, Stop, Next, Last };
enum class ButtonState { Normal, Pressed, Focused, Disabled };

QImage drawButton(ButtonGlyph glyph, ButtonState state);
QString buttonGlyphName(ButtonGlyph glyph);
QString buttonStateName(ButtonState state);
