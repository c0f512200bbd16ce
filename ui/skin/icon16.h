#pragma once

#include <QByteArray>
#include <QImage>

namespace clipvane {

// Decodes a Windows icon whose first image is an uncompressed bitmap in 16-bit
// (5-5-5) colour with its transparency mask. Qt's icon reader skips that
// depth, and the program's own icon is stored in it. Other depths go to Qt's
// reader. Returns a null image for anything it cannot read.
QImage DecodeIcon(const QByteArray& bytes);

} // namespace clipvane
