#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QUrl>
#include <ostream>

// Readable failure output for the Qt values the tests compare.
inline void PrintTo(const QString& value, std::ostream* os)
{
    *os << '"' << value.toStdString() << '"';
}
inline void PrintTo(const QSize& value, std::ostream* os)
{
    *os << value.width() << 'x' << value.height();
}
inline void PrintTo(const QPoint& value, std::ostream* os)
{
    *os << '(' << value.x() << ',' << value.y() << ')';
}
inline void PrintTo(const QRect& value, std::ostream* os)
{
    *os << value.x() << ',' << value.y() << ' ' << value.width() << 'x' << value.height();
}
inline void PrintTo(const QUrl& value, std::ostream* os)
{
    *os << value.toString().toStdString();
}
