#pragma once

#include <QImage>
#include <QString>

// The transport buttons' pictures: 48 x 30, drawn only in the four greys of the Windows
// 16-colour palette so they look like the classic owner-drawn bitmap buttons.
enum class ButtonGlyph { First, Prev, Play, Stop, Next, Last };
enum class ButtonState { Normal, Pressed, Focused, Disabled };

QImage drawButton(ButtonGlyph glyph, ButtonState state);
QString buttonGlyphName(ButtonGlyph glyph);
QString buttonStateName(ButtonState state);
