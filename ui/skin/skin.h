#pragma once

#include <QRect>

class QApplication;
class QWidget;

// The one built-in skin of the main and progress windows.
namespace clipvane {

// The program-wide look: style and the base font. "MS Sans Serif" 8 pt is not
// on Linux; Liberation Sans at the same 11-pixel character height stands in.
void ApplySkin(QApplication& app);

// The skinned window colours: the light blue face, black text, white fields.
void SkinWindow(QWidget* window);

// Places a window in the middle of the primary screen's free area.
void CentreOnScreen(QWidget* window);

// Whether enough of `frame` lies on one of the screens for the user to reach
// it and drag it by its title (a corner of 50 by 20 pixels at least).
bool ReachableOnAScreen(const QRect& frame);

inline constexpr const char* kSkinFontFamily = "Liberation Sans";
inline constexpr int kSkinFontPixelSize = 11;

} // namespace clipvane
